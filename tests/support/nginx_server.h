#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// Debian's nginx on 127.0.0.1 and a free port, over TLS with HTTP/2 offered
// by ALPN, with a throw-away self-signed certificate for 127.0.0.1 that
// clients trust through caFile(). It serves /index.html (52 bytes).
class NginxServer {
public:
    ~NginxServer();
    // Starts nginx with serverLines added to its server block; false when it
    // did not start, and problem() says why.
    bool start(const QByteArray &serverLines = {});
    QString problem() const { return problem_; }
    QString caFile() const;
    // "https://127.0.0.1:<port>" followed by path.
    QString url(const QString &path) const;

private:
    QTemporaryDir files_;
    QProcess nginx_;
    quint16 port_ = 0;
    QString problem_;
};
