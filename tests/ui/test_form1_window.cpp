// The window as it is built: the designed places and states of its controls,
// and the real message box.
#include "app/qt_translation.h"
#include "ui/form1_ui.h"
#include "ui/message_box.h"

#include <QAccessible>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

class TestForm1Window : public QObject {
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
        QVERIFY(ui.Check2->isChecked() && !ui.Check1->isChecked() && ui.Check3->isChecked());
        QVERIFY(ui.Command1->isEnabled() && !ui.Command2->isEnabled() && ui.Command4->isEnabled());
        const QStringList captions = {ui.Check2->text(),   ui.Check1->text(),   ui.Check3->text(), ui.Command1->text(),
                                      ui.Command2->text(), ui.Command4->text(), ui.Label11->text()};
        QCOMPARE(captions.join(u'|'),
                 QStringLiteral("リファラ自動|クリップボード監視|リネーム|ヘッダ取得|接続解放|データ取得|Referer:"));

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
};


QTEST_MAIN(TestForm1Window)
#include "test_form1_window.moc"
