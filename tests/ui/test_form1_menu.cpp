// The popup menu and what survives a restart: settings and history.
#include "support/window_fixture.h"

#include <QMenu>
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

    // The help file in the current directory comes first, then the one beside the program. Without a
    // desktop to open them, as here, the user is told which file or folder could not be opened.
    void openFolderAndHelp()
    {
        if (QGuiApplication::platformName() != u"offscreen")
            QSKIP("would open the files on this desktop");
        const QString elsewhere = w_->program.filePath(QStringLiteral("elsewhere"));
        const QString beside = w_->program.filePath(QStringLiteral("readme.txt"));
        const QString local = elsewhere + QStringLiteral("/readme.txt");
        QVERIFY(QDir().mkpath(elsewhere) && QDir::setCurrent(elsewhere));
        w_->form->ui.menuTxt->trigger();
        QVERIFY(testdata::WriteFile(beside, "help"));
        w_->form->ui.menuTxt->trigger();
        QVERIFY(testdata::WriteFile(local, "local help"));
        w_->form->ui.menuTxt->trigger();
        w_->form->ui.menuDir->trigger();
        const QString failed = QStringLiteral("ヘルプを開けませんでした。\r\n");
        QCOMPARE(w_->boxes.texts(),
                 QStringList({"ヘルプ (readme.txt) が見つかりません。", failed + beside, failed + local,
                              "保存フォルダを開けませんでした。\r\n" + w_->program.filePath("download/")}));
    }
};


QTEST_MAIN(TestForm1Menu)
#include "test_form1_menu.moc"
