#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// Debian's nginx (/usr/sbin/nginx) as a local server on 127.0.0.1 and a free
// port, serving the files put into root(). It runs as one child process whose
// configuration, logs and temporary folders live in a private temporary
// folder, and stops with this object. Over TLS it offers HTTP/2 by ALPN, with
// a throw-away self-signed certificate for 127.0.0.1 that clients trust
// through caFile().
class NginxServer {
public:
    NginxServer() = default;
    ~NginxServer() { stop(); }

    // Returns once the port accepts connections; false, with errorString(), on
    // failure. serverLines are added to the server block.
    bool start(bool tls = false, const QByteArray &serverLines = {});
    void stop();

    QString root() const { return dir_.filePath(QStringLiteral("root")); }
    QString caFile() const { return dir_.filePath(QStringLiteral("server.pem")); }
    // "http://127.0.0.1:<port>/" (https over TLS) followed by path, whose leading "/" is optional.
    QString url(const QString &path) const;
    QString errorString() const { return error_; }

    // Writes size bytes of testdata::Pattern() at root()/relativePath, creating its folders.
    bool createFile(const QString &relativePath, qint64 size) const;

private:
    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
    bool tls_ = false;
    QString error_;
};
