// The hover hints of the window's controls, on the window's real layout.
#include "ui/control_hints.h"
#include "ui/form1_ui.h"
#include "ui/tooltip_window.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

const QString kHelp = QStringLiteral("このフォームに URL を入力します。欠けたプロトコルはある程度補完されます。");

// An address of exactly length characters.
QString urlOfLength(int length)
{
    const QString start = QStringLiteral("http://example.com/");
    return start + QString(length - start.size(), u'a');
}

QList<TooltipWindow *> tipsOf(const QWidget *control)
{
    return control->findChildren<TooltipWindow *>(Qt::FindDirectChildrenOnly);
}

// The control of every tip window in the application, sorted.
QList<QWidget *> tipTargets()
{
    QList<QWidget *> targets;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (qobject_cast<TooltipWindow *>(widget))
            targets << widget->parentWidget();
    std::sort(targets.begin(), targets.end());
    return targets;
}

} // namespace

class TestControlHints : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void urlHint_data();
    void urlHint();
    void switchingOffAndOnKeepsOneTipPerControl();
    void hoverShowsHint_data();
    void hoverShowsHint();

private:
    std::unique_ptr<QWidget> form_;
    Form1Ui ui_;
    std::unique_ptr<ControlHints> hints_;
};

void TestControlHints::initTestCase()
{
    form_ = std::make_unique<QWidget>();
    ui_.setupUi(form_.get());
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

void TestControlHints::init()
{
    hints_ = std::make_unique<ControlHints>(HintControls{ui_.Check2, ui_.Check1, ui_.Check3, ui_.Frame1, ui_.Text3});
}

void TestControlHints::cleanup()
{
    hints_.reset();
}

void TestControlHints::urlHint_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("hintsOn");
    QTest::addColumn<QString>("hint");
    const QString url55 = urlOfLength(55);
    const QString url56 = urlOfLength(56);
    QTest::newRow("55, off") << url55 << false << QString();
    QTest::newRow("55, on") << url55 << true << kHelp;
    QTest::newRow("56, off") << url56 << false << QStringLiteral("URL: ") + url56;
    QTest::newRow("56, on") << url56 << true << QStringLiteral("URL: ") + url56 + QStringLiteral("\r\n") + kHelp;
    QTest::newRow("empty, on") << QString() << true << kHelp;
    // Length counts UTF-16 code units: 54 of them plus one pair make 56.
    const QString paired = urlOfLength(54) + QStringLiteral("\U0001F600");
    QTest::newRow("surrogate pair, off") << paired << false << QStringLiteral("URL: ") + paired;
}

void TestControlHints::urlHint()
{
    QFETCH(QString, url);
    QFETCH(bool, hintsOn);
    ui_.Text3->setText(url);
    hints_->SetURLTip(hintsOn);
    const QList<TooltipWindow *> tips = tipsOf(ui_.Text3);
    QCOMPARE(tips.size(), 1);
    QTEST(tips[0]->toolInfo(1)->text, "hint");
}

void TestControlHints::switchingOffAndOnKeepsOneTipPerControl()
{
    QList<QWidget *> hinted{ui_.Check2, ui_.Check1, ui_.Check3, ui_.Frame1, ui_.Text3};
    std::sort(hinted.begin(), hinted.end());
    hints_->SetURLTip(false);
    hints_->SetToolTips(true);
    QCOMPARE(tipTargets(), hinted);
    hints_->ClearToolTips();
    hints_->SetURLTip(false);
    QCOMPARE(tipTargets(), QList<QWidget *>{ui_.Text3});
    hints_->SetToolTips(true);
    QCOMPARE(tipTargets(), hinted);

    const TooltipWindow *tip = tipsOf(ui_.Frame1)[0];
    QCOMPARE(tip->maxTipWidth(), 1024);
    QCOMPARE(tip->delayTime(TooltipWindow::Delay::Initial), 0);
    QCOMPARE(tip->delayTime(TooltipWindow::Delay::AutoPop), 10000);
    QCOMPARE(tip->margin(), QMargins(5, 5, 5, 5));
}

void TestControlHints::hoverShowsHint_data()
{
    QTest::addColumn<QWidget *>("over");
    QTest::addColumn<QString>("hint");
    const QString status = QStringLiteral(
        "バージョン情報や主なステータスを表示します。\r\nHeader : ヘッダを取得した回数\r\n"
        "Data : データを取得した回数\r\nFail : データ取得に失敗した回数\r\n"
        "Cancel : 現在の接続を中断した回数");
    QTest::newRow("Check2") << static_cast<QWidget *>(ui_.Check2)
                            << QStringLiteral("直前の URL でリファラが設定されます。\r\n"
                                              "チェックを外すと手動で設定ができます。");
    QTest::newRow("Check1") << static_cast<QWidget *>(ui_.Check1)
                            << QStringLiteral("URL フォームにフォーカスするだけでクリップボードの中身を貼り付けられます。\r\n"
                                              "チェックを外すと何もしません。");
    QTest::newRow("Check3") << static_cast<QWidget *>(ui_.Check3)
                            << QStringLiteral("取得したデータに同名のファイルがあるとリネームします。\r\n"
                                              "チェックを外すとデータは上書きされます。");
    // The labels lie inside the status frame.
    QTest::newRow("Label1") << static_cast<QWidget *>(ui_.Label1) << status;
    QTest::newRow("Label2") << static_cast<QWidget *>(ui_.Label2) << status;
    QTest::newRow("Label4") << static_cast<QWidget *>(ui_.Label4) << status;
}

void TestControlHints::hoverShowsHint()
{
    QFETCH(QWidget *, over);
    hints_->SetToolTips(true);
    QTest::mouseMove(over);
    const auto shownTip = [] {
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (widget->isVisible() && qobject_cast<TooltipWindow *>(widget))
                return static_cast<TooltipWindow *>(widget)->shownText();
        return QString();
    };
    QTRY_VERIFY(!shownTip().isEmpty());
    QTEST(shownTip(), "hint");
}

QTEST_MAIN(TestControlHints)
#include "test_control_hints.moc"
