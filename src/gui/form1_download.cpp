// The download of a response body into the download folder.
#include "gui/form1.h"

#include "core/download/download_file.h"
#include "core/download/download_text.h"
#include "core/download/file_naming.h"
#include "core/transfer/transfer.h"
#include "gui/escape_marker.h"
#include "gui/message_box.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>

#include <algorithm>

namespace {

constexpr int kChunkSize = 65536;
// The progress text is worked out for every chunk, but the label is
// repainted at most this often: a repaint costs more than a chunk at full speed.
constexpr qint64 kLabelIntervalMs = 16;

} // namespace

QString Form1::MakeSaveFolder()
{
    const naming::SaveFolder folder = naming::MakeSaveFolder(downloadBase_);
    strSaveFolder = folder.path;
    return folder.problem;
}

QString Form1::MakeFilename(const QString &strFileName) const
{
    return naming::MakeFilename(strFileName);
}

bool Form1::MakeNewFilename()
{
    const std::optional<QString> name = naming::MakeNewFilename(strSaveFolder, strSaveName);
    if (!name)
        return false;
    strNewName = *name;
    strSavePath = strSaveFolder + strNewName;
    return true;
}

void Form1::DownloadData()
{
    downloading_ = true;
    setCursor(Qt::BusyCursor);
    // The length the body is read by, which the progress and the speed are
    // measured against; the header box shows the headers as they came.
    const qint64 declared = std::max<qint64>(Inet1->DeclaredLength(), 0);

    // The body goes straight into a temporary file beside its final place,
    // so memory does not grow with its size; it gets its name at the end.
    strSaveName = MakeFilename(strURL);
    DownloadFile file;
    bool writable = file.open(strSaveFolder, strSaveName);
    if (!writable)
        Inet1->Cancel();

    QElapsedTimer clock;
    clock.start();
    QElapsedTimer sinceLabel;
    qint64 received = 0;
    QString progress;
    while (writable) {
        const QByteArray chunk = Inet1->GetChunk(kChunkSize);
        if (chunk.isEmpty())
            break;
        received += chunk.size();
        if (!file.append(chunk)) {
            writable = false;
            Inet1->Cancel();
            break;
        }
        progress = download::ProgressText(received, declared);
        if (!sinceLabel.isValid() || sinceLabel.elapsed() >= kLabelIntervalMs) {
            ui.Label4->setText(progress);
            sinceLabel.start();
        }
        QCoreApplication::processEvents();
    }
    if (!progress.isEmpty())
        ui.Label4->setText(progress);
    const double elapsedSeconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;

    // A release by the user and a transfer that broke off both leave an
    // incomplete body: it is kept, but never in place of a file that is
    // already there, which may be the complete one. A release ends as
    // designed, with the completion box; a body cut off is a failure.
    const bool cut = strTransferInfo != engine::kEscapeMarker && Inet1->Failed();
    const bool interrupted = cut || strTransferInfo == engine::kEscapeMarker;
    if (interrupted)
        strTransferInfo.clear();
    else
        strTransferInfo = download::SpeedText(declared, elapsedSeconds);

    strSavePath = strSaveFolder + strSaveName;
    const bool keepExisting = ui.Check3->isChecked() || interrupted;
    QString failure = file.errorString();
    const bool taken = naming::EntryExists(strSavePath);
    if (writable && keepExisting && taken && !MakeNewFilename()) {
        writable = false;
        failure = download::NoFreeNameReason();
    }
    // A free name chosen here must stay untouched if it was taken
    // meanwhile; only a complete body with rename off replaces an older file.
    if (writable && !file.commit(strSavePath, !keepExisting)) {
        writable = false;
        failure = file.errorString();
    }

    // The warning says where the bytes went; no completion box follows a cut.
    if (interrupted && !closeRequested_)
        showWarning(writable ? download::InterruptedText(strSavePath) : download::kInterrupted);
    if (!writable)
        showWarning(download::SaveFailureText(strSavePath, failure));
    else if (!closeRequested_ && !cut)
        boxes_->show(MessageBoxes::kInformationTitle, download::CompletionText(strTransferInfo),
            MessageBoxes::Icon::Information);
    unsetCursor();
    SetBusyState();
    downloading_ = false;
}
