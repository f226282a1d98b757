// The get-header, get-data and release commands, the Referer header and the
// busy state of the buttons.
#include "gui/form1.h"

#include "core/address/url_completion.h"
#include "core/transfer/transfer.h"
#include "core/transfer/transfer_control.h"
#include "gui/counter.h"
#include "gui/escape_marker.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

void Form1::Command1_Click()
{
    if (transferUnderWay())
        return;
    ui.Label4->clear();
    if (prepareRequest())
        Inet1->Execute(strURL, QStringLiteral("HEAD"), strRefererHeader);
}

void Form1::Command4_Click()
{
    if (transferUnderWay() || !prepareRequest())
        return;
    // A refused GET leaves the button enabled: no state event would ever
    // enable it again. The disabled button marks a GET under way, and a
    // release left over from an earlier GET must not mark this one.
    if (Inet1->Execute(strURL, QStringLiteral("GET"), strRefererHeader)) {
        strTransferInfo.clear();
        ui.Command4->setEnabled(false);
    }
}

void Form1::Command2_Click()
{
    Inet1->Cancel();
    if (!ui.Command4->isEnabled()) {
        ui.Command4->setEnabled(true);
        unsetCursor();
        strTransferInfo = engine::kEscapeMarker;
    }
    engine::countUp(lngCountCancel);
    SetBusyState();
}

void Form1::MakeReferer()
{
    if (ui.Check2->isChecked())
        ui.Text1->setText(url::AutomaticReferer(strURL));
    if (ui.Text1->text().isEmpty())
        ui.Text1->setText(QString(QChar(0x3000)));
    strRefererHeader = url::RefererHeader(ui.Text1->text());
}

bool Form1::transferUnderWay() const
{
    // While a request runs (its download included), a new command would
    // change the address the running download is named after.
    return Inet1->StillExecuting() || downloading_;
}

bool Form1::prepareRequest()
{
    strURL = ui.Text3->text();
    CompleteURL();
    if (intURLValid != 1)
        return false;
    MakeReferer();
    // A line break in the address or the Referer box would smuggle a header
    // line of its own onto the wire; other control characters are refused too.
    if (!headerTextIsSafe(strURL) || !headerTextIsSafe(strRefererHeader)) {
        showWarning(kUnsafeRequestWarning.toString());
        return false;
    }
    return true;
}

void Form1::SetBusyState()
{
    const bool executing = Inet1->StillExecuting();
    ui.Command1->setEnabled(!executing);
    ui.Command2->setEnabled(executing);
    ui.Label2->setText(executing ? QStringLiteral("Wait...") : QString());
}
