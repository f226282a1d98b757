#pragma once

#include "core/transfer/connection_facts.h"
#include "core/transfer/curl_failure_text.h"
#include "core/transfer/header_block_check.h"
#include "core/transfer/transfer_state.h"

#include <QByteArray>
#include <QString>

#include <curl/curl.h>

#include <optional>
#include <vector>

// What one request observes, reported from inside libcurl's callbacks. The
// receiver must only record: it must not call libcurl, emit signals or run
// an event loop from these functions.
class CurlSessionSink {
public:
    // States 2 to 7, 9 and 10 of the transfer control (see engine/transfer.h).
    virtual void sessionState(TransferState state) = 0;
    // The final response's header block is complete (state 8): its lines
    // joined by CR LF, status line first, without the blank line.
    virtual void sessionHeader(const QByteArray &block) = 0;
    // Body bytes; false refuses them for now, which pauses the transfer
    // until CurlSession::resume() (libcurl then offers them again).
    virtual bool sessionBody(const char *data, qsizetype length) = 0;

protected:
    ~CurlSessionSink() = default;
};

// One HEAD or GET request on its own libcurl easy handle. The owner adds
// easy() to a CurlMultiDriver and must remove it again before destroying
// the session.
//
// The transfer's states come from these callbacks:
//   2  first CURLOPT_OPENSOCKETFUNCTION call: the name is resolved and the
//      first address is about to be tried;
//   3  first CURLOPT_SOCKOPTFUNCTION call: a socket exists, connect() follows;
//   4, 5  CURLOPT_PREREQFUNCTION: connected (proxy tunnel and TLS included),
//      the request is about to be sent;
//   6  CURLOPT_DEBUGFUNCTION, CURLINFO_HEADER_OUT after state 5, once the
//      request's blank line has been written;
//   7  the first header line of the response (the header callback); over
//      HTTP/2 libcurl writes the status line itself ("HTTP/2 200 ") and
//      passes the fields with their lower-case names;
//   8  the end of the final header block, as libcurl sees it: a block with
//      a status other than 1xx is final at its blank line; a 1xx block is
//      interim when another header block follows it, and final when body
//      bytes or the end of the transfer follow it instead (an unasked-for
//      101). Trailers after the body are ignored;
//   9, 10  CURLOPT_CLOSESOCKETFUNCTION, just before and just after closing
//      the socket that carried the request. That is the one whose local
//      port the prereq callback reports; sockets of connection attempts
//      that lost or failed (several with happy eyeballs) close silently.
// Connection reuse is forbidden, so that socket always closes with its
// request: before libcurl reports the transfer done, or while the owner
// removes the handle.
class CurlSession {
public:
    enum class Method { Head, Get };

    // headerLine is one request header without terminator, sent as UTF-8;
    // an empty text, or one whose value is blank, sends none; blanks around
    // the value are trimmed. The caller has refused CR and LF in it. With
    // http2, HTTP/2 is offered over TLS (ALPN) and HTTP/1.1 spoken where the
    // server does not take it up and over plain http; without it, HTTP/1.1 only.
    CurlSession(
        const QString &url, Method method, const QString &headerLine, CurlSessionSink &sink, bool http2);
    ~CurlSession();
    CurlSession(const CurlSession &) = delete;
    CurlSession &operator=(const CurlSession &) = delete;

    // False when libcurl would not take the request's options.
    bool isValid() const { return easy_ != nullptr; }
    CURL *easy() const { return easy_; }
    bool isPaused() const { return paused_; }
    // Lifts a pause. libcurl hands over the bytes it held back at once,
    // through sessionBody(), before this returns. Never call it from a sink
    // function.
    void resume();
    // The text for a transfer that ended with result (see CurlFailureText).
    QString failureText(CURLcode result) const;
    // The body length libcurl reads by: the Content-Length it obeys, or -1
    // when there is none (no header, a chunked body). Call it from outside
    // libcurl's callbacks, once the header block is complete.
    qint64 declaredLength() const;
    // At the end of a transfer that libcurl reports done: a 1xx block with
    // nothing after it was the final answer after all.
    void finishHeader();
    // Has libcurl keep the server's certificate for facts(); before the
    // transfer starts.
    void keepCertificate();
    // The timers and the answering address; call it once the transfer is done.
    ConnectionFacts facts() const { return ReadConnectionFacts(easy_); }

private:
    bool configure(const QString &url, Method method, const QString &headerLine, bool http2);
    curl_socket_t socketWithLocalPort(int port) const;
    // False when line makes the block one that current HTTP clients refuse.
    bool headerLine(QByteArray line);

    static curl_socket_t OnOpenSocket(void *self, curlsocktype purpose, curl_sockaddr *address);
    static int OnSocketOptions(void *self, curl_socket_t fd, curlsocktype purpose);
    static int OnCloseSocket(void *self, curl_socket_t fd);
    static int OnPrerequest(void *self, char *remoteIp, char *localIp, int remotePort, int localPort);
    static int OnDebug(CURL *easy, curl_infotype type, char *data, size_t size, void *self);
    static size_t OnHeader(char *data, size_t size, size_t count, void *self);
    static size_t OnBody(char *data, size_t size, size_t count, void *self);

    CurlSessionSink &sink_;
    CURL *easy_ = nullptr;
    curl_slist *headers_ = nullptr;
    char error_[CURL_ERROR_SIZE] = {};

    std::vector<curl_socket_t> sockets_; // opened by us, not yet closed
    curl_socket_t requestSocket_ = CURL_SOCKET_BAD;
    bool addressKnown_ = false;
    bool connecting_ = false;
    bool requesting_ = false;
    bool requestSent_ = false;
    bool responding_ = false;
    bool finalHeader_ = false;
    bool paused_ = false;
    QByteArray requestTail_; // last bytes of the request header written
    QByteArray block_; // header block being received
    QByteArray lastInterim_; // a complete 1xx block, final unless more headers follow
    HeaderBlockCheck check_; // of the block being received
    std::optional<HeaderFault> fault_; // why a block was refused: the transfer ends as unreadable
};
