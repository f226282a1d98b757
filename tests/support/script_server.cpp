#include "support/script_server.h"

#include "support/sample_data.h"

#include <QFile>
#include <QProcess>
#include <QSslKey>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

// Bytes left queued in a socket before the server waits for the client to
// read on; keeps a large body from piling up in memory.
constexpr qint64 kQueuedLimit = 512 * 1024;

// Plays the script on one accepted connection.
class ScriptConnection : public QObject {
public:
    // requests receives the request; open counts down when the connection closes.
    ScriptConnection(QTcpSocket *socket, ScriptServer::Script script, QList<QByteArray> &requests, int &open,
                     QObject *parent)
        : QObject(parent), socket_(socket), script_(std::move(script)), requests_(requests)
    {
        socket_->setParent(this);
        connect(socket_, &QTcpSocket::readyRead, this, &ScriptConnection::read);
        connect(socket_, &QTcpSocket::bytesWritten, this, &ScriptConnection::stream);
        connect(socket_, &QTcpSocket::disconnected, this, [this, &open] {
            --open;
            deleteLater();
        });
    }

private:
    bool connected() const { return socket_->state() == QAbstractSocket::ConnectedState; }

    void read()
    {
        received_ += socket_->readAll();
        const qsizetype end = received_.indexOf("\r\n\r\n");
        if (end < 0 || next_ >= 0)
            return;
        requests_.append(received_.first(end + 4));
        next_ = 0;
        nextStep();
    }

    void nextStep()
    {
        if (next_ < script_.size())
            QTimer::singleShot(script_[next_].delayMs, this, &ScriptConnection::startStep);
    }

    void startStep()
    {
        if (!connected())
            return;
        socket_->write(script_[next_].bytes);
        streamed_ = 0;
        streaming_ = true;
        stream();
    }

    // Sends the current step's body as the socket drains, then finishes it.
    void stream()
    {
        if (!streaming_ || !connected())
            return;
        const ScriptServer::Step &step = script_[next_];
        while (streamed_ < step.bodyLength && socket_->bytesToWrite() < kQueuedLimit) {
            const qint64 piece = std::min<qint64>(step.pieceSize, step.bodyLength - streamed_);
            socket_->write(testdata::Pattern(streamed_, piece));
            streamed_ += piece;
            if (step.pieceDelayMs > 0 && streamed_ < step.bodyLength) {
                streaming_ = false;
                QTimer::singleShot(step.pieceDelayMs, this, [this] {
                    streaming_ = true;
                    stream();
                });
                return;
            }
        }
        if (streamed_ < step.bodyLength)
            return; // bytesWritten brings us back
        streaming_ = false;
        ++next_;
        if (step.close)
            socket_->disconnectFromHost();
        else
            nextStep();
    }

    QTcpSocket *socket_;
    ScriptServer::Script script_;
    QList<QByteArray> &requests_;
    QByteArray received_;
    qsizetype next_ = -1; // the step being played; -1 until the request is complete
    bool streaming_ = false;
    qint64 streamed_ = 0;
};

} // namespace

ScriptServer::Script ScriptServer::Reply(const QByteArray &status, const QByteArray &headers, qint64 bodyLength)
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
    QProcess openssl;
    openssl.setWorkingDirectory(tlsFiles_->path());
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"),
                  QStringLiteral("req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 "
                                 "-keyout server.key -out server.pem -subj /CN=localhost "
                                 "-addext subjectAltName=IP:127.0.0.1")
                      .split(u' '));
    if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0) {
        error_ = QStringLiteral("openssl: ") + QString::fromUtf8(openssl.readAll()) + openssl.errorString();
        return false;
    }
    QFile key(tlsFiles_->filePath(QStringLiteral("server.key")));
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificateChain(QSslCertificate::fromPath(caFile()));
    tls.setPrivateKey(QSslKey(key.open(QIODevice::ReadOnly) ? key.readAll() : QByteArray(), QSsl::Ec));
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
    // The connections are children of the server, so they go first when it is destroyed.
    while (QTcpSocket *socket = server_->nextPendingConnection()) {
        ++accepted_;
        ++open_;
        new ScriptConnection(socket, script_, requests_, open_, this);
    }
}
