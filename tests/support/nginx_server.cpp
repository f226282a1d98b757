#include "support/nginx_server.h"

#include "support/sample_data.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

// Every path in it is relative to the private folder, nginx's prefix.
const QString kConfig
    = QStringLiteral("daemon off; master_process off; pid nginx.pid; error_log error.log warn;\n"
                     "events { worker_connections 64; }\n"
                     "http {\n"
                     "  access_log off; sendfile on; default_type application/octet-stream;\n"
                     "  types { text/html html; text/plain txt; }\n"
                     "  client_body_temp_path temp; proxy_temp_path temp; fastcgi_temp_path temp;\n"
                     "  uwsgi_temp_path temp; scgi_temp_path temp;\n"
                     "  server {\n"
                     "    listen 127.0.0.1:%1%2; server_name localhost; root root;\n"
                     "    %3\n"
                     "  }\n"
                     "}\n");

} // namespace

QString NginxServer::url(const QString &path) const
{
    return QStringLiteral("%1://127.0.0.1:%2/%3")
        .arg(tls_ ? u"https" : u"http")
        .arg(port_)
        .arg(path.startsWith(u'/') ? path.mid(1) : path);
}

bool NginxServer::start(bool tls, const QByteArray &serverLines)
{
    stop();
    error_.clear();
    tls_ = tls;
    if (!dir_.isValid() || !QDir().mkpath(root()) || !QDir().mkpath(dir_.filePath(QStringLiteral("temp")))) {
        error_ = QStringLiteral("cannot create the temporary folder");
        return false;
    }
    if (tls && !testdata::MakeCertificate(dir_.path())) {
        error_ = QStringLiteral("no certificate from openssl");
        return false;
    }
    // The port is free when picked but may be taken before nginx binds it: try another.
    for (int attempt = 0; attempt < 5; ++attempt) {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost))
            continue;
        port_ = probe.serverPort();
        probe.close();
        const QString config
            = kConfig.arg(port_)
                  .arg(tls ? u" ssl http2; ssl_certificate server.pem; ssl_certificate_key server.key" : u"")
                  .arg(QString::fromUtf8(serverLines));
        QFile file(dir_.filePath(QStringLiteral("nginx.conf")));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(config.toUtf8()) < 0)
            break;
        file.close();
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(QStringLiteral("/usr/sbin/nginx"),
            {QStringLiteral("-p"), dir_.path() + u'/', QStringLiteral("-c"), QStringLiteral("nginx.conf"),
                QStringLiteral("-e"), QStringLiteral("error.log")});
        const QDeadlineTimer deadline(10000);
        // Polls the port; waitForFinished is also the pause between two tries.
        while (process_.waitForStarted() && !deadline.hasExpired() && !process_.waitForFinished(10)) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, port_);
            if (socket.waitForConnected(1000))
                return true;
        }
        QFile log(dir_.filePath(QStringLiteral("error.log")));
        error_ = QStringLiteral("nginx did not start: ") + QString::fromUtf8(process_.readAll())
            + (log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString());
        stop();
    }
    port_ = 0;
    return false;
}

void NginxServer::stop()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished();
    }
}

bool NginxServer::createFile(const QString &relativePath, qint64 size) const
{
    constexpr qint64 kBlock = 1024 * 1024;
    const QString path = QDir(root()).filePath(relativePath);
    QFile file(path);
    if (!QDir().mkpath(QFileInfo(path).path()) || !file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    for (qint64 offset = 0; offset < size; offset += kBlock) {
        if (file.write(testdata::Pattern(offset, qMin(kBlock, size - offset))) < 0)
            return false;
    }
    return true;
}
