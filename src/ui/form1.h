#pragma once

#include "ui/form1_ui.h"

#include <QString>
#include <QWidget>

#include <memory>

class MessageBoxes;
class Transfer;

// The program's one window. Its procedures are thin: they read controls,
// call the window-free logic, write controls and show boxes. Each procedure
// lives beside the logic it uses: src/engine/ (requests, states, download),
// src/url/, src/headers/, and src/ui/ for start, close and the version line.
class Form1 : public QWidget {
    Q_OBJECT
public:
    // inet and boxes default to the real transfer control and real dialogs;
    // programFolder (where the download folder lives) to the executable's folder.
    explicit Form1(Transfer *inet = nullptr, MessageBoxes *boxes = nullptr,
                   const QString &programFolder = QString(), QWidget *parent = nullptr);
    ~Form1() override;

    Form1Ui ui;
    Transfer *Inet1;

    // Fetch commands.
    void Command1_Click();
    void Command4_Click();
    void Command2_Click();
    void MakeReferer();
    void SetBusyState();

    // Transfer state reporting.
    void Inet1_StateChanged(int State);
    void ShowHeader();

    // Address completion and header presentation.
    void CompleteURL();
    QString MakeURLPath(const QString &strURLPath) const;
    void FormatHeaderText();

    // Download.
    // Ensures the download folder; returns why it cannot be used, or empty.
    QString MakeSaveFolder();
    QString MakeFilename(const QString &strFileName) const;
    // Picks the first free "name[n].ext"; false when every counter is taken.
    bool MakeNewFilename();
    void DownloadData();

    // Start, close and the version line.
    void Form_Load();
    void Form_QueryUnload();
    void menuVer_Click();

    // The window's variables, shared by its procedures.
    QString strURL;
    qint16 intURLValid = 0;
    QString strRefererHeader;
    qint16 intStatusCode = 0;
    QString strHeaderText;
    QString strTransferInfo;
    QString strSaveFolder;
    QString strSaveName;
    QString strNewName;
    QString strSavePath;
    float sngCalc = 0;
    QString strLastURL;
    qint32 lngCountHead = 0;
    qint32 lngCountData = 0;
    qint32 lngCountFail = 0;
    qint32 lngCountCancel = 0;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void connectControls();
    // Hooks of features that arrive later: the URL box's hint, the history,
    // the settings file and the tooltip hints.
    void SetURLTip();
    void AddHistory();
    void LoadSettings();
    void SaveSettings();
    void ClearToolTips();

    // What both request commands do before sending: complete the address
    // and build the Referer header. False when nothing may be sent.
    bool prepareRequest();
    // A request is under way: commands must leave everything as it is.
    bool transferUnderWay() const;
    void showWarning(const QString &text);

    std::unique_ptr<Transfer> ownedInet_;
    std::unique_ptr<MessageBoxes> ownedBoxes_;
    MessageBoxes *boxes_;
    QString programFolder_;
    // How deeply Inet1_StateChanged is running (it nests during a download),
    // whether DownloadData is running, and whether the user asked to close
    // while either was; the close then waits until they have unwound.
    int stateHandlerDepth_ = 0;
    bool downloading_ = false;
    bool closeRequested_ = false;
};
