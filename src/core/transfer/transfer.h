#pragma once

#include "core/transfer/connection_facts.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// The window's view of the HTTP transfer control `Inet1`: it starts one request
// at a time, reports progress as numbered state events and hands out the
// response header block and body. TransferControl realises it on libcurl;
// tests may substitute their own.
//
// States raised through StateChanged, always on the window's thread:
//   1 resolving the host, 2 address known, 3 connecting, 4 connected,
//   5 sending the request, 6 request sent, 7 first response byte,
//   8 header block complete, 9 closing the connection, 10 closed,
//   11 failure (see LastFailure), 12 response complete.
class Transfer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts a "HEAD" or "GET" request for url with one extra request header
    // line (no terminator). Returns at once; false when the request is
    // refused (one already under way, bad operation, unsafe header text).
    virtual bool Execute(const QString &url, const QString &operation, const QString &requestHeaders) = 0;
    // Ends the current transfer; afterwards GetChunk yields an empty result.
    virtual void Cancel() = 0;
    // True from Execute until the transfer is over and its body has been
    // read to the end, discarded or cancelled.
    virtual bool StillExecuting() const = 0;
    // The final response's header block, status line first, lines joined by CR LF.
    virtual QString GetHeader() const = 0;
    // The value of the first header called name (case-insensitive); empty when absent.
    virtual QString GetHeader(const QString &name) const = 0;
    // Up to size body bytes; waits (running the event loop) for them. Empty
    // once every byte that arrived has been handed out: at the end of the
    // body, and after Cancel or a failure (what came before is handed out first).
    virtual QByteArray GetChunk(int size) = 0;
    // The body length the transfer reads by, known once the header block is
    // complete: the Content-Length obeyed, or -1 when there is none (no such
    // header, a chunked body).
    virtual qint64 DeclaredLength() const = 0;
    // True when the last transfer ended in failure (state 11) rather than
    // completing or being cancelled.
    virtual bool Failed() const = 0;
    // A short Japanese explanation of the last failure, followed by
    // libcurl's own text; empty when the last transfer did not fail.
    virtual QString LastFailure() const = 0;

    // For the requests that follow: whether HTTP/2 is offered (over TLS; the
    // server may still answer in HTTP/1.1), and whether the server
    // certificate is kept in LastFacts().
    virtual void setHttp2Wanted(bool wanted) = 0;
    virtual void setCertificateWanted(bool wanted) = 0;
    // What libcurl measured of the last request, once it is over (answered,
    // failed, cancelled or its unread body dropped).
    virtual ConnectionFacts LastFacts() const = 0;

Q_SIGNALS:
    void StateChanged(int state);
};
