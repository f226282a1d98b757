// What the window does with each state event of the transfer control.
#include "gui/form1.h"

#include "core/transfer/state_report.h"
#include "core/transfer/transfer.h"
#include "gui/counter.h"
#include "gui/message_box.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

void Form1::Inet1_StateChanged(int State)
{
    // The download inside the handling of state 12 lets events run, so this
    // handler can be entered again before an earlier call has returned.
    ++stateHandlerDepth_;
    ui.Label1->setText(engine::StateMessage(State));

    const bool getUnderWay = !ui.Command4->isEnabled();
    if (State == int(TransferState::ResponseComplete)) {
        ShowHeader();
        RecordResponse();
        engine::countUp(lngCountHead);
        SetURLTip();
        if (intStatusCode == 200)
            AddHistory();
        if (getUnderWay) {
            if (intStatusCode == 200) {
                const QString folderProblem = MakeSaveFolder();
                if (folderProblem.isEmpty())
                    DownloadData();
                else
                    showWarning(folderProblem);
                ui.Command4->setEnabled(true);
                engine::countUp(lngCountData);
            } else {
                boxes_->show(MessageBoxes::kInformationTitle,
                    QStringLiteral("HTTP Status Code %1").arg(intStatusCode),
                    MessageBoxes::Icon::Exclamation);
                ui.Command4->setEnabled(true);
                engine::countUp(lngCountFail);
            }
        }
    } else if (State == int(TransferState::Failure)) {
        // Say why in the second status line, and let a failed GET be tried
        // again: no completion will come to enable its button.
        ui.Label4->setText(Inet1->LastFailure());
        if (getUnderWay && !downloading_)
            ui.Command4->setEnabled(true);
    }
    CompleteResponse();
    SetBusyState();

    if (--stateHandlerDepth_ == 0 && closeRequested_)
        QTimer::singleShot(0, this, &QWidget::close);
}

void Form1::ShowHeader()
{
    strHeaderText = Inet1->GetHeader();
    intStatusCode = static_cast<qint16>(engine::StatusCode(strHeaderText));
    FormatHeaderText();
    ui.Text2->setPlainText(strHeaderText);
}
