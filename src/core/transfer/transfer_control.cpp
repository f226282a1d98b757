#include "core/transfer/transfer_control.h"

#include "core/transfer/curl_header_block.h"

#include <QEventLoop>
#include <QPointer>

#include <algorithm>

namespace {

// Body bytes held before the transfer is paused.
constexpr qsizetype kBodyLimit = 1024 * 1024;
constexpr qsizetype kLargestChunk = 16 * 1024 * 1024;
// How long GetChunk waits for a full chunk before it hands out fewer bytes.
constexpr int kPatienceMs = 100;

} // namespace

bool headerTextIsSafe(const QString &text)
{
    return std::none_of(
        text.begin(), text.end(), [](QChar c) { return c.category() == QChar::Other_Control && c != u'\t'; });
}

TransferControl::TransferControl(QObject *parent) : Transfer(parent)
{
    emitTimer_.setSingleShot(true);
    emitTimer_.setInterval(0);
    connect(&emitTimer_, &QTimer::timeout, this, &TransferControl::emitPending);
    connect(&driver_, &CurlMultiDriver::finished, this, &TransferControl::onFinished);
    connect(&driver_, &CurlMultiDriver::returned, this, &TransferControl::onCurlReturned);
    patienceTimer_.setSingleShot(true);
    connect(&patienceTimer_, &QTimer::timeout, this, [this] {
        if (readerMayGo())
            wakeWaiters();
    });
}

TransferControl::~TransferControl()
{
    endSession();
    pending_.clear();
    wakeWaiters();
}

bool TransferControl::Execute(const QString &url, const QString &operation, const QString &requestHeaders)
{
    if (executing_)
        return false;
    const bool head = operation == u"HEAD";
    if ((!head && operation != u"GET") || !headerTextIsSafe(url) || !headerTextIsSafe(requestHeaders))
        return false;
    auto session
        = std::make_unique<CurlSession>(url, head ? CurlSession::Method::Head : CurlSession::Method::Get,
            requestHeaders, static_cast<CurlSessionSink &>(*this), http2Wanted_);
    if (!session->isValid())
        return false;
    if (certificateWanted_)
        session->keepCertificate();
    if (!driver_.add(session->easy()))
        return false;

    session_ = std::move(session);
    ++transfer_;
    executing_ = true;
    head_ = head;
    bodyState_ = head ? Body::None : Body::Streaming;
    body_.clear();
    bodyLimit_ = kBodyLimit;
    failed_ = false;
    failure_.clear();
    header_.clear();
    declared_ = -1;
    facts_ = {};
    started_ = QDateTime::currentDateTimeUtc();
    bodyAsked_ = false;
    raise(TransferState::Resolving);
    emitTimer_.start();
    return true;
}

void TransferControl::Cancel()
{
    if (!executing_)
        return;
    // What has not been reported yet is moot, but for the closing of the
    // connection, which did happen; endSession() reports it if it is still open.
    const quint64 current = transfer_;
    std::erase_if(pending_, [current](const Pending &event) {
        return event.transfer == current && event.state != TransferState::Closing
            && event.state != TransferState::Closed;
    });
    executing_ = false;
    noteDeclaredLength();
    endSession();
    // The bytes that have arrived stay for the reader.
    if (bodyState_ == Body::Streaming)
        bodyState_ = Body::Complete;
    wakeWaiters();
    if (!pending_.empty())
        emitTimer_.start();
}

QString TransferControl::GetHeader(const QString &name) const
{
    return HeaderValue(header_, name);
}

QByteArray TransferControl::GetChunk(int size)
{
    if (size <= 0 || bodyState_ == Body::None || bodyState_ == Body::Gone)
        return {};
    bodyAsked_ = true;
    const qsizetype wanted = std::min<qsizetype>(size, kLargestChunk);
    const quint64 transfer = transfer_;
    bodyLimit_ = std::max(kBodyLimit, wanted);
    wanted_ = wanted;
    patience_.setRemainingTime(kPatienceMs);
    while (!readerMayGo()) {
        if (session_->isPaused()) {
            session_->resume();
            continue;
        }
        if (!waitForBody())
            return {}; // destroyed meanwhile
        if (transfer != transfer_)
            return {};
    }
    if (bodyState_ == Body::Gone)
        return {};
    QByteArray chunk = body_.take(wanted);
    if (bodyState_ == Body::Complete && body_.isEmpty())
        executing_ = false;
    else if (session_ && session_->isPaused() && body_.size() <= bodyLimit_ / 2)
        session_->resume();
    return chunk;
}

void TransferControl::sessionState(TransferState state)
{
    raise(state);
}

void TransferControl::sessionHeader(const QByteArray &block)
{
    header_ = DecodeHeaderBlock(block);
    raise(TransferState::HeaderComplete);
    if (!head_)
        raise(TransferState::ResponseComplete);
}

bool TransferControl::sessionBody(const char *data, qsizetype length)
{
    if (body_.size() >= bodyLimit_)
        return false;
    body_.append(data, length);
    return true;
}

void TransferControl::raise(TransferState state, bool ends)
{
    pending_.push_back({state, transfer_, ends});
}

void TransferControl::emitPending()
{
    // One at a time from the member queue: a receiver that runs an event
    // loop re-enters here and carries on with the next event in order.
    const QPointer<TransferControl> alive(this);
    while (!pending_.empty()) {
        const Pending next = pending_.front();
        // While the receiver of a GET's 12 has not asked for the body (a box
        // for a status other than 200 is up), the states after it wait: the
        // receiver may yet return without reading, and only then is the
        // control idle. Emitted now, the closing states would find it still
        // busy, and nothing would follow to say that it is not.
        if (inFinalState_ && !bodyAsked_ && next.transfer == transfer_)
            return;
        pending_.pop_front();
        if (next.ends && next.transfer == transfer_)
            executing_ = false;
        const bool final
            = next.state == TransferState::ResponseComplete && !next.ends && next.transfer == transfer_;
        inFinalState_ = inFinalState_ || final;
        Q_EMIT StateChanged(int(next.state));
        if (!alive)
            return;
        if (!final)
            continue;
        inFinalState_ = false;
        // A GET's 12 whose receiver returned without reading the body to
        // its end: nobody will read it now.
        if (executing_)
            abandon();
    }
}

void TransferControl::onFinished(CURL *easy, CURLcode result)
{
    if (!session_ || easy != session_->easy())
        return;
    if (result == CURLE_OK)
        session_->finishHeader();
    noteDeclaredLength();
    // A connection that ends before a header block is complete has failed,
    // whatever libcurl says.
    const CURLcode outcome = result == CURLE_OK && header_.isEmpty() ? CURLE_GOT_NOTHING : result;
    if (outcome != CURLE_OK) {
        failed_ = true;
        failure_ = session_->failureText(outcome);
    }
    endSession();
    if (outcome != CURLE_OK && bodyState_ == Body::Streaming && !body_.isEmpty()) {
        // What arrived before the failure is still handed out; the reader
        // learns from Failed() that the body is incomplete.
        bodyState_ = Body::Complete;
        raise(TransferState::Failure);
    } else if (outcome != CURLE_OK) {
        dropBody();
        raise(TransferState::Failure, true);
    } else if (head_) {
        raise(TransferState::ResponseComplete, true);
    } else {
        bodyState_ = Body::Complete;
    }
}

void TransferControl::onCurlReturned()
{
    noteDeclaredLength();
    if (!waiters_.isEmpty() && readerMayGo())
        wakeWaiters();
    emitPending();
}

void TransferControl::abandon()
{
    executing_ = false;
    endSession(); // raises 9 and 10 when it closes the request's connection
    dropBody();
}

void TransferControl::endSession()
{
    if (!session_)
        return;
    const std::unique_ptr<CurlSession> session = std::move(session_);
    // Whatever ended it, the request's measurements stay readable.
    facts_ = session->facts();
    facts_.started = started_;
    driver_.remove(session->easy());
}

void TransferControl::dropBody()
{
    body_.clear();
    if (bodyState_ != Body::None)
        bodyState_ = Body::Gone;
    wakeWaiters();
}

void TransferControl::noteDeclaredLength()
{
    // Asked outside libcurl's callbacks, once libcurl has the whole header block.
    if (session_ && !header_.isEmpty())
        declared_ = session_->declaredLength();
}

bool TransferControl::readerMayGo() const
{
    return bodyState_ != Body::Streaming || body_.size() >= wanted_
        || (!body_.isEmpty() && patience_.hasExpired());
}

bool TransferControl::waitForBody()
{
    QEventLoop loop;
    const QPointer<TransferControl> alive(this);
    waiters_.append(&loop);
    if (!patience_.hasExpired())
        patienceTimer_.start(int(patience_.remainingTime()));
    loop.exec();
    if (!alive)
        return false;
    waiters_.removeOne(&loop);
    return true;
}

void TransferControl::wakeWaiters()
{
    for (QEventLoop *loop : std::as_const(waiters_))
        loop->quit();
}
