// The hover hints of the window's controls: their texts, and which of them
// the hints switch leaves in place.
#include "support/window_fixture.h"
#include "ui/tooltip_window.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using window_fixture::Control;

const QString kHelp = u"このフォームに URL を入力します。欠けたプロトコルはある程度補完されます。"_s;
// One character more than the URL box is read without a hint.
const QString kLongURL = "http://example.com/"_L1 + QString(37, u'a');

class TestControlHints : public QObject {
    Q_OBJECT

    // One program folder for all; every case starts a new window in it.
    window_fixture::ScriptedWindow w_;

private Q_SLOTS:
    void hover_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Check2") << "Check2" << u"直前の URL でリファラが設定されます。\r\nチェックを外すと手動で設定ができます。"_s;
        QTest::newRow("Check1") << "Check1"
                                << u"URL フォームにフォーカスするだけでクリップボードの中身を貼り付けられます。\r\n"
                                   u"チェックを外すと何もしません。"_s;
        QTest::newRow("Check3") << "Check3"
                                << u"取得したデータに同名のファイルがあるとリネームします。\r\nチェックを外すとデータは上書きされます。"_s;
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
        QVERIFY(w_.openWindow("[Check]\nTipHint=True\n[String]\nURL=" + kLongURL.toLatin1()));
        Form1 &form = *w_.form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QWidget *const hovered = Control(form, control);
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
        QVERIFY(w_.openWindow(("[Check]\nTipHint=" + saved + "\n[String]\nURL=" + url + '\n').toUtf8()));
        Form1 &form = *w_.form;
        for (int i = 0; i < switched; ++i)
            form.ui.menuTip->trigger();
        QString seen;
        for (const char *control : {"Check2", "Check1", "Check3", "Frame1", "Text3"})
            seen += QString::number(Control(form, control)->findChildren<TooltipWindow *>(Qt::FindDirectChildrenOnly).size());
        const TooltipWindow *urlTip = form.ui.Text3->findChild<TooltipWindow *>(QString(), Qt::FindDirectChildrenOnly);
        QTEST(seen + " ["_L1 + (urlTip ? urlTip->toolInfo(1)->text : QString()) + u']', "state");
    }
};

QTEST_MAIN(TestControlHints)
#include "test_control_hints.moc"
