#pragma once

#include "core/transfer/transfer.h"
#include "support/recording_boxes.h"
#include "support/sample_data.h"
#include "support/script_server.h"
#include "gui/form1.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

// Conditions that window tests wait for.
namespace window_fixture {

// The window at rest: no transfer, buttons and busy label as after start.
inline bool idle(const Form1 &form)
{
    return !form.Inet1->StillExecuting() && form.ui.Command1->isEnabled() && form.ui.Command4->isEnabled()
        && !form.ui.Command2->isEnabled() && form.ui.Label2->text().isEmpty();
}

// A request under way, as the busy state shows it.
inline bool busy(const Form1 &form)
{
    return form.Inet1->StillExecuting() && !form.ui.Command1->isEnabled() && form.ui.Command2->isEnabled()
        && form.ui.Label2->text() == QStringLiteral("Wait...");
}

constexpr int kDeadlineMs = 20000;

// The window's controls by their names, for test tables.
inline QMap<QString, QWidget *> Controls(Form1 &form)
{
    const Form1Ui &ui = form.ui;
    return {{"Form1", static_cast<QWidget *>(&form)}, {"Text3", ui.Text3}, {"Text1", ui.Text1}, {"Text2", ui.Text2}, {"Check2", ui.Check2},
        {"Check1", ui.Check1}, {"Check3", ui.Check3}, {"Frame1", ui.Frame1}, {"Label1", ui.Label1}, {"Label2", ui.Label2},
        {"Label4", ui.Label4}, {"Label11", ui.Label11}, {"Command1", ui.Command1}, {"Command4", ui.Command4}};
}

// The request line of the last request the server received.
inline QByteArray LastRequestLine(const ScriptServer &server)
{
    return server.requests().value(server.requests().size() - 1).split('\r').constFirst();
}

// A window with its own program folder, which is also the current directory
// (where the history file goes), recorded message boxes and the scripted
// server to talk to. Declared last, the window goes first when it is destroyed.
struct ScriptedWindow {
    QTemporaryDir program;
    ScriptServer server;
    RecordingBoxes boxes;
    std::unique_ptr<Form1> form;

    bool start()
    {
        openWindow();
        return program.isValid() && server.start();
    }
    // A new window in place of the old one (destroyed first), as after a restart.
    void openWindow()
    {
        form.reset();
        QDir::setCurrent(program.path());
        form = std::make_unique<Form1>(nullptr, &boxes, program.path());
    }
    // A restart with this settings file beside the program (none when null).
    bool openWindow(const QByteArray &settings)
    {
        const bool written = settings.isNull() || testdata::WriteFile(program.filePath(QStringLiteral("settei.ini")), settings);
        openWindow();
        return written;
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
        QVERIFY(w_->start());
    }
};

} // namespace window_fixture
