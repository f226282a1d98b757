#include "gui/form1.h"

#include "core/download/download_file.h"
#include "core/download/download_text.h"
#include "core/storage/storage_folders.h"
#include "core/transfer/transfer_control.h"
#include "core/version.h"
#include "gui/diagnosis_dialog.h"
#include "gui/message_box.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <utility>

namespace {

const QString kHelpFileName = QStringLiteral("readme.txt");

// The keys that ask for the focused control's menu.
bool IsMenuKey(const QKeyEvent &key)
{
    return (key.key() == Qt::Key_Menu && key.modifiers() == Qt::NoModifier)
        || (key.key() == Qt::Key_F10 && key.modifiers() == Qt::ShiftModifier);
}

// Where a menu asked for from the keyboard stands: at the text cursor of a
// text box, in the middle of any other control.
QPoint KeyboardMenuPoint(const QWidget &control)
{
    const QRect cursor = control.inputMethodQuery(Qt::ImCursorRectangle).toRect();
    return cursor.isValid() ? cursor.center() : control.rect().center();
}

} // namespace

Form1::Form1(Transfer *inet, MessageBoxes *boxes, const QString &programFolder, QWidget *parent)
    : QWidget(parent), Inet1(inet), boxes_(boxes),
      programFolder_(programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : programFolder)
{
    ui.setupUi(this);
    hints_
        = std::make_unique<ControlHints>(HintControls{ui.Check2, ui.Check1, ui.Check3, ui.Frame1, ui.Text3});
    if (!Inet1) {
        ownedInet_ = std::make_unique<TransferControl>();
        Inet1 = ownedInet_.get();
    }
    // The diagnosis dialog shows the certificate of an https answer.
    Inet1->setCertificateWanted(true);
    if (!boxes_) {
        ownedBoxes_ = std::make_unique<DialogMessageBoxes>(this);
        boxes_ = ownedBoxes_.get();
    }
    const settings::StorageFolders folders = settings::ChooseStorageFolders(programFolder_);
    settingsFile_ = folders.settingsFile;
    historyFile_ = folders.historyFile;
    downloadBase_ = folders.downloadBase;
    connectControls();
    Form_Load();
}

Form1::~Form1()
{
    // A transfer must not report into a window that is going away.
    Inet1->disconnect(this);
    Inet1->Cancel();
}

void Form1::connectControls()
{
    connect(ui.Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(ui.Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(ui.Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    // Enter in the URL or Referer box presses the get-header button.
    connect(ui.Text3, &QLineEdit::returnPressed, this, &Form1::Command1_Click);
    connect(ui.Text1, &QLineEdit::returnPressed, this, &Form1::Command1_Click);
    connect(Inet1, &Transfer::StateChanged, this, &Form1::Inet1_StateChanged);
    // Opening the popup menu raises the top entry's click first.
    connect(ui.menuTop, &QMenu::aboutToShow, this, &Form1::menuTop_Click);
    connect(ui.menuDir, &QAction::triggered, this, &Form1::menuDir_Click);
    // A checkable action flips its own mark before it reports the click; the
    // two switches flip theirs in their commands, so that mark is taken back.
    for (const auto &[action, command] : {std::pair{ui.menuFrm, &Form1::menuFrm_Click},
             std::pair{ui.menuHtp, &Form1::menuHtp_Click}, std::pair{ui.menuTip, &Form1::menuTip_Click}}) {
        connect(action, &QAction::triggered, this, [this, action, command](bool checked) {
            action->setChecked(!checked);
            (this->*command)();
        });
    }
    connect(ui.menuDgn, &QAction::triggered, this, &Form1::menuDgn_Click);
    connect(ui.menuTxt, &QAction::triggered, this, &Form1::menuTxt_Click);
    connect(ui.menuVer, &QAction::triggered, this, &Form1::menuVer_Click);
    // The URL box's focus arrivals and drops; the header box's menu key.
    ui.Text3->installEventFilter(this);
    ui.Text2->installEventFilter(this);
}

void Form1::Form_Load()
{
    MakeSaveFolder();
    const QStringList kept = DownloadFile::KeepLeftovers(strSaveFolder);
    LoadSettings();
    // Said once the window is up: a download that the end of the program cut short.
    if (!kept.isEmpty())
        QTimer::singleShot(0, this, [this, kept] { showWarning(download::LeftoverText(kept)); });
}

void Form1::closeEvent(QCloseEvent *event)
{
    if (stateHandlerDepth_ > 0) {
        // A download or a box of the state handler is still on the stack:
        // end the transfer like a release and close once it has unwound.
        closeRequested_ = true;
        if (downloading_)
            Command2_Click();
        else
            Inet1->Cancel();
        event->ignore();
        return;
    }
    Inet1->Cancel();
    Form_QueryUnload();
    // Its size is saved; it must not outlive the window on screen.
    if (diagnosis_)
        diagnosis_->close();
    event->accept();
}

void Form1::Form_QueryUnload()
{
    SaveSettings();
    ClearToolTips();
}

void Form1::mouseReleaseEvent(QMouseEvent *event)
{
    // Releases that the controls leave unhandled arrive here too; only the
    // bare window, the status frame and its three labels open the popup.
    QWidget *under = childAt(event->position().toPoint());
    const bool allowed
        = !under || under == ui.Frame1 || under == ui.Label1 || under == ui.Label2 || under == ui.Label4;
    if (event->button() == Qt::RightButton && allowed)
        ui.menuTop->popup(event->globalPosition().toPoint());
}

void Form1::keyPressEvent(QKeyEvent *event)
{
    // Keys that the focused control leaves unhandled arrive here. The menu
    // keys ask that control for its menu, as the X11 platform does for the
    // Menu key itself: the single-line text boxes show their edit menu, the
    // header box and the rest pass the request on to the window's popup.
    if (!IsMenuKey(*event)) {
        QWidget::keyPressEvent(event);
        return;
    }
    QWidget *control = focusWidget() ? focusWidget() : this;
    const QPoint at = KeyboardMenuPoint(*control);
    QContextMenuEvent request(QContextMenuEvent::Keyboard, at, control->mapToGlobal(at), event->modifiers());
    QCoreApplication::sendEvent(control, &request);
}

void Form1::contextMenuEvent(QContextMenuEvent *event)
{
    // The mouse opens the popup on release (mouseReleaseEvent).
    if (event->reason() == QContextMenuEvent::Keyboard)
        ui.menuTop->popup(event->globalPos());
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui.Text2 && event->type() == QEvent::ContextMenu) {
        // The header box's edit menu is for the mouse; the keyboard opens the popup.
        auto *request = static_cast<QContextMenuEvent *>(event);
        if (request->reason() != QContextMenuEvent::Keyboard)
            return false;
        contextMenuEvent(request);
        return true;
    }
    if (watched != ui.Text3)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn:
        Text3_GotFocus(static_cast<QFocusEvent *>(event)->reason());
        break;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDropEvent *>(event);
        if (drag->mimeData()->hasText() || drag->mimeData()->hasUrls()) {
            drag->acceptProposedAction();
            return true;
        }
        break;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        drop->acceptProposedAction();
        Text3_OLEDragDrop(*drop->mimeData());
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::menuTop_Click()
{
    LoadHistory();
}

void Form1::menuDir_Click()
{
    opener.open(strSaveFolder, [this, folder = strSaveFolder] {
        showWarning(QStringLiteral("保存フォルダを開けませんでした。\r\n") + folder);
    });
}

void Form1::menuTxt_Click()
{
    // The help text in the current directory; failing that, the one shipped
    // with the program (beside it, or in an installed data folder).
    const QStringList candidates
        = {QDir::current().filePath(kHelpFileName), QDir(programFolder_).filePath(kHelpFileName),
            QDir(programFolder_).filePath(QStringLiteral("../share/tobrell/") + kHelpFileName)};
    for (const QString &candidate : candidates) {
        if (!QFileInfo(candidate).isFile())
            continue;
        const QString path = QFileInfo(candidate).absoluteFilePath();
        opener.open(
            path, [this, path] { showWarning(QStringLiteral("ヘルプを開けませんでした。\r\n") + path); });
        return;
    }
    showWarning(QStringLiteral("ヘルプ (") + kHelpFileName + QStringLiteral(") が見つかりません。"));
}

void Form1::menuFrm_Click()
{
    const bool onTop = !ui.menuFrm->isChecked();
    applyTopMost(onTop);
    ui.menuFrm->setChecked(onTop);
}

void Form1::applyTopMost(bool onTop)
{
    // On the window's QWindow the flag changes in place; QWidget's own
    // setWindowFlags would hide and re-create the window.
    if (QWindow *window = windowHandle())
        window->setFlag(Qt::WindowStaysOnTopHint, onTop);
    else
        setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
}

void Form1::menuTip_Click()
{
    // The mark changes first: SetURLTip reads it.
    if (ui.menuTip->isChecked()) {
        ui.menuTip->setChecked(false);
        ClearToolTips();
        SetURLTip();
    } else {
        ui.menuTip->setChecked(true);
        SetToolTips();
    }
}

void Form1::menuVer_Click()
{
    ui.Label1->setText(VersionLine());
    ui.Label4->setText(QStringLiteral("Header: %1 Data: %2 Fail: %3 Cancel: %4")
                           .arg(lngCountHead)
                           .arg(lngCountData)
                           .arg(lngCountFail)
                           .arg(lngCountCancel));
}

void Form1::SetToolTips()
{
    hints_->SetToolTips(ui.menuTip->isChecked());
}

void Form1::SetURLTip()
{
    hints_->SetURLTip(ui.menuTip->isChecked());
}

void Form1::ClearToolTips()
{
    hints_->ClearToolTips();
}

void Form1::showWarning(const QString &text)
{
    boxes_->show(MessageBoxes::kWarningTitle, text, MessageBoxes::Icon::Exclamation);
}
