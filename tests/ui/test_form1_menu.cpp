// The popup menu and what survives a restart: settings and history.
#include "support/window_fixture.h"

#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QWindow>
#include <QtTest>

using window_fixture::idle;
using window_fixture::kDeadlineMs;

// What the user sees of the restored settings, in one line. Check boxes as Qt numbers
// their states: 0 unticked, 1 greyed, 2 ticked; then the two menu marks and whether
// the window stays on top.
static QString Describe(const Form1 &form)
{
    const auto n = [](int value) { return QString::number(value); };
    return QStringLiteral("%1,%2 %3%4%5 %6%7%8 [%9] %10")
        .arg(n(form.x()), n(form.y()), n(form.ui.Check2->checkState()), n(form.ui.Check1->checkState()),
             n(form.ui.Check3->checkState()), n(form.ui.menuFrm->isChecked()), n(form.ui.menuTip->isChecked()),
             n(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint)), form.ui.Text3->text())
        .arg(form.ui.Label4->text());
}

class TestForm1Menu : public QObject {
    Q_OBJECT

    std::unique_ptr<window_fixture::ScriptedWindow> w_;

private Q_SLOTS:
    void init()
    {
        w_ = std::make_unique<window_fixture::ScriptedWindow>();
        QVERIFY(w_->start());
    }

    void popup_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("opens");
        for (const char *target : {"Form1", "Frame1", "Label1", "Label2", "Label4"})
            QTest::addRow("right on %s", target) << target << int(Qt::RightButton) << true;
        QTest::newRow("left on Label4") << "Label4" << int(Qt::LeftButton) << false;
        QTest::newRow("right on Label11") << "Label11" << int(Qt::RightButton) << false;
    }

    void popup()
    {
        QFETCH(QString, target);
        QFETCH(int, button);
        QFETCH(bool, opens);
        Form1 &form = *w_->form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QWidget *widget = window_fixture::Control(form, target);
        // Clear of the window's controls and of the labels inside the frame.
        const QPoint at(5, 5);
        QTest::mousePress(widget, Qt::MouseButton(button), {}, at);
        QVERIFY(!form.ui.menuTop->isVisible()); // never on the press
        QTest::mouseRelease(widget, Qt::MouseButton(button), {}, at);
        QCOMPARE(form.ui.menuTop->isVisible(), opens);
        if (opens)
            QCOMPARE(form.ui.menuTop->geometry().topLeft(), widget->mapToGlobal(at));
    }

    // A key on a focused control, then which menu is open (the popup, the control's own edit
    // menu or none), where the focus is and how often "ヘッダ取得" was pressed.
    void keyboard_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        testdata::AddTextRows({"Command1|Shift+F10|popup Command1 0", "Check3|Menu|popup Check3 0",
                               "Text2|Menu|popup Text2 0", "Text2|Shift+F10|popup Text2 0",
                               "Text3|Shift+F10|edit Text3 0", "Text1|Menu|edit Text1 0",
                               "Text2|Tab|none Text3 0", "Text2|Shift+Tab|none Text1 0", "Text2|A|none Text2 0",
                               "Command1|Return|none Command1 1", "Command1|Enter|none Command1 1",
                               "Command4|Space|none Command4 0", "Command1|F10|none Command1 0"});
    }

    void keyboard()
    {
        QFETCH(QString, control);
        QFETCH(QString, key);
        Form1 &form = *w_->form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        const QMap<QString, QWidget *> controls = window_fixture::Controls(form);
        QWidget *focused = controls[control];
        focused->setFocus();
        form.ui.Text2->setPlainText(QStringLiteral("ヘッダ"));
        QSignalSpy pressed(form.ui.Command1, &QPushButton::clicked);
        const QKeyCombination combination = QKeySequence(key)[0];
        QTest::keyClick(focused, combination.key(), combination.keyboardModifiers());
        QMenu *edit = focused->findChild<QMenu *>();
        const QString menu = form.ui.menuTop->isVisible() ? "popup" : edit && edit->isVisible() ? "edit" : "none";
        QTEST(menu + u' ' + controls.key(form.focusWidget()) + u' ' + QString::number(pressed.size()), "expected");
        if (form.ui.menuTop->isVisible())
            QVERIFY(QRect(focused->mapToGlobal(QPoint()), focused->size()).contains(form.ui.menuTop->pos()));
        QCOMPARE(form.ui.Text2->toPlainText(), key == "A" ? "aヘッダ" : "ヘッダ"); // typed at the start
    }

    void restoredSettings_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("seen"); // position, check boxes, marks, URL box, second status line

        QTest::newRow("first start") << QByteArray() << "0,0 000 000 [] Header: 0 Data: 0 Fail: 0 Cancel: 0";
        // A check box number other than 0, 1 or 2 keeps the designed state; the position is in twips.
        QTest::newRow("saved") << QByteArray("[Check]\nRef=7\nClip=2\nTopMost=true\n[Position]\nLeft=1500\n[Counter]\n"
                                             "GetHead=12\nFailure=3\nCancel=4\n[String]\nURL=http://example.com/a b\n")
                               << "100,0 210 101 [http://example.com/a b] Header: 12 Data: 0 Fail: 3 Cancel: 4";
        QTest::newRow("on no screen") << QByteArray("[Position]\nTop=-150000\nLeft=-150000\n[Check]\nRef=1\nTopMost=0\n")
                                      << "0,0 200 000 [] Header: 0 Data: 0 Fail: 0 Cancel: 0";
    }

    void restoredSettings()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, seen);
        QVERIFY(w_->openWindow(file));
        QCOMPARE(Describe(*w_->form), seen);
    }

    void startCloseStartRestoresEverything()
    {
        Form1 &form = *w_->form;
        form.move(40, 30);
        form.ui.Check2->setCheckState(Qt::PartiallyChecked);
        form.ui.Check1->setChecked(true);
        form.ui.Check3->setChecked(false);
        form.menuTip_Click();
        form.ui.Text3->setText(QStringLiteral("http://例え.jp/a b"));
        form.lngCountHead = 2147483647;
        form.lngCountCancel = 5;
        QVERIFY(form.close());

        w_->openWindow();
        QCOMPARE(Describe(*w_->form), "40,30 120 010 [http://例え.jp/a b] Header: 2147483647 Data: 0 Fail: 0 Cancel: 5");
    }

    void alwaysOnTopTwice()
    {
        Form1 &form = *w_->form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const WId window = form.winId();
        // Changed in place each time: the window is neither hidden nor re-created.
        for (const char *state : {"1 1 1 1", "0 0 1 1"}) {
            form.ui.menuFrm->trigger();
            QCOMPARE(QStringLiteral("%1 %2 %3 %4").arg(form.ui.menuFrm->isChecked()).arg(form.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint))
                         .arg(form.isVisible()).arg(form.winId() == window), QString::fromLatin1(state));
        }
    }

    // A fetch answered 200 is offered in the submenu from the next opening of the popup on.
    void historySubmenu()
    {
        Form1 &form = *w_->form;
        QVERIFY(testdata::WriteFile(QStringLiteral("rireki.txt"), "http://a.example/&b\r\n\r\n"));
        w_->server.setScript(ScriptServer::Reply("200 OK", "Content-Length: 0\r\n"));
        const QString url = w_->server.url(QStringLiteral("/page"));
        form.ui.Text3->setText(url);
        form.Command1_Click();
        QTRY_VERIFY_WITH_TIMEOUT(idle(form) && form.lngCountHead == 1, kDeadlineMs);

        form.ui.menuTop->popup(QPoint(0, 0));
        QStringList captions;
        for (const QAction *action : form.ui.menuHst->actions())
            captions << (action->isVisible() ? action->text() : QString());
        QCOMPARE(captions, QStringList({QString(), "1.http://a.example/&&b", "3." + url}));
    }

    void openFolderAndHelp_data()
    {
        QTest::addColumn<QString>("opener");
        QTest::addColumn<QString>("boxes"); // P stands for the program folder
        const QString failed = "ヘルプ (readme.txt) が見つかりません。|ヘルプを開けませんでした。\r\nP/readme.txt|"
                               "ヘルプを開けませんでした。\r\nP/elsewhere/readme.txt|保存フォルダを開けませんでした。\r\nP/download/";
        QTest::newRow("opener fails") << "false" << failed;
        QTest::newRow("no opener") << "/nonexistent/xdg-open" << failed;
        QTest::newRow("opened") << "true" << "ヘルプ (readme.txt) が見つかりません。";
    }

    // The help file in the current directory comes first, then the one beside the program. An opener
    // that cannot start or ends with a failure status makes the user told what could not be opened.
    void openFolderAndHelp()
    {
        QFETCH(QString, opener);
        QFETCH(QString, boxes);
        Form1 &form = *w_->form;
        form.opener.setProgram(opener);
        // Each opener has ended before the next command.
        const auto trigger = [&form](QAction *item) {
            item->trigger();
            return QTest::qWaitFor([&form] { return form.opener.findChildren<QProcess *>().isEmpty(); }, kDeadlineMs);
        };
        const QString elsewhere = w_->program.filePath(QStringLiteral("elsewhere"));
        QVERIFY(QDir().mkpath(elsewhere) && QDir::setCurrent(elsewhere));
        QVERIFY(trigger(form.ui.menuTxt));
        QVERIFY(testdata::WriteFile(w_->program.filePath(QStringLiteral("readme.txt")), "help"));
        QVERIFY(trigger(form.ui.menuTxt));
        QVERIFY(testdata::WriteFile(elsewhere + QStringLiteral("/readme.txt"), "local help"));
        QVERIFY(trigger(form.ui.menuTxt));
        QVERIFY(trigger(form.ui.menuDir));
        QCOMPARE(w_->boxes.texts().join(u'|').replace(w_->program.path(), QStringLiteral("P")), boxes);
    }
};


QTEST_MAIN(TestForm1Menu)
#include "test_form1_menu.moc"
