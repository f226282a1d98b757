#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into the Qt signal received(), delivered by the
// event loop, so that the window can close the normal way and save its
// settings when the session ends or someone stops the program. A second
// signal while the first is being handled ends the program at once.
// One instance at a time; it restores the default handling when destroyed.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    void received();

private:
    QSocketNotifier *notifier_;
};
