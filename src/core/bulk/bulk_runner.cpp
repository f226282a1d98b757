#include "core/bulk/bulk_runner.h"

#include "core/address/url_completion.h"
#include "core/transfer/curl_failure_text.h"
#include "core/transfer/curl_header_block.h"
#include "core/transfer/header_block_check.h"
#include "core/transfer/redirect_rule.h"
#include "core/transfer/request_options.h"
#include "core/transfer/transfer_control.h"

#include <QDateTime>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace bulk {

namespace {

QString HttpVersionText(CURL *easy)
{
    long version = 0;
    curl_easy_getinfo(easy, CURLINFO_HTTP_VERSION, &version);
    switch (version) {
    case CURL_HTTP_VERSION_1_0:
        return QStringLiteral("HTTP/1.0");
    case CURL_HTTP_VERSION_2_0:
        return QStringLiteral("HTTP/2");
    case CURL_HTTP_VERSION_3:
        return QStringLiteral("HTTP/3");
    default:
        return QStringLiteral("HTTP/1.1");
    }
}

size_t Discard(char *, size_t size, size_t count, void *)
{
    return size * count;
}

} // namespace

// One easy handle, used for one address after another, and the answer it is
// receiving. The handle keeps its options; each request sets its address
// and Referer only.
struct Runner::Slot {
    CURL *easy = curl_easy_init();
    curl_slist *headers = nullptr;
    char error[CURL_ERROR_SIZE] = {};
    bool busy = false;
    Result result;
    QString url; // the address being asked
    QDateTime started; // when its request was started
    QByteArray block; // the header block being received
    QByteArray lastInterim; // a complete 1xx block, final unless more headers follow
    HeaderBlockCheck check;
    std::optional<HeaderFault> fault;
    bool responding = false;
    bool finalHeader = false;

    ~Slot()
    {
        curl_easy_cleanup(easy);
        curl_slist_free_all(headers);
    }

    // The header callback: keeps the final block, refuses a hostile one.
    static size_t OnHeader(char *data, size_t size, size_t count, void *self)
    {
        auto *slot = static_cast<Slot *>(self);
        const size_t length = size * count;
        if (slot->finalHeader)
            return length; // trailers
        slot->responding = true;
        QByteArrayView line(data, qsizetype(length));
        if (line.endsWith('\n'))
            line.chop(1);
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty()) {
            slot->lastInterim.clear(); // another block follows: that one was interim
            if (!slot->block.isEmpty()) {
                slot->fault = slot->check.field(line.toByteArray());
                if (slot->fault)
                    return 0;
                slot->block += "\r\n";
            }
            slot->block += line;
            return length;
        }
        if (slot->block.isEmpty())
            return length;
        slot->check.reset();
        long status = 0;
        curl_easy_getinfo(slot->easy, CURLINFO_RESPONSE_CODE, &status);
        if (status >= 100 && status < 200)
            slot->lastInterim = std::exchange(slot->block, {});
        else
            slot->finalHeader = true;
        return length;
    }

    // libcurl's reason, or what was wrong with the answer.
    QString failureText(CURLcode code) const
    {
        long requestSize = 0;
        curl_easy_getinfo(easy, CURLINFO_REQUEST_SIZE, &requestSize);
        const bool sent = requestSize > 0;
        const std::optional<HeaderFault> refused
            = fault ? fault : RefusedByLibcurl(code, sent, responding, finalHeader);
        if (refused)
            return HeaderFaultText(*refused);
        long osErrno = 0;
        curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &osErrno);
        return CurlFailureText(code, osErrno, error, sent);
    }
};

Runner::Runner(AddressSource &source, const Options &options, QObject *parent)
    : QObject(parent), source_(source), options_(options)
{
    for (int i = 0; i < std::clamp(options.parallel, 1, kMostParallel); ++i) {
        auto slot = std::make_unique<Slot>();
        CURL *easy = slot->easy;
        bool ok = easy && SetRequestOptions(easy, slot->error, options.http2);
        const auto set = [&](CURLoption option, auto value) {
            ok = ok && curl_easy_setopt(easy, option, value) == CURLE_OK;
        };
        set(CURLOPT_NOBODY, 1L);
        set(CURLOPT_PRIVATE, slot.get());
        set(CURLOPT_HEADERFUNCTION, &Slot::OnHeader);
        set(CURLOPT_HEADERDATA, slot.get());
        set(CURLOPT_WRITEFUNCTION, &Discard);
        if (options.certificate)
            set(CURLOPT_CERTINFO, 1L);
        if (ok)
            slots_.push_back(std::move(slot));
    }
    connect(&driver_, &CurlMultiDriver::finished, this, &Runner::onFinished);
}

Runner::~Runner()
{
    for (const auto &slot : slots_) {
        if (slot->busy)
            driver_.remove(slot->easy);
    }
}

void Runner::start()
{
    // Deferred, so that a list of refused addresses alone reports in the event loop too.
    QTimer::singleShot(0, this, &Runner::fill);
}

void Runner::stop()
{
    if (finished_)
        return;
    stopping_ = true;
    for (const auto &slot : slots_) {
        if (std::exchange(slot->busy, false))
            driver_.remove(slot->easy);
    }
    // What is still missing now was cancelled.
    for (std::optional<Result> &result : waiting_) {
        if (result)
            Q_EMIT resultReady(*result);
    }
    waiting_.clear();
    finished_ = true;
    Q_EMIT done();
}

std::optional<Result> &Runner::place(qint64 index)
{
    const auto at = size_t(index - firstWaiting_);
    if (waiting_.size() <= at)
        waiting_.resize(at + 1);
    return waiting_[at];
}

void Runner::fill()
{
    if (stopping_)
        return;
    if (slots_.empty()) {
        // libcurl gave no handle at all (out of memory): every address fails, rather than none ending.
        while (std::optional<QString> address = source_.next()) {
            Result result;
            result.index = nextIndex_++;
            result.address = *address;
            result.outcome = Result::Outcome::Failed;
            result.failure = CurlFailureText(CURLE_OUT_OF_MEMORY, 0, "", false);
            place(result.index) = std::move(result);
            deliver();
        }
        exhausted_ = true;
    }
    for (const auto &slot : slots_) {
        while (!slot->busy && !exhausted_ && nextIndex_ - firstWaiting_ < kMostWaiting) {
            std::optional<QString> address = source_.next();
            if (!address) {
                exhausted_ = true;
                break;
            }
            Result result;
            result.index = nextIndex_++;
            result.address = *address;
            const url::Completion completion = url::CompleteURL(*address);
            if (!completion.valid) {
                result.outcome = Result::Outcome::Refused;
                result.failure = completion.warning;
                place(result.index) = std::move(result);
                continue;
            }
            result.url = completion.url;
            place(result.index); // waits for it
            slot->result = std::move(result);
            slot->busy = true;
            begin(*slot, completion.url);
        }
    }
    deliver();
}

void Runner::begin(Slot &slot, const QString &url)
{
    const QString referer = options_.autoReferer ? url::AutomaticReferer(url) : options_.referer;
    const QString refererLine = referer.isEmpty() ? QString() : url::RefererHeader(referer);
    if (!headerTextIsSafe(url) || !headerTextIsSafe(refererLine)) {
        slot.result.outcome = Result::Outcome::Refused;
        slot.result.failure = kUnsafeRequestWarning.toString();
        complete(slot);
        return;
    }
    slot.url = url;
    slot.block.clear();
    slot.lastInterim.clear();
    slot.check.reset();
    slot.fault.reset();
    slot.responding = slot.finalHeader = false;
    slot.started = QDateTime::currentDateTimeUtc();
    slot.error[0] = '\0';
    curl_slist_free_all(std::exchange(slot.headers, nullptr));
    if (const QByteArray line = WireHeader(refererLine); !line.isEmpty())
        slot.headers = curl_slist_append(nullptr, line.constData());
    curl_easy_setopt(slot.easy, CURLOPT_URL, WireUrl(url).constData());
    curl_easy_setopt(slot.easy, CURLOPT_HTTPHEADER, slot.headers);
    if (!driver_.add(slot.easy)) {
        slot.result.outcome = Result::Outcome::Failed;
        slot.result.failure = slot.failureText(CURLE_FAILED_INIT);
        complete(slot);
    }
}

void Runner::onFinished(CURL *easy, CURLcode code)
{
    Slot *slot = nullptr;
    curl_easy_getinfo(easy, CURLINFO_PRIVATE, &slot);
    driver_.remove(easy);
    if (!slot || !slot->busy)
        return;
    Result &result = slot->result;
    ConnectionFacts facts = ReadConnectionFacts(easy);
    facts.started = slot->started;
    if (options_.certificate && facts.tls) {
        curl_socket_t socket = CURL_SOCKET_BAD;
        curl_easy_getinfo(easy, CURLINFO_ACTIVESOCKET, &socket);
        if (facts.certificate.isEmpty())
            facts.certificate = certificates_[socket];
        else
            certificates_[socket] = facts.certificate;
    }
    result.totalMicroseconds += facts.total;
    result.answeringAddress = facts.address;
    // A 1xx block with nothing after it was the final answer after all.
    if (code == CURLE_OK && !slot->finalHeader && !slot->lastInterim.isEmpty()) {
        slot->block = std::exchange(slot->lastInterim, {});
        slot->finalHeader = true;
    }
    if (code != CURLE_OK || !slot->finalHeader) {
        result.outcome = Result::Outcome::Failed;
        result.failure = slot->failureText(code == CURLE_OK ? CURLE_WEIRD_SERVER_REPLY : code);
        result.endsAt = result.hops.isEmpty() ? QString() : slot->url;
        complete(*slot);
    } else {
        long status = 0;
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
        result.hops.append({slot->url, int(status), HttpVersionText(easy), std::move(slot->block), facts});
        const redirect::Hop next = status >= 300 && status <= 399
            ? redirect::NextHop(slot->url, DecodeHeaderBlock(result.hops.last().block))
            : redirect::Hop();
        result.endsAt = next.kind != redirect::Hop::Kind::None ? next.address
            : result.hops.size() > 1                           ? slot->url
                                                               : QString();
        if (next.kind == redirect::Hop::Kind::None || !options_.location) {
            complete(*slot);
        } else if (next.kind == redirect::Hop::Kind::Refused) {
            result.outcome = Result::Outcome::NotFollowed;
            result.failure = redirect::kDowngradeRefused.toString() + next.address;
            complete(*slot);
        } else if (result.hops.size() > redirect::kMostHops) {
            result.outcome = Result::Outcome::NotFollowed;
            result.failure = redirect::kTooManyHops.toString().arg(redirect::kMostHops);
            complete(*slot);
        } else {
            begin(*slot, next.address);
        }
    }
    fill();
}

void Runner::complete(Slot &slot)
{
    slot.busy = false;
    place(slot.result.index) = std::move(slot.result);
}

void Runner::deliver()
{
    while (!waiting_.empty() && waiting_.front()) {
        const Result result = std::move(*waiting_.front());
        waiting_.pop_front();
        ++firstWaiting_;
        Q_EMIT resultReady(result);
    }
    const bool running
        = std::any_of(slots_.begin(), slots_.end(), [](const auto &slot) { return slot->busy; });
    if (exhausted_ && !running && waiting_.empty() && !std::exchange(finished_, true))
        Q_EMIT done();
}

} // namespace bulk
