// The window: its designed controls, what survives a restart, the opener's
// failures, the hints and the real message box.
#include "gui/message_box.h"
#include "gui/qt_translation.h"
#include "gui/tooltip_window.h"
#include "support/window_fixture.h"

using namespace window_fixture;

class TestForm1Window : public WindowTest {
    Q_OBJECT

private Q_SLOTS:
    // Each control at its designed place (twips divided by 15; the labels of the status frame inside
    // it), as a screen reader knows it: name, description, ticked, disabled. Then the first entry
    // of a text box's edit menu: Qt's own texts are Japanese in the C locale the tests run in.
    void designedWindow()
    {
        QVERIFY(InstallJapaneseQtTexts(*qApp));
        QWidget form;
        Form1Ui ui;
        ui.setupUi(&form);
        QString seen;
        const QList<QWidget *> controls
            = form.findChildren<QWidget *>(Qt::FindDirectChildrenOnly) + ui.Frame1->findChildren<QWidget *>();
        for (QWidget *control : controls) {
            const QAccessibleInterface *a = QAccessible::queryAccessibleInterface(control);
            QDebug(&seen) << '\n'
                          << control->geometry() << a->text(QAccessible::Name)
                          << a->text(QAccessible::Description) << a->state().checked << a->state().disabled;
        }
        QDebug(&seen) << '\n' << QLineEdit::tr("&Undo");
        QCOMPARE(seen.replace(" \n", "\n").trimmed(), R"#(QRect(16,16 313x18) "URL" "" 0 0
 QRect(72,224 81x25) "ヘッダ取得" "" 0 0
 QRect(248,224 81x25) "データ取得" "" 0 0
 QRect(40,200 89x17) "リファラ自動" "" 1 0
 QRect(136,200 121x17) "クリップボード監視" "" 0 0
 QRect(264,200 65x17) "リネーム" "" 1 0
 QRect(64,176 265x18) "Referer:" "" 0 0
 QRect(160,224 81x25) "接続解放" "" 0 1
 QRect(16,40 313x129) "ヘッダ" "" 0 0
 QRect(16,179 49x17) "Referer:" "" 0 0
 QRect(16,252 313x53) "状態" "" 0 0
 QRect(0,0 100x30) "" "" 0 0
 QRect(8,32 241x17) "" "回数と進み具合" 0 0
 QRect(264,32 41x17) "" "処理中の表示" 0 0
 QRect(8,16 297x17) "" "転送の状態" 0 0
 "元に戻す(&U)")#");
    }

    // The real box shows a CR LF as one line break, with the icon asked for.
    void messageBox()
    {
        QString seen;
        QTimer::singleShot(0, [&seen] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            seen = box->text() + QString::number(box->icon());
            box->accept();
        });
        DialogMessageBoxes(nullptr).show("情報", "a\r\nb", MessageBoxes::Icon::Information);
        QCOMPARE(seen, "a\nb1");
    }

    // The settings file at start (one written by the window at its close for "close"), then what
    // the window shows: its place, the check boxes, the marks of "常に前面に表示" and
    // "ツールチップヒント", whether it stays on top, how many tip windows there are, the URL box
    // and the second status line.
    void restoredSettings_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("seen");
        testdata::AddTextRows({
            "|QPoint(0,0) Qt::Unchecked Qt::Unchecked Qt::Unchecked false false false 1 \"\" "
            "\"Header: 0 Data: 0 Fail: 0 Cancel: 0\" ",
            // A check box number other than 0, 1 or 2 keeps the designed state; the position is in
            // twips.
            "[Check]\nRef=7\nClip=2\nTopMost=true\nTipHint=True\n[Position]\nLeft=1500\n"
            "[Counter]\nGetHead=12\nFailure=3\nCancel=4\n[String]\nURL=http://example.com/a b\n|"
            "QPoint(100,0) Qt::Checked Qt::PartiallyChecked Qt::Unchecked true true true 5 "
            "\"http://example.com/a b\" \"Header: 12 Data: 0 Fail: 3 Cancel: 4\" ",
            // A window saved on a monitor that is gone opens on the primary screen.
            "[Position]\nTop=-150000\nLeft=-150000\n|QPoint(0,0) Qt::Unchecked Qt::Unchecked Qt::Unchecked "
            "false false false 1 \"\" \"Header: 0 Data: 0 Fail: 0 Cancel: 0\" ",
            // What the window held when it was closed.
            "close|QPoint(40,30) Qt::Unchecked Qt::Unchecked Qt::Unchecked true false true 1 \"typed\" "
            "\"Header: 0 Data: 0 Fail: 0 Cancel: 0\" ",
        });
    }

    void restoredSettings()
    {
        QFETCH(QString, file);
        Form1 &form = *w_->form;
        if (file == "close") {
            form.move(40, 30);
            form.ui.menuFrm->trigger();
            form.ui.Text3->setText("typed");
            QVERIFY(form.close());
        }
        QVERIFY(w_->openWindow(file == "close" ? QByteArray() : file.toUtf8()));
        const Form1Ui &ui = w_->form->ui;
        QString seen;
        QDebug(&seen) << w_->form->pos() << ui.Check2->checkState() << ui.Check1->checkState()
                      << ui.Check3->checkState() << ui.menuFrm->isChecked() << ui.menuTip->isChecked()
                      << w_->form->windowFlags().testFlag(Qt::WindowStaysOnTopHint)
                      << w_->form->findChildren<TooltipWindow *>().size() << ui.Text3->text()
                      << ui.Label4->text();
        QTEST(seen, "seen");
    }

    // The help beside the program is found from another current directory. An opener that ends
    // with a failure status, or cannot start at all, makes the user told what could not be opened.
    void openerFailures()
    {
        Form1 &form = *w_->form;
        const QString elsewhere = w_->program.filePath("elsewhere");
        QVERIFY(QDir().mkpath(elsewhere) && QDir::setCurrent(elsewhere)
            && testdata::WriteFile(w_->program.filePath("readme.txt"), "help"));
        form.opener.setProgram("false");
        form.ui.menuTxt->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(w_->boxes.shown.size(), 1, kDeadlineMs);
        form.opener.setProgram("/nonexistent/xdg-open");
        form.ui.menuDir->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(w_->boxes.texts().join('|').replace(w_->program.path(), "P"),
            "ヘルプを開けませんでした。\r\nP/readme.txt|"
            "保存フォルダを開けませんでした。\r\nP/download/",
            kDeadlineMs);
    }

    // A text of n characters in the URL box ("a"s; beyond 2,000 with a surrogate pair across the
    // 2,000th) and how often the hints command is chosen; then each tip window's first line (the URL
    // box's whole hint, the text standing for "{url}", its first 1,999 characters for "{start}") and
    // how long it stays up.
    void hints_data()
    {
        QTest::addColumn<QString>("n");
        QTest::addColumn<QString>("switched");
        QTest::addColumn<QString>("seen");
        testdata::AddTextRows({
            "55|0|[] 10000 ",
            "56|0|[URL: {url}] 10000 ",
            "56|1|[URL: {url}\r\n"
            "このフォームに URL を入力します。欠けたプロトコルはある程度補完されます。] 10000 "
            "[直前の URL でリファラが設定されます。] 10000 "
            "[URL フォームにフォーカスするだけでクリップボードの中身を貼り付けられます。] 10000 "
            "[取得したデータに同名のファイルがあるとリネームします。] 10000 "
            "[バージョン情報や主なステータスを表示します。] 10000 ",
            // Off: only the URL box keeps its hint, the long address.
            "56|2|[URL: {url}] 10000 ",
            // On again: one tip window each.
            "56|3|[URL: {url}\r\n"
            "このフォームに URL を入力します。欠けたプロトコルはある程度補完されます。] 10000 "
            "[直前の URL でリファラが設定されます。] 10000 "
            "[URL フォームにフォーカスするだけでクリップボードの中身を貼り付けられます。] 10000 "
            "[取得したデータに同名のファイルがあるとリネームします。] 10000 "
            "[バージョン情報や主なステータスを表示します。] 10000 ",
            "2100|0|[URL: {start}…] 10000 ",
        });
    }

    void hints()
    {
        QFETCH(QString, n);
        QFETCH(QString, switched);
        QString url(n.toInt(), u'a');
        if (url.size() > 2000)
            url.replace(1999, 2, "😀");
        Form1 &form = *w_->form;
        form.ui.Text3->setText(url);
        form.SetURLTip();
        for (int i = 0; i < switched.toInt(); ++i)
            form.ui.menuTip->trigger();
        QString seen;
        for (TooltipWindow *tip : form.findChildren<TooltipWindow *>()) {
            const QString text
                = tip->toolInfo(1)->text.replace(url, "{url}").replace(url.left(1999), "{start}");
            seen += '[' + (tip->parent() == form.ui.Text3 ? text : text.section("\r\n", 0, 0)) + "] "
                + QString::number(tip->delayTime(TooltipWindow::Delay::AutoPop)) + ' ';
        }
        QTEST(seen, "seen");
    }
};

QTEST_MAIN(TestForm1Window)
#include "test_form1_window.moc"
