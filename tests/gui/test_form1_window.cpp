// The window: its designed controls, the popup menu and the keyboard, what
// survives a restart (settings, history), the hover hints and the real
// message box.
#include "gui/qt_translation.h"
#include "support/window_fixture.h"
#include "gui/message_box.h"
#include "gui/tooltip_window.h"

#include <QAccessible>
#include <QDialogButtonBox>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QWindow>
#include <QtTest>

using namespace Qt::StringLiterals;
using window_fixture::Controls;
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

const QString kHelp = u"このフォームに URL を入力します。欠けたプロトコルはある程度補完されます。"_s;
// One character more than the URL box is read without a hint.
const QString kLongURL = "http://example.com/"_L1 + QString(37, u'a');

class TestForm1Window : public window_fixture::WindowTest {
    Q_OBJECT

private Q_SLOTS:
    // The designed twips divided by 15; the labels of the status frame are placed inside it.
    // Designed states: the check boxes, the release button disabled until a request runs.
    void designedWindow()
    {
        QWidget form;
        Form1Ui ui;
        ui.setupUi(&form);
        const QList<std::pair<QWidget *, QRect>> designed = {
            {ui.Text3, {16, 16, 313, 18}}, {ui.Text2, {16, 40, 313, 129}}, {ui.Label11, {16, 179, 49, 17}},
            {ui.Text1, {64, 176, 265, 18}}, {ui.Check2, {40, 200, 89, 17}}, {ui.Check1, {136, 200, 121, 17}},
            {ui.Check3, {264, 200, 65, 17}}, {ui.Command1, {72, 224, 81, 25}}, {ui.Command2, {160, 224, 81, 25}},
            {ui.Command4, {248, 224, 81, 25}}, {ui.Frame1, {16, 252, 313, 53}}, {ui.Label1, {8, 16, 297, 17}},
            {ui.Label4, {8, 32, 241, 17}}, {ui.Label2, {264, 32, 41, 17}}};
        for (const auto &[control, pixels] : designed)
            QCOMPARE(control->geometry(), pixels);
        QCOMPARE(form.size(), QSize(345, 314));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QString captions; // "+" ticked, "-" disabled
        for (const QAbstractButton *button : std::initializer_list<QAbstractButton *>{ui.Check2, ui.Check1, ui.Check3, ui.Command1, ui.Command2, ui.Command4})
            captions += button->text() + (button->isChecked() ? "+" : "") + (button->isEnabled() ? "|" : "-|");
        QCOMPARE(captions + ui.Label11->text(), u"リファラ自動+|クリップボード監視|リネーム+|ヘッダ取得|接続解放-|データ取得|Referer:"_s);

        // What a screen reader says of the controls that show no caption of their own: name, description.
        ui.Label1->setText(QStringLiteral("接続しました。"));
        QStringList heard;
        for (QWidget *control : QList<QWidget *>{ui.Text3, ui.Text2, ui.Text1, ui.Frame1, ui.Label1, ui.Label4, ui.Label2}) {
            const QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(control);
            heard << accessible->text(QAccessible::Name) + u'/' + accessible->text(QAccessible::Description);
        }
        QCOMPARE(heard.join(u'|'), QStringLiteral("URL/|ヘッダ/|Referer:/|状態/|接続しました。/転送の状態|/回数と進み具合|/処理中の表示"));

        // Every state message can be read in full in the state line.
        const QFontMetrics metrics(ui.Label1->font());
        const QString longest = QStringLiteral("指定されたホストコンピュータのIPアドレスを見つけました。");
        QVERIFY(metrics.horizontalAdvance(longest) <= ui.Label1->contentsRect().width());
    }

    // Qt's own texts are Japanese in the C locale the tests run in.
    void qtTextsInJapanese()
    {
        QVERIFY(InstallJapaneseQtTexts(*QCoreApplication::instance()));
        QLineEdit box;
        const std::unique_ptr<QMenu> edit(box.createStandardContextMenu());
        QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QCOMPARE(edit->actions().constFirst()->text() + u'|' + buttons.button(QDialogButtonBox::Cancel)->text(),
                 QStringLiteral("元に戻す(&U)\tCtrl+Z|キャンセル"));
    }

    void messageBoxShowsCrLfAsTwoLines()
    {
        DialogMessageBoxes boxes(nullptr);
        QString seen;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            seen = box->windowTitle() + u'|' + box->text() + u'|' + QString::number(int(box->icon()));
            box->accept();
        });
        boxes.show(QStringLiteral("情報"), QStringLiteral("データ取得を完了しました。\r\n平均転送速度: N/A"),
                   MessageBoxes::Icon::Information);
        QCOMPARE(seen, QStringLiteral("情報|データ取得を完了しました。\n平均転送速度: N/A|%1").arg(int(QMessageBox::Information)));
    }

    // A click at (5, 5), clear of the labels inside the frame, or a key on a focused control; then which
    // menu is open (the popup, the control's own edit menu or none), where the focus is and how often
    // "ヘッダ取得" was pressed.
    void menus_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("input"); // "Right" or "Left" for a mouse button, else a key
        QTest::addColumn<QString>("expected");
        testdata::AddTextRows({"Form1|Right|popup Text3 0", "Frame1|Right|popup Text3 0", "Label1|Right|popup Text3 0",
                               "Label2|Right|popup Text3 0", "Label4|Right|popup Text3 0", "Label4|Left|none Text3 0",
                               "Label11|Right|none Text3 0", "Command1|Shift+F10|popup Command1 0", "Check3|Menu|popup Check3 0",
                               "Text2|Menu|popup Text2 0", "Text2|Shift+F10|popup Text2 0",
                               "Text3|Shift+F10|edit Text3 0", "Text1|Menu|edit Text1 0",
                               "Text2|Tab|none Text3 0", "Text2|Shift+Tab|none Text1 0", "Text2|A|none Text2 0",
                               "Command1|Return|none Command1 1", "Command1|Enter|none Command1 1",
                               "Command4|Space|none Command4 0", "Command1|F10|none Command1 0"});
    }

    void menus()
    {
        QFETCH(QString, control);
        QFETCH(QString, input);
        Form1 &form = *w_->form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        const QMap<QString, QWidget *> controls = Controls(form);
        QWidget *target = controls[control];
        form.ui.Text2->setPlainText(QStringLiteral("ヘッダ"));
        QSignalSpy pressed(form.ui.Command1, &QPushButton::clicked);
        const bool mouse = input == u"Right" || input == u"Left";
        const QPoint at(5, 5);
        if (mouse) {
            const Qt::MouseButton button = input == u"Right" ? Qt::RightButton : Qt::LeftButton;
            QTest::mousePress(target, button, {}, at);
            QVERIFY(!form.ui.menuTop->isVisible()); // never on the press
            QTest::mouseRelease(target, button, {}, at);
        } else {
            target->setFocus();
            const QKeyCombination combination = QKeySequence(input)[0];
            QTest::keyClick(target, combination.key(), combination.keyboardModifiers());
        }
        QMenu *edit = target->findChild<QMenu *>();
        const QString menu = form.ui.menuTop->isVisible() ? "popup" : edit && edit->isVisible() ? "edit" : "none";
        QTEST(menu + u' ' + controls.key(form.focusWidget()) + u' ' + QString::number(pressed.size()), "expected");
        const QPoint shown = form.ui.menuTop->pos();
        if (form.ui.menuTop->isVisible()) // at the pointer, or over the control
            QVERIFY(mouse ? shown == target->mapToGlobal(at) : QRect(target->mapToGlobal(QPoint()), target->size()).contains(shown));
        QCOMPARE(form.ui.Text2->toPlainText(), input == "A" ? "aヘッダ" : "ヘッダ"); // typed at the start
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
        // What the window held when it was closed, after a new start.
        QTest::newRow("saved at the close") << QByteArray("close") << "40,30 120 010 [http://例え.jp/a b] Header: 2147483647 Data: 0 Fail: 0 Cancel: 5";
    }

    void restoredSettings()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, seen);
        if (file == "close") {
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
            file.clear();
        }
        QVERIFY(w_->openWindow(file));
        QCOMPARE(Describe(*w_->form), seen);
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

    void hover_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("shown");
        testdata::AddTextRows({"Check2|直前の URL でリファラが設定されます。\r\nチェックを外すと手動で設定ができます。",
                               "Check1|URL フォームにフォーカスするだけでクリップボードの中身を貼り付けられます。\r\nチェックを外すと何もしません。",
                               "Check3|取得したデータに同名のファイルがあるとリネームします。\r\nチェックを外すとデータは上書きされます。"});
        // The status frame's hint shows over the labels inside it as well.
        const QString status = u"バージョン情報や主なステータスを表示します。\r\nHeader : ヘッダを取得した回数\r\n"
                               u"Data : データを取得した回数\r\nFail : データ取得に失敗した回数\r\n"
                               u"Cancel : 現在の接続を中断した回数"_s;
        for (const char *control : {"Frame1", "Label1", "Label2", "Label4"})
            QTest::newRow(control) << control << status;
        QTest::newRow("Text3") << "Text3" << "URL: "_L1 + kLongURL + "\r\n"_L1 + kHelp;
    }

    // Hints switched on in the settings file are there from the start, and
    // show at once for ten seconds.
    void hover()
    {
        QFETCH(QString, control);
        QFETCH(QString, shown);
        QVERIFY(w_->openWindow("[Check]\nTipHint=True\n[String]\nURL=" + kLongURL.toLatin1()));
        Form1 &form = *w_->form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QWidget *const hovered = Controls(form)[control];
        QTest::mouseMove(hovered, QPoint(3, 3));
        const auto *tip = (control.startsWith(u"Label") ? form.ui.Frame1 : hovered)->findChild<TooltipWindow *>();
        QVERIFY(tip);
        QTRY_COMPARE(tip->isVisible() ? tip->shownText() : QString(), shown);
        const QMargins m = tip->margin();
        QCOMPARE(QStringLiteral("%1 %2 %3 %4,%5,%6,%7").arg(tip->maxTipWidth()).arg(tip->delayTime(TooltipWindow::Delay::Initial))
                     .arg(tip->delayTime(TooltipWindow::Delay::AutoPop)).arg(m.left()).arg(m.top()).arg(m.right()).arg(m.bottom()),
                 u"1024 0 10000 5,5,5,5"_s);
        QTest::mouseMove(&form, QPoint(340, 310)); // off the controls again: the next window opens here
    }

    void hintsSwitch_data()
    {
        QTest::addColumn<QString>("url");   // in the URL box at start
        QTest::addColumn<QString>("saved"); // the hints switch in the settings file
        QTest::addColumn<int>("switched");  // times the hints command is chosen after start
        // How many tip windows Check2, Check1, Check3, Frame1 and the URL box have, then the URL box's hint.
        QTest::addColumn<QString>("state");
        const QString url55 = kLongURL.chopped(1);
        const QString on = "11111 [URL: "_L1 + kLongURL + "\r\n"_L1 + kHelp + u']';
        QTest::newRow("55 characters") << url55 << "False" << 0 << "00001 []";
        QTest::newRow("56 characters") << kLongURL << "False" << 0 << "00001 [URL: " + kLongURL + ']';
        // 54 UTF-16 units and a pair make 56.
        QTest::newRow("surrogate pair") << url55.chopped(1) + u"😀"_s << "False" << 0 << "00001 [URL: " + url55.chopped(1) + u"😀]"_s;
        QTest::newRow("on at start") << kLongURL << "True" << 0 << on;
        // Off: only the URL box keeps its hint, the long address.
        QTest::newRow("switched off") << kLongURL << "True" << 1 << "00001 [URL: " + kLongURL + ']';
        QTest::newRow("off and on again: one tip each") << kLongURL << "True" << 2 << on;
        QTest::newRow("switched on, 55 characters") << url55 << "False" << 1 << "11111 [" + kHelp + u']';
    }

    void hintsSwitch()
    {
        QFETCH(QString, url);
        QFETCH(QString, saved);
        QFETCH(int, switched);
        QVERIFY(w_->openWindow(("[Check]\nTipHint=" + saved + "\n[String]\nURL=" + url + '\n').toUtf8()));
        Form1 &form = *w_->form;
        for (int i = 0; i < switched; ++i)
            form.ui.menuTip->trigger();
        QString seen;
        for (const char *control : {"Check2", "Check1", "Check3", "Frame1", "Text3"})
            seen += QString::number(Controls(form)[control]->findChildren<TooltipWindow *>(Qt::FindDirectChildrenOnly).size());
        const TooltipWindow *urlTip = form.ui.Text3->findChild<TooltipWindow *>(QString(), Qt::FindDirectChildrenOnly);
        QTEST(seen + " ["_L1 + (urlTip ? urlTip->toolInfo(1)->text : QString()) + u']', "state");
    }
};

QTEST_MAIN(TestForm1Window)
#include "test_form1_window.moc"
