#include "support/script_server.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

namespace {

constexpr qint64 kPatternPeriod = 251;
// Bytes left queued in a socket before the server waits for the client to
// read on; keeps a large body from piling up in memory.
constexpr qint64 kQueuedLimit = 512 * 1024;

// Plays the script on one accepted connection.
class ScriptConnection : public QObject {
public:
    ScriptConnection(QTcpSocket *socket, ScriptServer::Script script,
                     std::function<void(const QByteArray &)> requestReceived,
                     std::function<void()> closed, QObject *parent)
        : QObject(parent), socket_(socket), script_(std::move(script)),
          requestReceived_(std::move(requestReceived))
    {
        socket_->setParent(this);
        connect(socket_, &QTcpSocket::readyRead, this, &ScriptConnection::read);
        connect(socket_, &QTcpSocket::bytesWritten, this, &ScriptConnection::stream);
        connect(socket_, &QTcpSocket::disconnected, this, [this, closed = std::move(closed)] {
            playing_ = false;
            closed();
            deleteLater();
        });
    }

private:
    void read()
    {
        if (requested_) {
            socket_->readAll();
            return;
        }
        received_ += socket_->readAll();
        const qsizetype end = received_.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        requested_ = true;
        playing_ = true;
        requestReceived_(received_.first(end + 4));
        nextStep();
    }

    void nextStep()
    {
        if (!playing_ || next_ >= script_.size())
            return;
        const ScriptServer::Step &step = script_[next_];
        if (step.delayMs > 0)
            QTimer::singleShot(step.delayMs, this, &ScriptConnection::startStep);
        else
            startStep();
    }

    void startStep()
    {
        if (!playing_)
            return;
        const ScriptServer::Step &step = script_[next_];
        socket_->write(step.bytes);
        streamed_ = 0;
        streaming_ = true;
        stream();
    }

    // Sends the current step's body as the socket drains, then finishes it.
    void stream()
    {
        if (!playing_ || !streaming_ || pieceDue_)
            return;
        const ScriptServer::Step &step = script_[next_];
        while (streamed_ < step.bodyLength && socket_->bytesToWrite() < kQueuedLimit) {
            const qint64 piece = std::min<qint64>(std::max(step.pieceSize, 1), step.bodyLength - streamed_);
            socket_->write(ScriptServer::Pattern(streamed_, piece));
            streamed_ += piece;
            if (step.pieceDelayMs > 0 && streamed_ < step.bodyLength) {
                pieceDue_ = true;
                QTimer::singleShot(step.pieceDelayMs, this, [this] {
                    pieceDue_ = false;
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
    std::function<void(const QByteArray &)> requestReceived_;
    QByteArray received_;
    bool requested_ = false;
    bool playing_ = false;
    qsizetype next_ = 0;
    bool streaming_ = false;
    bool pieceDue_ = false;
    qint64 streamed_ = 0;
};

} // namespace

ScriptServer::Step ScriptServer::Send(const QByteArray &bytes, int delayMs)
{
    Step step;
    step.delayMs = delayMs;
    step.bytes = bytes;
    return step;
}

ScriptServer::Step ScriptServer::Body(qint64 length, int pieceSize, int pieceDelayMs)
{
    Step step;
    step.bodyLength = length;
    step.pieceSize = pieceSize;
    step.pieceDelayMs = pieceDelayMs;
    return step;
}

ScriptServer::Step ScriptServer::Close(int delayMs)
{
    Step step;
    step.delayMs = delayMs;
    step.close = true;
    return step;
}

ScriptServer::Script ScriptServer::Reply(const QByteArray &status, const QByteArray &headers,
                                         qint64 bodyLength)
{
    return {Send("HTTP/1.1 " + status + "\r\n" + headers + "\r\n"), Body(bodyLength), Close()};
}

QByteArray ScriptServer::Pattern(qint64 offset, qint64 length)
{
    // Many periods in a row, so that long runs are copied in few steps.
    static const QByteArray kCycle = [] {
        QByteArray cycle(kPatternPeriod * 1024, Qt::Uninitialized);
        for (qsizetype i = 0; i < cycle.size(); ++i)
            cycle[i] = char(i % kPatternPeriod);
        return cycle;
    }();
    QByteArray bytes(length, Qt::Uninitialized);
    qint64 position = offset % kPatternPeriod;
    for (qint64 done = 0; done < length;) {
        const qint64 part = std::min(length - done, kCycle.size() - position);
        std::memcpy(bytes.data() + done, kCycle.constData() + position, size_t(part));
        done += part;
        position = 0;
    }
    return bytes;
}

quint16 ScriptServer::RefusedPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

ScriptServer::ScriptServer(QObject *parent) : QObject(parent)
{
    connect(&server_, &QTcpServer::newConnection, this, &ScriptServer::accept);
}

bool ScriptServer::start()
{
    return server_.listen(QHostAddress::LocalHost, 0);
}

QString ScriptServer::url(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port()) + path;
}

void ScriptServer::accept()
{
    while (QTcpSocket *socket = server_.nextPendingConnection()) {
        ++accepted_;
        ++open_;
        const QPointer<ScriptServer> self(this);
        new ScriptConnection(
            socket, script_,
            [this](const QByteArray &request) { requests_.append(request); },
            [this, self] {
                if (self)
                    --open_;
            },
            this);
    }
}
