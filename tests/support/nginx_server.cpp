#include "support/nginx_server.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString kNginx = QStringLiteral("/usr/sbin/nginx");
constexpr int kStartAttempts = 5;
constexpr int kAcceptTimeoutMs = 10000;
constexpr qint64 kBlockSize = 1024 * 1024;

sockaddr_in Loopback(quint16 port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A port on 127.0.0.1 that was free a moment ago; 0 when none could be had.
quint16 FreePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    quint16 port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), length) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

bool Accepts(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const sockaddr_in address = Loopback(port);
    const bool connected =
        ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

QString Quoted(const QString &path)
{
    return u'"' + path + u'"';
}

QString ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

NginxServer::NginxServer(Scheme scheme) : scheme_(scheme)
{
    process_.setProgram(kNginx);
    process_.setProcessChannelMode(QProcess::MergedChannels);
}

NginxServer::~NginxServer()
{
    stop();
}

QString NginxServer::root() const
{
    return dir_.filePath(QStringLiteral("root"));
}

QString NginxServer::caFile() const
{
    return scheme_ == Scheme::Https ? dir_.filePath(QStringLiteral("ca.pem")) : QString();
}

QString NginxServer::url(const QString &path) const
{
    const QString scheme = scheme_ == Scheme::Https ? QStringLiteral("https") : QStringLiteral("http");
    const QString relative = path.startsWith(u'/') ? path.mid(1) : path;
    return scheme + QStringLiteral("://127.0.0.1:") + QString::number(port_) + u'/' + relative;
}

bool NginxServer::start()
{
    stop();
    error_.clear();
    if (!dir_.isValid() || !QDir().mkpath(root())) {
        error_ = QStringLiteral("cannot create the temporary folder");
        return false;
    }
    // nginx may serve as another user; QTemporaryDir is private to its owner.
    const auto readable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
        | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    QFile::setPermissions(dir_.path(), readable);
    QFile::setPermissions(root(), readable);
    if (scheme_ == Scheme::Https && !makeCertificates())
        return false;
    // The port is free when picked but may be taken before nginx binds it: try another.
    for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
        port_ = FreePort();
        if (port_ != 0 && writeConfig() && launch())
            return true;
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

bool NginxServer::makeCertificates()
{
    const QString ca = caFile();
    if (QFileInfo::exists(ca))
        return true;
    const QStringList ecKey = {QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                               QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                               QStringLiteral("-days"), QStringLiteral("2")};
    const QStringList caArguments = QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + ecKey
        + QStringList{QStringLiteral("-keyout"), dir_.filePath(QStringLiteral("ca.key")),
                      QStringLiteral("-out"), ca, QStringLiteral("-subj"), QStringLiteral("/CN=Tobrell test CA"),
                      QStringLiteral("-addext"), QStringLiteral("basicConstraints=critical,CA:TRUE"),
                      QStringLiteral("-addext"), QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")};
    const QStringList serverArguments = QStringList{QStringLiteral("req"), QStringLiteral("-x509"),
                                                    QStringLiteral("-CA"), ca, QStringLiteral("-CAkey"),
                                                    dir_.filePath(QStringLiteral("ca.key"))}
        + ecKey
        + QStringList{QStringLiteral("-keyout"), dir_.filePath(QStringLiteral("server.key")),
                      QStringLiteral("-out"), dir_.filePath(QStringLiteral("server.pem")),
                      QStringLiteral("-subj"), QStringLiteral("/CN=localhost"),
                      QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1,DNS:localhost"),
                      QStringLiteral("-addext"), QStringLiteral("basicConstraints=critical,CA:FALSE"),
                      QStringLiteral("-addext"), QStringLiteral("extendedKeyUsage=serverAuth")};
    for (const QStringList &arguments : {caArguments, serverArguments}) {
        QProcess openssl;
        openssl.setProcessChannelMode(QProcess::MergedChannels);
        openssl.start(QStringLiteral("openssl"), arguments);
        if (!openssl.waitForFinished(30000) || openssl.exitStatus() != QProcess::NormalExit
            || openssl.exitCode() != 0) {
            error_ = QStringLiteral("openssl failed: ") + QString::fromUtf8(openssl.readAll());
            QFile::remove(ca);
            return false;
        }
    }
    return true;
}

bool NginxServer::writeConfig()
{
    const QString listen = QStringLiteral("127.0.0.1:") + QString::number(port_)
        + (scheme_ == Scheme::Https ? QStringLiteral(" ssl") : QString());
    const QString tls = scheme_ == Scheme::Https
        ? QStringLiteral("    ssl_certificate %1;\n    ssl_certificate_key %2;\n")
              .arg(Quoted(dir_.filePath(QStringLiteral("server.pem"))),
                   Quoted(dir_.filePath(QStringLiteral("server.key"))))
        : QString();
    const QString config = QStringLiteral(
        "daemon off;\n"
        "master_process off;\n"
        "pid %1;\n"
        "error_log %2 warn;\n"
        "events { worker_connections 64; }\n"
        "http {\n"
        "  access_log off;\n"
        "  sendfile on;\n"
        "  default_type application/octet-stream;\n"
        "  types { text/html html; text/plain txt; }\n"
        "  client_body_temp_path %3;\n"
        "  proxy_temp_path %4;\n"
        "  fastcgi_temp_path %5;\n"
        "  uwsgi_temp_path %6;\n"
        "  scgi_temp_path %7;\n"
        "  server {\n"
        "    listen %8;\n"
        "    server_name localhost;\n"
        "    root %9;\n"
        "%10"
        "    location /slow/ { limit_rate %11; }\n"
        "  }\n"
        "}\n")
        .arg(Quoted(dir_.filePath(QStringLiteral("nginx.pid"))),
             Quoted(dir_.filePath(QStringLiteral("error.log"))),
             Quoted(dir_.filePath(QStringLiteral("client_body"))),
             Quoted(dir_.filePath(QStringLiteral("proxy"))),
             Quoted(dir_.filePath(QStringLiteral("fastcgi"))),
             Quoted(dir_.filePath(QStringLiteral("uwsgi"))),
             Quoted(dir_.filePath(QStringLiteral("scgi"))), listen, Quoted(root()))
        .arg(tls, QString::number(slowRate_));
    QFile file(dir_.filePath(QStringLiteral("nginx.conf")));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(config.toUtf8()) >= 0;
}

bool NginxServer::launch()
{
    process_.setArguments({QStringLiteral("-p"), dir_.path() + u'/', QStringLiteral("-c"),
                           dir_.filePath(QStringLiteral("nginx.conf")), QStringLiteral("-e"),
                           dir_.filePath(QStringLiteral("error.log"))});
    process_.start();
    if (process_.waitForStarted() && waitUntilAccepting())
        return true;
    error_ = QStringLiteral("nginx did not start: ") + QString::fromUtf8(process_.readAll())
        + ReadAll(dir_.filePath(QStringLiteral("error.log")));
    stop();
    return false;
}

bool NginxServer::waitUntilAccepting()
{
    const QDeadlineTimer deadline(kAcceptTimeoutMs);
    while (!deadline.hasExpired()) {
        if (Accepts(port_))
            return true;
        // Also the pause between two tries: true once nginx has given up.
        if (process_.state() == QProcess::NotRunning || process_.waitForFinished(10))
            return false;
    }
    return false;
}

QByteArray NginxServer::content(qint64 offset, qint64 length)
{
    // Every aligned 8-byte word holds a different value derived from its index.
    const qint64 firstWord = offset / 8;
    const qint64 skip = offset % 8;
    QByteArray words((skip + length + 7) / 8 * 8, Qt::Uninitialized);
    for (qint64 i = 0; i < words.size() / 8; ++i)
        qToLittleEndian<quint64>(quint64(firstWord + i) * 0x9E3779B97F4A7C15ULL, words.data() + i * 8);
    return words.mid(skip, length);
}

bool NginxServer::createFile(const QString &relativePath, qint64 size) const
{
    const QString path = QDir(root()).filePath(relativePath);
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    for (qint64 offset = 0; offset < size; offset += kBlockSize) {
        if (file.write(content(offset, qMin(kBlockSize, size - offset))) < 0)
            return false;
    }
    return true;
}
