#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QTemporaryDir>

#include <memory>

// A scripted HTTP server on 127.0.0.1 and a free port, for tests that need
// exact bytes on the wire.
//
// Every connection it accepts reads one request, records its bytes up to
// and including the blank line that ends its header block, and then plays
// the script set with setScript(), step by step (see Step). The script alone
// decides what Content-Length says, so bodies shorter or longer than
// announced, or cut short by a close, are easy to write. A close waits until
// everything queued has gone out. A script that ends without a close keeps
// the connection open until the client closes it; an empty script is a
// server that accepts but never answers.
//
// Byte i of every body is testdata::Pattern(i, 1), so a test can check what
// arrived without keeping a copy.
class ScriptServer : public QObject {
    Q_OBJECT
public:
    struct Step {
        int delayMs = 0; // wait before the step
        QByteArray bytes; // sent first, as they are
        qint64 bodyLength = 0; // then Pattern(0, bodyLength)
        int pieceSize = 256 * 1024; // in pieces of this size
        int pieceDelayMs = 0; // this far apart
        bool close = false; // then close the connection
        qint64 sent = 0; // of the body, while the step plays
    };
    using Script = QList<Step>;

    static Step Send(const QByteArray &bytes, int delayMs = 0) { return {delayMs, bytes}; }
    static Step Body(qint64 length, int pieceSize = 256 * 1024, int pieceDelayMs = 0)
    {
        return {0, {}, length, pieceSize, pieceDelayMs};
    }
    static Step Close(int delayMs = 0) { return {delayMs, {}, 0, 0, 0, true}; }
    // "HTTP/1.1 <status>\r\n<headers, each ending in CR LF>\r\n", then a
    // Pattern() body of bodyLength bytes, then close.
    static Script Reply(const QByteArray &status, const QByteArray &headers, qint64 bodyLength = 0);

    // A port on 127.0.0.1 on which nothing listens (a connection is refused).
    static quint16 RefusedPort();

    using QObject::QObject;
    // Starts listening; false when no port could be had.
    bool start();
    // The same over TLS, with a throw-away self-signed certificate for
    // 127.0.0.1 (made with the openssl tool); false when that fails.
    // Clients trust it through caFile().
    bool startTls();
    QString caFile() const;
    quint16 port() const { return server_->serverPort(); }
    // "http://127.0.0.1:<port>" (or "https") followed by path.
    QString url(const QString &path = QStringLiteral("/")) const;

    // The script played for connections accepted from now on.
    void setScript(const Script &script) { script_ = script; }
    // The requests received so far, one per connection that sent one.
    QList<QByteArray> requests() const { return requests_; }

private:
    void accept();

    std::unique_ptr<QTcpServer> server_ = std::make_unique<QTcpServer>();
    std::unique_ptr<QTemporaryDir> tlsFiles_;
    Script script_;
    QList<QByteArray> requests_;
};
