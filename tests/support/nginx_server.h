#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// Debian's nginx (/usr/sbin/nginx) as a local test server on 127.0.0.1 and a
// free port, serving the files put into root(). It runs as one child process
// whose configuration, logs and temporary folders live in a private temporary
// folder, and stops with this object. Files below root()/slow/ are sent at
// kSlowRate bytes per second. In Https mode a throw-away CA signs a
// certificate for 127.0.0.1 and localhost; clients verify against caFile().
class NginxServer {
public:
    enum class Scheme { Http, Https };
    static constexpr qint64 kSlowRate = 64 * 1024;

    explicit NginxServer(Scheme scheme = Scheme::Http) : scheme_(scheme) {}
    ~NginxServer() { stop(); }

    // Returns once the port accepts connections; false, with errorString(), on failure.
    bool start();
    void stop();

    QString root() const { return dir_.filePath(QStringLiteral("root")); }
    // "http://127.0.0.1:<port>/" (or https) followed by path, whose leading "/" is optional.
    QString url(const QString &path) const;
    // The CA certificate (PEM) that signed the server's; empty for Http.
    QString caFile() const;
    QString errorString() const { return error_; }

    // Writes a file of size bytes of content() at root()/relativePath, creating its folders.
    bool createFile(const QString &relativePath, qint64 size) const;
    // The bytes createFile puts at [offset, offset + length); every aligned
    // 8-byte word differs, so that a misplaced block shows.
    static QByteArray content(qint64 offset, qint64 length);

private:
    bool run(const QString &program, const QString &arguments);

    Scheme scheme_;
    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
    QString error_;
};
