#pragma once

#include <array>

class QAction;
class QCheckBox;
class QMenu;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;

// The controls of the main window at their designed places, in the manner of
// a Designer-generated Ui class: construction only, no behaviour.
struct Form1Ui {
    QLineEdit *Text3 = nullptr; // URL box
    QPushButton *Command1 = nullptr; // "ヘッダ取得"
    QPushButton *Command4 = nullptr; // "データ取得"
    QCheckBox *Check2 = nullptr; // automatic Referer
    QCheckBox *Check1 = nullptr; // clipboard watch
    QCheckBox *Check3 = nullptr; // rename on a name clash
    QLineEdit *Text1 = nullptr; // Referer box
    QPushButton *Command2 = nullptr; // "接続解放"
    QPlainTextEdit *Text2 = nullptr; // header box
    QLabel *Label11 = nullptr; // caption of the Referer box
    QGroupBox *Frame1 = nullptr; // status frame
    QLabel *Label4 = nullptr; // second status line
    QLabel *Label2 = nullptr; // busy indicator
    QLabel *Label1 = nullptr; // state line

    // The popup menu and its items, top to bottom.
    QMenu *menuTop = nullptr;
    QAction *menuDir = nullptr; // "保存フォルダを開く..."
    QMenu *menuHst = nullptr; // "URLの履歴"
    // The history items: [0] is the placeholder "無し", [1] to [20] are made
    // from the history file when the menu opens (null where there is none).
    std::array<QAction *, 21> menuCpy{};
    QAction *menuFrm = nullptr; // "常に前面に表示", checkable
    QAction *menuDgn = nullptr; // "ヘッダの診断...", enabled once a request has completed
    QAction *menuHtp = nullptr; // "HTTP/2 を使う", checkable
    QAction *menuTip = nullptr; // "ツールチップヒント", checkable
    QAction *menuSen = nullptr; // separator
    QAction *menuTxt = nullptr; // "ヘルプ"
    QAction *menuVer = nullptr; // "バージョン情報"

    void setupUi(QWidget *form);
};
