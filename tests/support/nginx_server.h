#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// Debian's nginx (/usr/sbin/nginx) as a local test server on 127.0.0.1 and a
// free port, serving the files the caller puts into root(). It runs as one
// child process with its configuration, pid file, logs and temporary
// folders in a private temporary folder, and stops with this object.
//
// Files below root()/slow/ are sent at slowRate() bytes per second, for
// tests that need a body still on its way. In Https mode a throw-away CA and
// a server certificate for 127.0.0.1 and localhost are made with the openssl
// command line; clients verify against caFile().
class NginxServer {
public:
    enum class Scheme { Http, Https };

    explicit NginxServer(Scheme scheme = Scheme::Http);
    ~NginxServer();
    NginxServer(const NginxServer &) = delete;
    NginxServer &operator=(const NginxServer &) = delete;

    // Starts nginx and returns once its port accepts connections; false, with
    // errorString(), when it could not be started.
    bool start();
    void stop();

    QString root() const;
    quint16 port() const { return port_; }
    // "http://127.0.0.1:<port>/" (or https) followed by path, whose leading "/" is optional.
    QString url(const QString &path) const;
    // The CA certificate (PEM) that signed the server's; empty for Http.
    QString caFile() const;
    QString errorString() const { return error_; }

    // Rate of the files below root()/slow/; takes effect at the next start().
    void setSlowRate(qint64 bytesPerSecond) { slowRate_ = bytesPerSecond; }
    qint64 slowRate() const { return slowRate_; }

    // Writes a file of size bytes at root()/relativePath (creating its
    // folders), filled with content() so that a misplaced block shows.
    bool createFile(const QString &relativePath, qint64 size) const;
    // The bytes createFile puts at [offset, offset + length).
    static QByteArray content(qint64 offset, qint64 length);

private:
    bool makeCertificates();
    bool writeConfig();
    bool launch();
    bool waitUntilAccepting();

    Scheme scheme_;
    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
    qint64 slowRate_ = 64 * 1024;
    QString error_;
};
