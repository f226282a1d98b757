#include "core/transfer/curl_session.h"

#include "core/transfer/curl_failure_text.h"
#include "core/transfer/request_options.h"

#include <QList>

#include <algorithm>
#include <utility>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// libcurl's receive buffer; large reads keep a fast download cheap.
constexpr long kReceiveBufferSize = 512 * 1024;

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

    bool ok = SetRequestOptions(easy_, error_, http2);
    const auto set = [&](CURLoption option, auto value) {
        ok = ok && curl_easy_setopt(easy_, option, value) == CURLE_OK;
    };
    set(CURLOPT_URL, WireUrl(url).constData());
    // NOBODY rather than a custom "HEAD" method, which would wait for a body.
    set(method == Method::Head ? CURLOPT_NOBODY : CURLOPT_HTTPGET, 1L);
    // Each request gets its own connection, closed when it ends, so that the
    // closing states belong to it.
    set(CURLOPT_FORBID_REUSE, 1L);
    set(CURLOPT_HTTPHEADER, headers_);
    set(CURLOPT_BUFFERSIZE, kReceiveBufferSize);

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
    // callback, for which libcurl only says that writing failed.
    const std::optional<HeaderFault> fault
        = fault_ ? fault_ : RefusedByLibcurl(result, requestSent_, responding_, finalHeader_);
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
            fault_ = check_.field(line);
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
    check_.reset();
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
