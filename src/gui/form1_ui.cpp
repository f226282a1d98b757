#include "gui/form1_ui.h"

#include "core/transfer/state_report.h"
#include "gui/program_icon.h"
#include "gui/window_place.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

namespace {

QRect twips(int left, int top, int width, int height)
{
    using placement::kTwipsPerPixel;
    return QRect(
        left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel, height / kTwipsPerPixel);
}

QFont windowFont(int pixelSize)
{
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(pixelSize);
    return font;
}

constexpr int kWindowFontPixels = 11;

// The state line is narrow; it gets the largest font, up to the window's, in
// which every state message can be read in full.
QFont stateLineFont(int width)
{
    for (int pixels = kWindowFontPixels; pixels > 8; --pixels) {
        const QFont font = windowFont(pixels);
        const QFontMetrics metrics(font);
        bool fits = true;
        for (int state = 0; state <= engine::kLastState && fits; ++state)
            fits = metrics.horizontalAdvance(engine::StateMessage(state)) <= width;
        if (fits)
            return font;
    }
    return windowFont(8);
}

template <typename Widget> Widget *place(Widget *widget, const QRect &geometry)
{
    widget->setGeometry(geometry);
    return widget;
}

QLabel *plainLabel(QWidget *parent, const QString &text, const QRect &geometry)
{
    auto *label = place(new QLabel(text, parent), geometry);
    label->setMargin(0);
    label->setIndent(0);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

} // namespace

void Form1Ui::setupUi(QWidget *form)
{
    form->setWindowTitle(QStringLiteral("Tobrell"));
    form->setWindowIcon(ProgramIcon());
    form->setFont(windowFont(kWindowFontPixels));
    form->setFixedSize(twips(0, 0, 5175, 4710).size());

    // Created in the keyboard tab order.
    Text3 = place(new QLineEdit(form), twips(240, 240, 4695, 270));
    Command1 = place(new QPushButton(QStringLiteral("ヘッダ取得"), form), twips(1080, 3360, 1215, 375));
    Command4 = place(new QPushButton(QStringLiteral("データ取得"), form), twips(3720, 3360, 1215, 375));
    Check2 = place(new QCheckBox(QStringLiteral("リファラ自動"), form), twips(600, 3000, 1335, 255));
    Check1 = place(new QCheckBox(QStringLiteral("クリップボード監視"), form), twips(2040, 3000, 1815, 255));
    Check3 = place(new QCheckBox(QStringLiteral("リネーム"), form), twips(3960, 3000, 975, 255));
    Text1 = place(new QLineEdit(form), twips(960, 2640, 3975, 270));
    Command2 = place(new QPushButton(QStringLiteral("接続解放"), form), twips(2400, 3360, 1215, 375));
    Text2 = place(new QPlainTextEdit(form), twips(240, 600, 4695, 1935));
    Label11 = plainLabel(form, QStringLiteral("Referer:"), twips(240, 2685, 735, 255));
    Frame1 = place(new QGroupBox(form), twips(240, 3780, 4695, 800));
    Label4 = plainLabel(Frame1, QString(), twips(120, 480, 3615, 255));
    Label2 = plainLabel(Frame1, QString(), twips(3960, 480, 615, 255));
    Label1 = plainLabel(Frame1, QString(), twips(120, 240, 4455, 255));
    Label1->setFont(stateLineFont(Label1->width()));

    Check2->setChecked(true);
    Check3->setChecked(true);
    Command2->setEnabled(false);
    Text2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab moves on to the next control; the headers hold no tab characters.
    Text2->setTabChangesFocus(true);
    // Enter presses a focused button, as Space does.
    for (QPushButton *button : {Command1, Command4, Command2})
        button->setAutoDefault(true);
    Text2->setPlainText(QStringLiteral("ヘッダフィールド\n"));
    // For screen readers; the Referer box is named by its caption. The
    // status lines are named by the text they show, which a screen reader
    // hears of whenever it changes; their descriptions say what each line is.
    Label11->setBuddy(Text1);
    Text3->setAccessibleName(QStringLiteral("URL"));
    Text2->setAccessibleName(QStringLiteral("ヘッダ"));
    Frame1->setAccessibleName(QStringLiteral("状態"));
    Label1->setAccessibleDescription(QStringLiteral("転送の状態"));
    Label4->setAccessibleDescription(QStringLiteral("回数と進み具合"));
    Label2->setAccessibleDescription(QStringLiteral("処理中の表示"));
    // The URL box takes dropped text itself; the window handles the drop.
    Text3->setAcceptDrops(true);

    // No menu bar: the top menu only pops up. Its title is never shown.
    menuTop = new QMenu(QStringLiteral("ポップアップメニュー"), form);
    menuDir = menuTop->addAction(QStringLiteral("保存フォルダを開く..."));
    menuHst = menuTop->addMenu(QStringLiteral("URLの履歴"));
    menuCpy[0] = menuHst->addAction(QStringLiteral("無し"));
    menuCpy[0]->setEnabled(false);
    menuFrm = menuTop->addAction(QStringLiteral("常に前面に表示"));
    menuFrm->setCheckable(true);
    menuDgn = menuTop->addAction(QStringLiteral("ヘッダの診断..."));
    menuDgn->setEnabled(false);
    menuHtp = menuTop->addAction(QStringLiteral("HTTP/2 を使う"));
    menuHtp->setCheckable(true);
    menuTip = menuTop->addAction(QStringLiteral("ツールチップヒント"));
    menuTip->setCheckable(true);
    menuSen = menuTop->addSeparator();
    menuTxt = menuTop->addAction(QStringLiteral("ヘルプ"));
    menuVer = menuTop->addAction(QStringLiteral("バージョン情報"));
}
