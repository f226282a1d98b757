#pragma once

#include "core/transfer/curl_body_buffer.h"
#include "core/transfer/curl_multi_driver.h"
#include "core/transfer/curl_session.h"
#include "core/transfer/transfer.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QList>
#include <QTimer>

#include <deque>
#include <memory>

class QEventLoop;

// False when text holds a control character other than TAB: a CR or LF
// would start a header line of its own on the wire, and the others have no
// business in a request line or header either.
bool headerTextIsSafe(const QString &text);
// Why a request with such text is not sent.
inline constexpr QStringView kUnsafeRequestWarning
    = u"URL か Referer に改行などの制御文字が含まれているため、要求を送信しませんでした。";

// The transfer control on libcurl: one HEAD or GET at a time, HTTP/1.1
// unless HTTP/2 is wanted (then over TLS where the server offers it), no
// redirects, no content decoding, HTTPS verified against the system's CA
// store (or the bundle named by SSL_CERT_FILE), proxies from the usual
// environment variables, 60 seconds to connect and 60 seconds at most
// without progress.
//
// State events are collected while libcurl runs and emitted one by one
// after it has returned, in the order they happened, so receivers may call
// any member and run nested event loops (a nested loop keeps emitting the
// events that follow). Besides the states 2 to 10 that CurlSession
// observes, this class raises:
//   1  from Execute (emitted once Execute has returned);
//   11 when libcurl reports the transfer failed (after its 9 and 10);
//   12 for HEAD when the transfer is over (after 9 and 10; StillExecuting
//      is then false); for GET as soon as the final header block is
//      complete, right after 8.
// A GET's body is read with GetChunk from the receiver of state 12. When
// that receiver returns with the body not read to its end (the window shows
// a box for a status other than 200 and reads nothing), the rest is
// discarded and the connection closed, so the control falls idle by itself.
//
// StillExecuting is true from Execute until 11 or a HEAD's 12 is emitted,
// until a GET's body has been read to its end (before the empty GetChunk
// returns) or discarded, or until Cancel. Cancel drops the events not yet
// emitted, but for the closing states of the connection it ends. Body bytes
// are never lost once they have arrived: after Cancel, and when a GET fails
// while its body is read, GetChunk still hands out what came before, then
// returns empty; Failed() tells a body cut by a failure from a complete one.
//
// Up to about 1 MiB of body is held; beyond that the transfer is paused
// until GetChunk has taken half of it.
class TransferControl final : public Transfer, private CurlSessionSink {
    Q_OBJECT
public:
    explicit TransferControl(QObject *parent = nullptr);
    ~TransferControl() override;

    bool Execute(const QString &url, const QString &operation, const QString &requestHeaders) override;
    void Cancel() override;
    bool StillExecuting() const override { return executing_; }
    QString GetHeader() const override { return header_; }
    QString GetHeader(const QString &name) const override;
    // Returns size bytes (at most 16 MiB at a time) once they are there;
    // less when the body has ended or when some bytes have waited about
    // 100 ms, so a slow body still moves. Waits in a nested event loop.
    QByteArray GetChunk(int size) override;
    qint64 DeclaredLength() const override { return declared_; }
    bool Failed() const override { return failed_; }
    QString LastFailure() const override { return failure_; }

    // Whether the body has filled what is kept of it, so that the server is
    // not read on until the reader takes some.
    bool BodyHeldBack() const { return session_ && session_->isPaused(); }
    void setHttp2Wanted(bool wanted) override { http2Wanted_ = wanted; }
    void setCertificateWanted(bool wanted) override { certificateWanted_ = wanted; }
    ConnectionFacts LastFacts() const override { return facts_; }

private:
    enum class Body { None, Streaming, Complete, Gone };
    struct Pending {
        TransferState state;
        quint64 transfer;
        bool ends; // StillExecuting turns false as it is emitted
    };

    void sessionState(TransferState state) override;
    void sessionHeader(const QByteArray &block) override;
    bool sessionBody(const char *data, qsizetype length) override;

    void raise(TransferState state, bool ends = false);
    void emitPending();
    void onFinished(CURL *easy, CURLcode result);
    void onCurlReturned();
    // Ends a GET whose body nobody reads; the body is dropped.
    void abandon();
    void endSession();
    void dropBody();
    void noteDeclaredLength();
    bool readerMayGo() const;
    // Runs an event loop until readerMayGo(); false when this was destroyed meanwhile.
    bool waitForBody();
    void wakeWaiters();

    CurlMultiDriver driver_;
    std::unique_ptr<CurlSession> session_;
    CurlBodyBuffer body_;
    std::deque<Pending> pending_;
    QTimer emitTimer_;
    QList<QEventLoop *> waiters_;
    qsizetype wanted_ = 0;
    QDeadlineTimer patience_; // when GetChunk settles for fewer bytes
    QTimer patienceTimer_;
    qsizetype bodyLimit_ = 0;

    quint64 transfer_ = 0; // counts Execute calls; tells stale events apart
    bool executing_ = false;
    bool head_ = false;
    bool inFinalState_ = false; // a GET's 12 is being emitted
    bool bodyAsked_ = false; // GetChunk was called in this transfer
    Body bodyState_ = Body::None;
    bool failed_ = false;
    QString failure_;
    bool http2Wanted_ = false;
    bool certificateWanted_ = false;
    QDateTime started_; // when Execute started the request, by the system clock
    ConnectionFacts facts_;
    QString header_;
    qint64 declared_ = -1;
};
