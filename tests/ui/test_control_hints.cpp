// The hover hints of the window's controls, on the window's real layout.
#include "ui/control_hints.h"
#include "ui/form1_ui.h"
#include "ui/tooltip_window.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

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

} // namespace

class TestControlHints : public QObject {
    Q_OBJECT

private Q_SLOTS:
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

void TestControlHints::init()
{
    form_ = std::make_unique<QWidget>();
    ui_.setupUi(form_.get());
    hints_ = std::make_unique<ControlHints>(HintControls{ui_.Check2, ui_.Check1, ui_.Check3, ui_.Frame1, ui_.Text3});
}

void TestControlHints::cleanup()
{
    hints_.reset();
    form_.reset();
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
    const QList<QWidget *> hinted{ui_.Check2, ui_.Check1, ui_.Check3, ui_.Frame1, ui_.Text3};
    const auto tipCounts = [&hinted] {
        QList<qsizetype> counts;
        for (const QWidget *control : hinted)
            counts << tipsOf(control).size();
        return counts;
    };
    hints_->SetURLTip(false);
    hints_->SetToolTips(true);
    QCOMPARE(tipCounts(), QList<qsizetype>(5, 1));
    hints_->ClearToolTips();
    hints_->SetURLTip(false);
    QCOMPARE(tipCounts(), (QList<qsizetype>{0, 0, 0, 0, 1}));
    hints_->SetToolTips(true);
    QCOMPARE(tipCounts(), QList<qsizetype>(5, 1));
    qsizetype topLevelTips = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        topLevelTips += qobject_cast<TooltipWindow *>(widget) ? 1 : 0;
    QCOMPARE(topLevelTips, 5);

    const TooltipWindow *tip = tipsOf(ui_.Frame1)[0];
    QCOMPARE(tip->maxTipWidth(), 1024);
    QCOMPARE(tip->delayTime(TooltipWindow::Delay::Initial), 0);
    QCOMPARE(tip->delayTime(TooltipWindow::Delay::AutoPop), 10000);
    QCOMPARE(tip->margin(), QMargins(5, 5, 5, 5));
}

void TestControlHints::hoverShowsHint_data()
{
    QTest::addColumn<QString>("over");
    QTest::addColumn<QString>("hinted");
    QTest::addColumn<QString>("hint");
    const QString status = QStringLiteral(
        "バージョン情報や主なステータスを表示します。\r\nHeader : ヘッダを取得した回数\r\n"
        "Data : データを取得した回数\r\nFail : データ取得に失敗した回数\r\n"
        "Cancel : 現在の接続を中断した回数");
    QTest::newRow("Check2") << "Check2" << "Check2"
                            << QStringLiteral("直前の URL でリファラが設定されます。\r\n"
                                              "チェックを外すと手動で設定ができます。");
    QTest::newRow("Check1") << "Check1" << "Check1"
                            << QStringLiteral("URL フォームにフォーカスするだけでクリップボードの中身を貼り付けられます。\r\n"
                                              "チェックを外すと何もしません。");
    QTest::newRow("Check3") << "Check3" << "Check3"
                            << QStringLiteral("取得したデータに同名のファイルがあるとリネームします。\r\n"
                                              "チェックを外すとデータは上書きされます。");
    QTest::newRow("Label1") << "Label1" << "Frame1" << status;
    QTest::newRow("Label2") << "Label2" << "Frame1" << status;
    QTest::newRow("Label4") << "Label4" << "Frame1" << status;
}

void TestControlHints::hoverShowsHint()
{
    QFETCH(QString, over);
    QFETCH(QString, hinted);
    const auto control = [this](const QString &name) -> QWidget * {
        const QHash<QString, QWidget *> controls{{"Check2", ui_.Check2}, {"Check1", ui_.Check1},
                                                 {"Check3", ui_.Check3}, {"Frame1", ui_.Frame1},
                                                 {"Label1", ui_.Label1}, {"Label2", ui_.Label2},
                                                 {"Label4", ui_.Label4}};
        return controls.value(name);
    };
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    hints_->SetToolTips(true);
    QTest::mouseMove(control(over));
    const TooltipWindow *tip = tipsOf(control(hinted))[0];
    QTRY_VERIFY(tip->isVisible());
    QTEST(tip->shownText(), "hint");
}

QTEST_MAIN(TestControlHints)
#include "test_control_hints.moc"
