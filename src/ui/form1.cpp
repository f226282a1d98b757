#include "ui/form1.h"

#include "engine/transfer_control.h"
#include "engine/version.h"
#include "ui/message_box.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

Form1::Form1(Transfer *inet, MessageBoxes *boxes, const QString &programFolder, QWidget *parent)
    : QWidget(parent)
    , Inet1(inet)
    , boxes_(boxes)
    , programFolder_(programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : programFolder)
{
    ui.setupUi(this);
    if (!Inet1) {
        ownedInet_ = std::make_unique<TransferControl>();
        Inet1 = ownedInet_.get();
    }
    if (!boxes_) {
        ownedBoxes_ = std::make_unique<DialogMessageBoxes>(this);
        boxes_ = ownedBoxes_.get();
    }
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
}

void Form1::Form_Load()
{
    MakeSaveFolder();
    LoadSettings();
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
    event->accept();
}

void Form1::Form_QueryUnload()
{
    SaveSettings();
    ClearToolTips();
}

void Form1::menuVer_Click()
{
    ui.Label1->setText(QStringLiteral("Tobrell ver %1 %2").arg(QLatin1String(tobrell::kVersion), QLatin1String(tobrell::kVersionDate)));
    ui.Label4->setText(QStringLiteral("Header: %1 Data: %2 Fail: %3 Cancel: %4")
                           .arg(lngCountHead)
                           .arg(lngCountData)
                           .arg(lngCountFail)
                           .arg(lngCountCancel));
}

void Form1::showWarning(const QString &text)
{
    boxes_->show(MessageBoxes::kWarningTitle, text, MessageBoxes::Icon::Exclamation);
}

void Form1::SetURLTip()
{
    ui.Text3->setToolTip(ui.Text3->text());
}

void Form1::AddHistory() {}

void Form1::LoadSettings()
{
    SetURLTip();
    menuVer_Click();
}

void Form1::SaveSettings() {}

void Form1::ClearToolTips() {}
