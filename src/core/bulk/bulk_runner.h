#pragma once

#include "core/bulk/address_source.h"
#include "core/bulk/bulk_result.h"
#include "core/transfer/curl_multi_driver.h"

#include <QObject>

#include <deque>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace bulk {

constexpr int kDefaultParallel = 10;
constexpr int kMostParallel = 100;

struct Options {
    int parallel = kDefaultParallel; // requests at once, 1 to kMostParallel
    bool location = false; // follow redirects (redirect::NextHop's rule)
    QString referer; // sent with every request; empty sends none
    bool autoReferer = false; // the window's automatic Referer, over referer
    bool certificate = false; // keep the server certificate in each hop's facts
    bool http2 = false; // offer HTTP/2 over TLS; requests to one server then share a connection
};

// The bulk check: sends HEAD to each address of a source, with the window's
// request headers, several at once on one libcurl multi handle whose
// connections are kept alive and reused, and reports each address's result
// in the order of the list, as soon as it and every one before it are done.
// Each address is completed as the URL box does; a refused one is a result
// of its own and does not stop the others.
//
// The list is read only as requests can start, and at most kMostWaiting
// results wait for an earlier address: a list of any length runs in
// bounded memory.
class Runner final : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype kMostWaiting = 4096;

    Runner(AddressSource &source, const Options &options, QObject *parent = nullptr);
    ~Runner() override;

    // Starts the first requests; returns at once.
    void start();
    // Starts no new request and cancels those running; the results already
    // there are reported in order (those cancelled are left out), then
    // done() follows.
    void stop();

Q_SIGNALS:
    void resultReady(const bulk::Result &result);
    // Every result has been reported, after start() or stop().
    void done();

private:
    struct Slot;

    void fill();
    void begin(Slot &slot, const QString &url);
    void onFinished(CURL *easy, CURLcode code);
    void complete(Slot &slot);
    void deliver();
    std::optional<Result> &place(qint64 index);

    AddressSource &source_;
    const Options options_;
    CurlMultiDriver driver_;
    std::vector<std::unique_ptr<Slot>> slots_;
    std::deque<std::optional<Result>> waiting_; // from firstWaiting_ on, in list order
    // libcurl hands out the server certificate only after a handshake, so a
    // request on a reused connection takes it from here, by the connection's socket.
    std::unordered_map<curl_socket_t, decltype(ConnectionFacts::certificate)> certificates_;
    qint64 firstWaiting_ = 0;
    qint64 nextIndex_ = 0;
    bool exhausted_ = false;
    bool stopping_ = false;
    bool finished_ = false;
};

} // namespace bulk
