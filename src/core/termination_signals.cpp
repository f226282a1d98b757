#include "core/termination_signals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <unistd.h>

namespace {

// The handler may only do async-signal-safe things: it writes one byte into
// a pipe whose reading end the event loop watches.
int signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t signalSeen = 0;

void onTerminationSignal(int number)
{
    if (signalSeen) {
        std::signal(number, SIG_DFL);
        std::raise(number);
        return;
    }
    signalSeen = 1;
    const char byte = char(number);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
// How each was handled before, restored at the end.
struct sigaction previousActions[std::size(kSignals)];

void installHandler()
{
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], nullptr, &previousActions[i]);
        // A signal ignored from the start stays ignored, as the one who
        // started the program asked: SIGHUP under nohup, SIGINT in a
        // background job.
        if (previousActions[i].sa_handler != SIG_IGN)
            sigaction(kSignals[i], &action, nullptr);
    }
}

} // namespace

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent)
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        qFatal("Cannot create the pipe for termination signals");
    notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        while (::read(signalPipe[0], &byte, 1) > 0) { }
        Q_EMIT received(int(byte));
    });
    installHandler();
}

TerminationSignals::~TerminationSignals()
{
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &previousActions[i], nullptr);
    delete notifier_;
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
    signalSeen = 0;
}
