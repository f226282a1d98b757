#pragma once

#include "core/transfer/transfer.h"
#include "gui/form1.h"
#include "support/recording_boxes.h"
#include "support/sample_data.h"
#include "support/script_server.h"

#include <QtTest>
#include <QtWidgets>

// Conditions that window tests wait for.
namespace window_fixture {

// The window at rest: no transfer, buttons and busy label as after start.
inline bool idle(const Form1 &form)
{
    return !form.Inet1->StillExecuting() && form.ui.Command1->isEnabled() && form.ui.Command4->isEnabled()
        && !form.ui.Command2->isEnabled() && form.ui.Label2->text().isEmpty();
}

constexpr int kDeadlineMs = 20000;

// A window with its own program folder, which is also the current directory
// (where the history file goes), recorded message boxes and the scripted
// server to talk to. Declared last, the window goes first when it is destroyed.
struct ScriptedWindow {
    QTemporaryDir program;
    ScriptServer server;
    RecordingBoxes boxes;
    std::unique_ptr<Form1> form;

    // A new window in place of the old one (destroyed first), as after a
    // restart, with this settings file beside the program (none when null).
    bool openWindow(const QByteArray &settings)
    {
        form.reset();
        const bool written
            = settings.isNull() || testdata::WriteFile(program.filePath("settei.ini"), settings);
        QDir::setCurrent(program.path());
        form = std::make_unique<Form1>(nullptr, &boxes, program.path());
        return program.isValid() && written;
    }
};

// Runs action once, as soon as condition holds, from a timer that stops
// then. The window's download runs nested inside the event processing of the
// test's wait, so a test can act during a download only from the event loop.
inline std::unique_ptr<QTimer> ActWhen(std::function<bool()> condition, std::function<void()> action)
{
    auto timer = std::make_unique<QTimer>();
    QObject::connect(timer.get(), &QTimer::timeout, [self = timer.get(), condition, action] {
        if (condition()) {
            self->stop();
            action();
        }
    });
    timer->start(2);
    return timer;
}

// The window tests' base: a new window before every test function.
class WindowTest : public QObject {
    Q_OBJECT

protected:
    std::unique_ptr<ScriptedWindow> w_;

private Q_SLOTS:
    void init()
    {
        w_ = std::make_unique<ScriptedWindow>();
        QVERIFY(w_->openWindow({}) && w_->server.start());
    }
};

} // namespace window_fixture
