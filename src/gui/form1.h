#pragma once

#include "core/report/last_response.h"
#include "gui/control_hints.h"
#include "gui/desktop_opener.h"
#include "gui/form1_ui.h"

#include <QSize>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

class DiagnosisDialog;
class MessageBoxes;
class QMimeData;
class Transfer;

// The program's one window. Its procedures are thin: they read controls,
// call the window-free logic, write controls and show boxes. Each procedure
// lives beside the logic it uses: src/engine/ (requests, states, download),
// src/url/ (address completion, the URL box's focus and drop),
// src/headers/, src/persist/ (settings and history), and src/ui/ for start,
// close, the popup menu and the hints.
class Form1 : public QWidget {
    Q_OBJECT
public:
    // inet and boxes default to the real transfer control and real dialogs;
    // programFolder (where settei.ini and the download folder live when it
    // is writable) to the executable's folder.
    explicit Form1(Transfer *inet = nullptr, MessageBoxes *boxes = nullptr,
        const QString &programFolder = QString(), QWidget *parent = nullptr);
    ~Form1() override;

    Form1Ui ui;
    Transfer *Inet1;
    // Opens the download folder and the help file.
    DesktopOpener opener;

    // Fetch commands.
    void Command1_Click();
    void Command4_Click();
    void Command2_Click();
    void MakeReferer();
    void SetBusyState();

    // Transfer state reporting.
    void Inet1_StateChanged(int State);
    void ShowHeader();

    // Address completion, the URL box's conveniences and header presentation.
    void CompleteURL();
    void Text3_GotFocus(Qt::FocusReason reason);
    void Text3_OLEDragDrop(const QMimeData &data);
    void FormatHeaderText();

    // Download.
    // Ensures the download folder; returns why it cannot be used, or empty.
    QString MakeSaveFolder();
    QString MakeFilename(const QString &strFileName) const;
    // Picks the first free "name[n].ext"; false when every counter is taken.
    bool MakeNewFilename();
    void DownloadData();

    // Settings and history.
    void LoadSettings();
    void SaveSettings();
    void AddHistory();
    void LoadHistory();
    void menuCpy_Click(int Index);

    // Start, close, the popup menu and the hints.
    void Form_Load();
    void Form_QueryUnload();
    void menuTop_Click();
    void menuDir_Click();
    void menuFrm_Click();
    void menuTip_Click();
    void menuTxt_Click();
    void menuVer_Click();
    void SetToolTips();
    void SetURLTip();
    void ClearToolTips();

    // The diagnosis of the last completed response, and HTTP/2.
    void RecordResponse();
    void CompleteResponse();
    void menuDgn_Click();
    void menuHtp_Click();

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
    QString strLastURL;
    qint32 lngCountHead = 0;
    qint32 lngCountData = 0;
    qint32 lngCountFail = 0;
    qint32 lngCountCancel = 0;

protected:
    void closeEvent(QCloseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void connectControls();
    // Puts the window above all others that are not, or back among them,
    // without moving, resizing or activating it.
    void applyTopMost(bool onTop);

    // What both request commands do before sending: complete the address
    // and build the Referer header. False when nothing may be sent.
    bool prepareRequest();
    // A request is under way: commands must leave everything as it is.
    bool transferUnderWay() const;
    void showWarning(const QString &text);
    // Puts a pasted or dropped address into the URL box; false (after the
    // format warning) when it is longer than the box holds.
    bool TakeAddress(const QString &text);

    std::unique_ptr<Transfer> ownedInet_;
    std::unique_ptr<MessageBoxes> ownedBoxes_;
    MessageBoxes *boxes_;
    QString programFolder_;
    QString settingsFile_;
    QString historyFile_;
    QString downloadBase_;
    std::unique_ptr<ControlHints> hints_;
    // Set while a drop moves the focus into the URL box, which must not paste.
    bool dropping_ = false;
    // How deeply Inet1_StateChanged is running (it nests during a download),
    // whether DownloadData is running, and whether the user asked to close
    // while either was; the close then waits until they have unwound.
    int stateHandlerDepth_ = 0;
    bool downloading_ = false;
    bool closeRequested_ = false;
    // Whether the user was told that the history cannot be written.
    bool historyFailureShown_ = false;
    // The last response whose request is over, and one that has completed
    // while its request still runs (a GET's body): its facts come at the end.
    report::LastResponse lastResponse_;
    std::optional<report::LastResponse> runningResponse_;
    // Made when first opened; its size, in pixels, as read from the settings until then.
    DiagnosisDialog *diagnosis_ = nullptr;
    std::optional<QSize> diagnosisSize_;
};
