#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into the Qt signal received(), delivered
// by the event loop, so that the window can close the normal way, keeping a
// download's received bytes and saving its settings, when the session ends,
// the terminal it was started from goes away or someone stops the program,
// and the bulk check can print what finished before it ends.
// A second signal while the first is being handled ends the program at once.
// A signal that was ignored when the program started stays ignored.
// One instance at a time; it restores the earlier handling when destroyed.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    void received(int signalNumber);

private:
    QSocketNotifier *notifier_;
};
