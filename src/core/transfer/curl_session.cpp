#include "core/transfer/curl_session.h"

#include "core/transfer/curl_failure_text.h"
#include "core/version.h"

#include <QList>

#include <algorithm>
#include <cstring>
#include <utility>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const char kProtocols[] = "http,https";
// libcurl's receive buffer; large reads keep a fast download cheap.
constexpr long kReceiveBufferSize = 512 * 1024;
constexpr long kConnectTimeoutSeconds = 60;
// A transfer is given up when fewer than kStallBytesPerSecond arrive for
// kStallSeconds; a long download that keeps moving never times out.
constexpr long kStallBytesPerSecond = 1;
constexpr long kStallSeconds = 60;
// More header lines than any real answer holds.
constexpr int kMostHeaderLines = 1000;

// libcurl sends the address's request target as it is given, so bytes that
// may not stand there raw (non-ASCII text as UTF-8, spaces, a TAB) are
// percent-encoded. Scheme and host are left alone; libcurl converts an
// international host name itself.
QByteArray WireUrl(const QString &url)
{
    static const char kHex[] = "0123456789ABCDEF";
    const QByteArray text = url.toUtf8();
    const qsizetype schemeEnd = text.indexOf("://");
    qsizetype target = schemeEnd < 0 ? 0 : schemeEnd + 3;
    while (target < text.size() && !std::strchr("/?#", text[target]))
        ++target;
    QByteArray wire = text.first(target);
    for (const char c : text.sliced(target)) {
        const auto byte = uchar(c);
        if (byte >= 0x7F || byte <= ' ') {
            wire += '%';
            wire += kHex[byte >> 4];
            wire += kHex[byte & 0xF];
        } else {
            wire += c;
        }
    }
    return wire;
}

// The header line as it goes out: blanks around the value (U+3000, which
// the Referer box holds when left empty, included) are no part of it, and a
// header with nothing left is not sent at all.
QByteArray WireHeader(const QString &line)
{
    const qsizetype colon = line.indexOf(u':');
    if (colon <= 0)
        return line.toUtf8();
    const QString value = line.sliced(colon + 1).trimmed();
    if (value.isEmpty())
        return {};
    return line.first(colon).toUtf8() + ": " + value.toUtf8();
}

int LocalPort(curl_socket_t fd)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        return -1;
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in &>(address).sin_port);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6 &>(address).sin6_port);
    return -1;
}

} // namespace

CurlSession::CurlSession(
    const QString &url, Method method, const QString &headerLine, CurlSessionSink &sink, bool http2)
    : sink_(sink)
{
    easy_ = curl_easy_init();
    if (easy_ && !configure(url, method, headerLine, http2)) {
        curl_easy_cleanup(easy_);
        easy_ = nullptr;
    }
}

CurlSession::~CurlSession()
{
    if (easy_)
        curl_easy_cleanup(easy_);
    curl_slist_free_all(headers_);
}

bool CurlSession::configure(const QString &url, Method method, const QString &headerLine, bool http2)
{
    const QByteArray header = WireHeader(headerLine);
    if (!header.isEmpty()) {
        headers_ = curl_slist_append(nullptr, header.constData());
        if (!headers_)
            return false;
    }

    bool ok = true;
    const auto set = [&](CURLoption option, auto value) {
        ok = ok && curl_easy_setopt(easy_, option, value) == CURLE_OK;
    };
    set(CURLOPT_ERRORBUFFER, error_);
    set(CURLOPT_URL, WireUrl(url).constData());
    set(CURLOPT_PROTOCOLS_STR, kProtocols);
    // NOBODY rather than a custom "HEAD" method, which would wait for a body.
    set(method == Method::Head ? CURLOPT_NOBODY : CURLOPT_HTTPGET, 1L);
    // HTTP/2 only where TLS negotiates it: plain http is never upgraded.
    set(CURLOPT_HTTP_VERSION, long(http2 ? CURL_HTTP_VERSION_2TLS : CURL_HTTP_VERSION_1_1));
    set(CURLOPT_FOLLOWLOCATION, 0L);
    // Each request gets its own connection, closed when it ends, so that the
    // closing states belong to it.
    set(CURLOPT_FORBID_REUSE, 1L);
    set(CURLOPT_USERAGENT, (QByteArray("Tobrell/") + tobrell::kVersion).constData());
    set(CURLOPT_HTTPHEADER, headers_);
    // The body is handed out as it came: no Accept-Encoding, no decoding.
    set(CURLOPT_HTTP_CONTENT_DECODING, 0L);
    // A proxy's reply to CONNECT is not the response.
    set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    set(CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    set(CURLOPT_LOW_SPEED_LIMIT, kStallBytesPerSecond);
    set(CURLOPT_LOW_SPEED_TIME, kStallSeconds);
    set(CURLOPT_BUFFERSIZE, kReceiveBufferSize);
    set(CURLOPT_NOSIGNAL, 1L);
    // Cancelling during a name lookup must not wait for the resolver thread.
    set(CURLOPT_QUICK_EXIT, 1L);
    // HTTPS is verified against the system's CA store. Debian's libcurl
    // reads its own bundle path and ignores OpenSSL's SSL_CERT_FILE
    // variable; when it is set, it names the CA bundle to trust instead, so
    // users and tests can point at a private CA. Proxies come from the usual
    // environment variables (libcurl's default).
    const QByteArray caFile = qgetenv("SSL_CERT_FILE");
    if (!caFile.isEmpty())
        set(CURLOPT_CAINFO, caFile.constData());

    set(CURLOPT_OPENSOCKETFUNCTION, &CurlSession::OnOpenSocket);
    set(CURLOPT_OPENSOCKETDATA, this);
    set(CURLOPT_SOCKOPTFUNCTION, &CurlSession::OnSocketOptions);
    set(CURLOPT_SOCKOPTDATA, this);
    set(CURLOPT_CLOSESOCKETFUNCTION, &CurlSession::OnCloseSocket);
    set(CURLOPT_CLOSESOCKETDATA, this);
    set(CURLOPT_PREREQFUNCTION, &CurlSession::OnPrerequest);
    set(CURLOPT_PREREQDATA, this);
    // The debug callback is the only place that sees the request go out.
    set(CURLOPT_DEBUGFUNCTION, &CurlSession::OnDebug);
    set(CURLOPT_DEBUGDATA, this);
    set(CURLOPT_VERBOSE, 1L);
    set(CURLOPT_HEADERFUNCTION, &CurlSession::OnHeader);
    set(CURLOPT_HEADERDATA, this);
    set(CURLOPT_WRITEFUNCTION, &CurlSession::OnBody);
    set(CURLOPT_WRITEDATA, this);
    return ok;
}

void CurlSession::resume()
{
    if (!paused_)
        return;
    paused_ = false;
    curl_easy_pause(easy_, CURLPAUSE_CONT);
}

QString CurlSession::failureText(CURLcode result) const
{
    // A header block refused here ends the transfer through the header
    // callback, for which libcurl only says that writing failed. libcurl
    // refuses two blocks itself, with errors that say nothing of the answer:
    // a line too big to hold (out of memory), and one that starts with a
    // blank right after the status line, which it has no header to fold onto
    // (a bad argument, before the header callback sees the line).
    std::optional<HeaderFault> fault = fault_;
    if (result == CURLE_OUT_OF_MEMORY && requestSent_ && !finalHeader_)
        fault = HeaderFault::TooLarge;
    else if (result == CURLE_BAD_FUNCTION_ARGUMENT && responding_ && !finalHeader_)
        fault = HeaderFault::Folded;
    if (fault)
        return HeaderFaultText(*fault);
    long osErrno = 0;
    curl_easy_getinfo(easy_, CURLINFO_OS_ERRNO, &osErrno);
    return CurlFailureText(result, osErrno, error_, requestSent_);
}

qint64 CurlSession::declaredLength() const
{
    curl_off_t length = -1;
    if (curl_easy_getinfo(easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK)
        return -1;
    return length;
}

void CurlSession::finishHeader()
{
    if (finalHeader_ || lastInterim_.isEmpty())
        return;
    finalHeader_ = true;
    sink_.sessionHeader(lastInterim_);
}

void CurlSession::keepCertificate()
{
    curl_easy_setopt(easy_, CURLOPT_CERTINFO, 1L);
}

curl_socket_t CurlSession::socketWithLocalPort(int port) const
{
    const auto found = std::find_if(
        sockets_.begin(), sockets_.end(), [port](curl_socket_t fd) { return LocalPort(fd) == port; });
    if (found != sockets_.end())
        return *found;
    return sockets_.empty() ? CURL_SOCKET_BAD : sockets_.back();
}

std::optional<HeaderFault> CurlSession::fieldFault(const QByteArray &line)
{
    // RFC 9112: a bare CR in a field, differing or malformed Content-Length
    // values are not to be read, nor a body whose chunked coding is not the
    // last one applied; Location values that differ leave the target unknown
    // (a repeat of the same one is harmless).
    if (line.contains('\r'))
        return HeaderFault::BareCR;
    if (++blockLines_ > kMostHeaderLines)
        return HeaderFault::TooManyLines;
    const qsizetype colon = line.indexOf(':');
    const QByteArray name = line.first(std::max<qsizetype>(colon, 0)).trimmed().toLower();
    const QByteArray value = line.sliced(colon + 1).trimmed();
    if (name == "location") {
        if (location_ && *location_ != value)
            return HeaderFault::Location;
        location_ = value;
    } else if (name == "content-length") {
        const bool number = !value.isEmpty()
            && std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (!number || (!contentLength_.isEmpty() && contentLength_ != value))
            return HeaderFault::ContentLength;
        contentLength_ = value;
    } else if (name == "transfer-encoding") {
        for (const QByteArray &coding : value.split(',')) {
            const QByteArray trimmed = coding.trimmed();
            if (trimmed.isEmpty())
                continue;
            if (chunked_)
                return HeaderFault::Coding;
            chunked_ = trimmed.compare("chunked", Qt::CaseInsensitive) == 0;
        }
    }
    return std::nullopt;
}

bool CurlSession::headerLine(QByteArray line)
{
    if (finalHeader_)
        return true; // trailers of a chunked body
    if (!responding_) {
        responding_ = true;
        if (!requestSent_) {
            requestSent_ = true;
            sink_.sessionState(TransferState::Sent);
        }
        sink_.sessionState(TransferState::Receiving);
    }
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    if (!line.isEmpty()) {
        lastInterim_.clear(); // another block follows: that one was interim
        if (!block_.isEmpty()) {
            fault_ = fieldFault(line);
            if (fault_)
                return false;
        }
        if (!block_.isEmpty())
            block_ += "\r\n";
        block_ += line;
        return true;
    }
    if (block_.isEmpty())
        return true;
    blockLines_ = 0;
    contentLength_.clear();
    location_.reset();
    chunked_ = false;
    // libcurl has read the status line; its code decides, not a reading of our own.
    long status = 0;
    curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 100 && status < 200) {
        lastInterim_ = std::exchange(block_, {});
        return true;
    }
    finalHeader_ = true;
    sink_.sessionHeader(block_);
    return true;
}

curl_socket_t CurlSession::OnOpenSocket(void *self, curlsocktype, curl_sockaddr *address)
{
    auto *session = static_cast<CurlSession *>(self);
    const curl_socket_t fd = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    if (fd == CURL_SOCKET_BAD)
        return CURL_SOCKET_BAD;
    session->sockets_.push_back(fd);
    if (!session->addressKnown_) {
        session->addressKnown_ = true;
        session->sink_.sessionState(TransferState::Resolved);
    }
    return fd;
}

int CurlSession::OnSocketOptions(void *self, curl_socket_t, curlsocktype)
{
    auto *session = static_cast<CurlSession *>(self);
    if (!session->connecting_) {
        session->connecting_ = true;
        session->sink_.sessionState(TransferState::Connecting);
    }
    return CURL_SOCKOPT_OK;
}

int CurlSession::OnCloseSocket(void *self, curl_socket_t fd)
{
    auto *session = static_cast<CurlSession *>(self);
    const bool carriedRequest = fd == session->requestSocket_;
    if (carriedRequest)
        session->sink_.sessionState(TransferState::Closing);
    const int result = ::close(fd);
    std::erase(session->sockets_, fd);
    if (carriedRequest) {
        session->requestSocket_ = CURL_SOCKET_BAD;
        session->sink_.sessionState(TransferState::Closed);
    }
    return result;
}

int CurlSession::OnPrerequest(void *self, char *, char *, int, int localPort)
{
    auto *session = static_cast<CurlSession *>(self);
    session->requestSocket_ = session->socketWithLocalPort(localPort);
    session->requesting_ = true;
    session->sink_.sessionState(TransferState::Connected);
    session->sink_.sessionState(TransferState::Sending);
    return CURL_PREREQFUNC_OK;
}

int CurlSession::OnDebug(CURL *, curl_infotype type, char *data, size_t size, void *self)
{
    auto *session = static_cast<CurlSession *>(self);
    // Before state 5 this may be a proxy's CONNECT request.
    if (type != CURLINFO_HEADER_OUT || !session->requesting_ || session->requestSent_)
        return 0;
    session->requestTail_ = (session->requestTail_ + QByteArray(data, qsizetype(size))).right(4);
    if (session->requestTail_ == "\r\n\r\n") {
        session->requestSent_ = true;
        session->sink_.sessionState(TransferState::Sent);
    }
    return 0;
}

size_t CurlSession::OnHeader(char *data, size_t size, size_t count, void *self)
{
    // Anything but the full length makes libcurl end the transfer.
    return static_cast<CurlSession *>(self)->headerLine(QByteArray(data, qsizetype(size * count)))
        ? size * count
        : 0;
}

size_t CurlSession::OnBody(char *data, size_t size, size_t count, void *self)
{
    auto *session = static_cast<CurlSession *>(self);
    const size_t length = size * count;
    session->finishHeader(); // body after a 1xx block: libcurl took it as final
    if (!session->sink_.sessionBody(data, qsizetype(length))) {
        session->paused_ = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    return length;
}
