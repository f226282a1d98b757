// The window's side of the diagnosis dialog and of the HTTP/2 switch.
#include "gui/form1.h"

#include "core/transfer/transfer.h"
#include "gui/diagnosis_dialog.h"

#include <QAction>

#include <utility>

namespace {

constexpr QSize kDiagnosisSize(640, 600);

} // namespace

void Form1::RecordResponse()
{
    runningResponse_ = {strURL, Inet1->GetHeader(), {}};
}

void Form1::CompleteResponse()
{
    // A GET's response completes before its body is read; what libcurl
    // measured of it is known once the request is over.
    if (!runningResponse_ || Inet1->StillExecuting())
        return;
    lastResponse_ = *std::exchange(runningResponse_, std::nullopt);
    lastResponse_.facts = Inet1->LastFacts();
    ui.menuDgn->setEnabled(true);
    if (diagnosis_ && diagnosis_->isVisible())
        diagnosis_->ShowResponse(lastResponse_);
}

void Form1::menuDgn_Click()
{
    if (!diagnosis_) {
        diagnosis_ = new DiagnosisDialog(this);
        diagnosis_->resize(diagnosisSize_.value_or(kDiagnosisSize));
    }
    diagnosis_->ShowResponse(lastResponse_);
    diagnosis_->show();
    diagnosis_->raise();
    diagnosis_->activateWindow();
}

void Form1::menuHtp_Click()
{
    ui.menuHtp->setChecked(!ui.menuHtp->isChecked());
    Inet1->setHttp2Wanted(ui.menuHtp->isChecked());
}
