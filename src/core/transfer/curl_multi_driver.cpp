#include "core/transfer/curl_multi_driver.h"

#include <QPointer>

#include <algorithm>
#include <climits>
#include <utility>
#include <vector>

namespace {

void RetireNotifier(QSocketNotifier *notifier)
{
    if (!notifier)
        return;
    // CURL_POLL_REMOVE may come while this notifier's own activation is on
    // the stack, and the socket may stay open (or its number be reused), so
    // stop watching at once and delete later.
    notifier->setEnabled(false);
    notifier->deleteLater();
}

} // namespace

CurlMultiDriver::CurlMultiDriver(QObject *parent) : QObject(parent)
{
    static const CURLcode kGlobalInit = curl_global_init(CURL_GLOBAL_DEFAULT);
    Q_UNUSED(kGlobalInit);

    multi_ = curl_multi_init();
    curl_multi_setopt(multi_, CURLMOPT_SOCKETFUNCTION, &CurlMultiDriver::OnSocket);
    curl_multi_setopt(multi_, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(multi_, CURLMOPT_TIMERFUNCTION, &CurlMultiDriver::OnTimer);
    curl_multi_setopt(multi_, CURLMOPT_TIMERDATA, this);

    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { act(CURL_SOCKET_TIMEOUT, 0); });
}

CurlMultiDriver::~CurlMultiDriver()
{
    curl_multi_cleanup(multi_);
    for (auto &[fd, watch] : watches_) {
        delete watch.read;
        delete watch.write;
    }
}

bool CurlMultiDriver::add(CURL *easy)
{
    return curl_multi_add_handle(multi_, easy) == CURLM_OK;
}

void CurlMultiDriver::remove(CURL *easy)
{
    curl_multi_remove_handle(multi_, easy);
}

int CurlMultiDriver::OnSocket(CURL *, curl_socket_t fd, int what, void *self, void *)
{
    static_cast<CurlMultiDriver *>(self)->watch(fd, what);
    return 0;
}

int CurlMultiDriver::OnTimer(CURLM *, long timeoutMs, void *self)
{
    // Called from inside libcurl: only arm the timer here, even for 0 ms.
    QTimer &timer = static_cast<CurlMultiDriver *>(self)->timer_;
    if (timeoutMs < 0)
        timer.stop();
    else
        timer.start(int(std::min<long>(timeoutMs, INT_MAX)));
    return 0;
}

void CurlMultiDriver::watch(curl_socket_t fd, int what)
{
    if (what == CURL_POLL_REMOVE) {
        const auto found = watches_.find(fd);
        if (found != watches_.end()) {
            RetireNotifier(found->second.read);
            RetireNotifier(found->second.write);
            watches_.erase(found);
        }
        return;
    }
    Watch &watch = watches_[fd];
    setWatched(watch.read, fd, QSocketNotifier::Read, what & CURL_POLL_IN);
    setWatched(watch.write, fd, QSocketNotifier::Write, what & CURL_POLL_OUT);
}

void CurlMultiDriver::setWatched(
    QSocketNotifier *&notifier, curl_socket_t fd, QSocketNotifier::Type type, bool wanted)
{
    if (!notifier) {
        if (!wanted)
            return;
        notifier = new QSocketNotifier(fd, type, this);
        const int events = type == QSocketNotifier::Read ? CURL_CSELECT_IN : CURL_CSELECT_OUT;
        connect(notifier, &QSocketNotifier::activated, this, [this, fd, events] { act(fd, events); });
    }
    notifier->setEnabled(wanted);
}

void CurlMultiDriver::act(curl_socket_t fd, int events)
{
    int running = 0;
    curl_multi_socket_action(multi_, fd, events, &running);

    std::vector<std::pair<CURL *, CURLcode>> done;
    int queued = 0;
    while (const CURLMsg *message = curl_multi_info_read(multi_, &queued)) {
        if (message->msg == CURLMSG_DONE)
            done.emplace_back(message->easy_handle, message->data.result);
    }

    // Receivers may run nested event loops, or even destroy this driver.
    const QPointer<CurlMultiDriver> alive(this);
    for (const auto &[easy, result] : done) {
        Q_EMIT finished(easy, result);
        if (!alive)
            return;
    }
    Q_EMIT returned();
}
