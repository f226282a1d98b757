#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <curl/curl.h>

#include <unordered_map>

// Runs a libcurl multi handle on the Qt event loop of the calling thread
// (libcurl's multi-socket interface): one read and one write QSocketNotifier
// per socket that libcurl asks to watch, and one single-shot QTimer for the
// time-out libcurl asks for. No threads of our own.
//
// libcurl is entered only from the notifiers' and the timer's slots, never
// from inside one of its own callbacks. After every return from libcurl the
// driver reports each completed transfer through finished() and then emits
// returned(); receivers may call add(), remove() and curl_easy_pause() and
// may run nested event loops there.
class CurlMultiDriver final : public QObject {
    Q_OBJECT
public:
    explicit CurlMultiDriver(QObject *parent = nullptr);
    ~CurlMultiDriver() override;

    bool add(CURL *easy);
    // Takes easy out of the multi handle; libcurl closes its connection now.
    void remove(CURL *easy);

Q_SIGNALS:
    void finished(CURL *easy, CURLcode result);
    void returned();

private:
    struct Watch {
        QSocketNotifier *read = nullptr;
        QSocketNotifier *write = nullptr;
    };

    static int OnSocket(CURL *easy, curl_socket_t fd, int what, void *self, void *socketData);
    static int OnTimer(CURLM *multi, long timeoutMs, void *self);

    void watch(curl_socket_t fd, int what);
    void setWatched(QSocketNotifier *&notifier, curl_socket_t fd, QSocketNotifier::Type type, bool wanted);
    void act(curl_socket_t fd, int events);

    CURLM *multi_ = nullptr;
    QTimer timer_;
    std::unordered_map<curl_socket_t, Watch> watches_;
};
