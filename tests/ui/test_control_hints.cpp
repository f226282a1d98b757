// The hover hints of the window's controls, on the window's real layout.
#include "ui/control_hints.h"
#include "ui/form1_ui.h"
#include "ui/tooltip_window.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

using namespace Qt::StringLiterals;

const QString kHelp = u"このフォームに URL を入力します。欠けたプロトコルはある程度補完されます。"_s;

class TestControlHints : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void urlTipText_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("hintsOn");
        QTest::addColumn<QString>("hint");
        const QString url55 = "http://example.com/"_L1 + QString(36, u'a');
        const QString url56 = url55 + u'a';
        const QString paired = url55.chopped(1) + u"😀"_s; // 54 UTF-16 units and a pair make 56
        QTest::newRow("55, off") << url55 << false << QString();
        QTest::newRow("55, on") << url55 << true << kHelp;
        QTest::newRow("56, off") << url56 << false << "URL: "_L1 + url56;
        QTest::newRow("56, on") << url56 << true << "URL: "_L1 + url56 + "\r\n"_L1 + kHelp;
        QTest::newRow("surrogate pair, off") << paired << false << "URL: "_L1 + paired;
    }

    void urlTipText()
    {
        QFETCH(QString, url);
        QFETCH(bool, hintsOn);
        QTEST(hints::URLTipText(url, hintsOn), "hint");
    }

    void hintsOfTheWindow()
    {
        QWidget form;
        Form1Ui ui;
        ui.setupUi(&form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ControlHints hints(HintControls{ui.Check2, ui.Check1, ui.Check3, ui.Frame1, ui.Text3});
        // The text of the control's one tip, or how many tips it has.
        const auto hint = [](QWidget *control) {
            const auto tips = control->findChildren<TooltipWindow *>(Qt::FindDirectChildrenOnly);
            return tips.size() == 1 ? tips[0]->toolInfo(1)->text : QString::number(tips.size());
        };
        hints.SetURLTip(false);
        hints.SetToolTips(true);
        QCOMPARE(hint(ui.Text3), kHelp);
        // Each check box and the status frame hint at what they are for.
        const QList<std::pair<QWidget *, QString>> topics = {{ui.Check2, u"リファラ"_s}, {ui.Check1, u"クリップボード"_s},
                                                             {ui.Check3, u"リネーム"_s}, {ui.Frame1, u"ステータス"_s}};
        for (const auto &[control, topic] : topics)
            QVERIFY2(hint(control).contains(topic), qPrintable(hint(control)));

        const TooltipWindow *tip = ui.Frame1->findChild<TooltipWindow *>();
        QCOMPARE(tip->maxTipWidth(), 1024);
        QCOMPARE(tip->delayTime(TooltipWindow::Delay::Initial), 0);
        QCOMPARE(tip->delayTime(TooltipWindow::Delay::AutoPop), 10000);
        QCOMPARE(tip->margin(), QMargins(5, 5, 5, 5));
        // The status hint shows over the labels inside the frame as well.
        QTest::mouseMove(ui.Label1);
        QTRY_COMPARE(tip->shownText(), hint(ui.Frame1));
        QVERIFY(tip->isVisible());
        hints.ClearToolTips();
        QCOMPARE(hint(ui.Check2) + hint(ui.Frame1) + hint(ui.Text3), u"000"_s);
    }
};

QTEST_MAIN(TestControlHints)
#include "test_control_hints.moc"
