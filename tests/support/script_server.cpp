#include "support/script_server.h"

#include "support/sample_data.h"

#include <QSslKey>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace {

// Plays script on socket from its first step on, a body piece by piece. The
// timers die with the socket, which goes when the connection closes.
void Play(QTcpSocket *socket, ScriptServer::Script script)
{
    if (script.isEmpty() || socket->state() != QAbstractSocket::ConnectedState)
        return;
    ScriptServer::Step step = script.takeFirst();
    QTimer::singleShot(step.delayMs, socket, [socket, script, step]() mutable {
        const qint64 piece = std::min<qint64>(step.pieceSize, step.bodyLength - step.sent);
        socket->write(std::exchange(step.bytes, {}) + testdata::Pattern(step.sent, piece));
        step.sent += piece;
        step.delayMs = step.pieceDelayMs;
        if (step.sent < step.bodyLength)
            script.prepend(step);
        else if (step.close)
            socket->disconnectFromHost();
        Play(socket, script);
    });
}

} // namespace

ScriptServer::Script ScriptServer::Reply(
    const QByteArray &status, const QByteArray &headers, qint64 bodyLength)
{
    return {Send("HTTP/1.1 " + status + "\r\n" + headers + "\r\n"), Body(bodyLength), Close()};
}

quint16 ScriptServer::RefusedPort()
{
    QTcpServer probe; // stops listening when it goes
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool ScriptServer::start()
{
    connect(server_.get(), &QTcpServer::pendingConnectionAvailable, this, &ScriptServer::accept);
    return server_->listen(QHostAddress::LocalHost, 0);
}

bool ScriptServer::startTls()
{
    // A self-signed certificate for 127.0.0.1, which clients trust as their only CA.
    tlsFiles_ = std::make_unique<QTemporaryDir>();
    if (!testdata::MakeCertificate(tlsFiles_->path()))
        return false;
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificateChain(QSslCertificate::fromPath(caFile()));
    tls.setPrivateKey(
        QSslKey(testdata::ReadFile(tlsFiles_->filePath(QStringLiteral("server.key"))), QSsl::Ec));
    auto server = std::make_unique<QSslServer>();
    server->setSslConfiguration(tls);
    server_ = std::move(server);
    return start();
}

QString ScriptServer::caFile() const
{
    return tlsFiles_ ? tlsFiles_->filePath(QStringLiteral("server.pem")) : QString();
}

QString ScriptServer::url(const QString &path) const
{
    return QStringLiteral("%1://127.0.0.1:%2").arg(tlsFiles_ ? "https" : "http").arg(port()) + path;
}

void ScriptServer::accept()
{
    // The sockets are children of the server, so they go when it does.
    while (QTcpSocket *socket = server_->nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        // The script starts once the request's header block is complete; what follows it is not read.
        connect(
            socket, &QTcpSocket::readyRead, this, [this, socket, script = script_, played = false]() mutable {
                const qsizetype end = socket->peek(socket->bytesAvailable()).indexOf("\r\n\r\n");
                if (played || end < 0)
                    return;
                played = true;
                requests_.append(socket->read(end + 4));
                Play(socket, script);
            });
    }
}
