#include "support/nginx_server.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>

namespace {

// Every path in it is relative to the private folder, nginx's prefix.
const QString kConfig = QStringLiteral(
    "daemon off; master_process off; pid nginx.pid; error_log error.log warn;\n"
    "events { worker_connections 64; }\n"
    "http {\n"
    "  access_log off; sendfile on; default_type application/octet-stream;\n"
    "  types { text/html html; text/plain txt; }\n"
    "  client_body_temp_path temp; proxy_temp_path temp; fastcgi_temp_path temp;\n"
    "  uwsgi_temp_path temp; scgi_temp_path temp;\n"
    "  server {\n"
    "    listen 127.0.0.1:%1%2; server_name localhost; root root;\n"
    "    location /slow/ { limit_rate %3; }\n"
    "  }\n"
    "}\n");

// Certificate requests, run in the private folder.
const QString kNewCertificate =
    QStringLiteral("req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 ");
const QString kCaRequest = kNewCertificate
    + QStringLiteral("-keyout ca.key -out ca.pem -subj /CN=Tobrell-test-CA"
                     " -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign");
const QString kServerRequest = kNewCertificate
    + QStringLiteral("-CA ca.pem -CAkey ca.key -keyout server.key -out server.pem -subj /CN=localhost"
                     " -addext subjectAltName=IP:127.0.0.1,DNS:localhost"
                     " -addext basicConstraints=critical,CA:FALSE -addext extendedKeyUsage=serverAuth");

} // namespace

QString NginxServer::url(const QString &path) const
{
    return QStringLiteral("%1://127.0.0.1:%2/%3")
        .arg(scheme_ == Scheme::Https ? QStringLiteral("https") : QStringLiteral("http"),
             QString::number(port_), path.startsWith(u'/') ? path.mid(1) : path);
}

QString NginxServer::caFile() const
{
    return scheme_ == Scheme::Https ? dir_.filePath(QStringLiteral("ca.pem")) : QString();
}

bool NginxServer::run(const QString &program, const QString &arguments)
{
    QProcess process;
    process.setWorkingDirectory(dir_.path());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments.split(u' '));
    if (process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    error_ = program + QStringLiteral(" failed: ") + QString::fromUtf8(process.readAll());
    return false;
}

bool NginxServer::start()
{
    stop();
    error_.clear();
    if (!dir_.isValid() || !QDir().mkpath(root()) || !QDir().mkpath(dir_.filePath(QStringLiteral("temp")))) {
        error_ = QStringLiteral("cannot create the temporary folder");
        return false;
    }
    // server.pem comes last: without it the certificates are (re)made.
    const bool https = scheme_ == Scheme::Https;
    if (https && !QFile::exists(dir_.filePath(QStringLiteral("server.pem")))
        && !(run(QStringLiteral("openssl"), kCaRequest) && run(QStringLiteral("openssl"), kServerRequest)))
        return false;
    // The port is free when picked but may be taken before nginx binds it: try another.
    for (int attempt = 0; attempt < 5; ++attempt) {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost))
            continue;
        port_ = probe.serverPort();
        probe.close();
        // With https the listen directive gains "ssl" and is followed by the certificate's.
        const QString config = kConfig.arg(
            QString::number(port_),
            https ? QStringLiteral(" ssl; ssl_certificate server.pem; ssl_certificate_key server.key") : QString(),
            QString::number(kSlowRate));
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

QByteArray NginxServer::content(qint64 offset, qint64 length)
{
    const qint64 firstWord = offset / 8;
    const qint64 skip = offset % 8;
    QByteArray words((skip + length + 7) / 8 * 8, Qt::Uninitialized);
    for (qint64 i = 0; i < words.size() / 8; ++i)
        qToLittleEndian<quint64>(quint64(firstWord + i) * 0x9E3779B97F4A7C15ULL, words.data() + i * 8);
    return words.mid(skip, length);
}

bool NginxServer::createFile(const QString &relativePath, qint64 size) const
{
    constexpr qint64 kBlock = 1024 * 1024;
    const QString path = QDir(root()).filePath(relativePath);
    QFile file(path);
    if (!QDir().mkpath(QFileInfo(path).path()) || !file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    for (qint64 offset = 0; offset < size; offset += kBlock) {
        if (file.write(content(offset, qMin(kBlock, size - offset))) < 0)
            return false;
    }
    return true;
}
