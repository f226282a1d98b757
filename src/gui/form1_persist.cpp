// The window's side of the settings file and the URL history.
#include "gui/form1.h"

#include "core/storage/history.h"
#include "core/storage/settings.h"
#include "core/transfer/transfer.h"
#include "gui/diagnosis_dialog.h"
#include "gui/window_place.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>

namespace {

// Check box values as the settings file keeps them: 0 unticked, 1 ticked, 2 greyed.
Qt::CheckState CheckStateOf(int value)
{
    return value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked;
}

int CheckValueOf(const QCheckBox *box)
{
    switch (box->checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}

// Warning box text when a file of the window's could not be written: what
// was lost, the file and why.
QString NotSavedText(const QString &what, const QString &path, const QString &reason)
{
    return what + QStringLiteral("\r\n") + QFileInfo(path).absoluteFilePath() + QStringLiteral("\r\n")
        + reason;
}

void Restore(QCheckBox *box, std::optional<int> value)
{
    // A value the box cannot take leaves its designed state.
    if (value)
        box->setCheckState(CheckStateOf(*value));
}

} // namespace

void Form1::LoadSettings()
{
    const settings::Settings saved = settings::LoadSettings(settingsFile_);
    strLastURL = saved.url;
    lngCountHead = saved.countHead.value_or(0);
    lngCountData = saved.countData.value_or(0);
    lngCountFail = saved.countFail.value_or(0);
    lngCountCancel = saved.countCancel.value_or(0);

    QList<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens << screen->geometry();
    const QScreen *primary = QGuiApplication::primaryScreen();
    move(placement::RestoredPosition(saved.left, saved.top, frameGeometry().size(), screens,
        primary ? primary->geometry().topLeft() : QPoint()));
    Restore(ui.Check2, saved.ref);
    Restore(ui.Check1, saved.clip);
    Restore(ui.Check3, saved.rename);
    if (saved.topMost)
        ui.menuFrm->setChecked(*saved.topMost);
    if (saved.tipHint)
        ui.menuTip->setChecked(*saved.tipHint);
    if (saved.http2)
        ui.menuHtp->setChecked(*saved.http2);
    Inet1->setHttp2Wanted(ui.menuHtp->isChecked());
    if (saved.diagnosisWidth > 0 && saved.diagnosisHeight > 0) {
        diagnosisSize_ = QSize(*saved.diagnosisWidth / placement::kTwipsPerPixel,
            *saved.diagnosisHeight / placement::kTwipsPerPixel);
    }
    ui.Text3->setText(strLastURL);
    SetURLTip();
    menuVer_Click();
    if (ui.menuFrm->isChecked())
        applyTopMost(true);
    if (ui.menuTip->isChecked())
        SetToolTips();
}

void Form1::SaveSettings()
{
    settings::SavedState state;
    state.top = y() * placement::kTwipsPerPixel;
    state.left = x() * placement::kTwipsPerPixel;
    state.ref = CheckValueOf(ui.Check2);
    state.clip = CheckValueOf(ui.Check1);
    state.rename = CheckValueOf(ui.Check3);
    state.topMost = ui.menuFrm->isChecked();
    state.tipHint = ui.menuTip->isChecked();
    state.url = ui.Text3->text();
    state.countHead = lngCountHead;
    state.countData = lngCountData;
    state.countFail = lngCountFail;
    state.countCancel = lngCountCancel;
    state.http2 = ui.menuHtp->isChecked();
    if (diagnosis_)
        diagnosisSize_ = diagnosis_->size();
    if (diagnosisSize_) {
        state.diagnosisWidth = diagnosisSize_->width() * placement::kTwipsPerPixel;
        state.diagnosisHeight = diagnosisSize_->height() * placement::kTwipsPerPixel;
    }
    // A file that cannot be written is left as it was; the window closes all the same.
    QString failure;
    if (!settings::SaveSettings(settingsFile_, state, &failure))
        showWarning(NotSavedText(QStringLiteral("設定を保存できませんでした。"), settingsFile_, failure));
}

void Form1::AddHistory()
{
    // Told once: the next address would fail the same way.
    QString failure;
    if (history::AddHistory(historyFile_, strURL, &failure) == history::AddResult::Failed
        && !historyFailureShown_) {
        historyFailureShown_ = true;
        showWarning(NotSavedText(QStringLiteral("履歴に記録できませんでした。"), historyFile_, failure));
    }
}

void Form1::LoadHistory()
{
    for (int i = 1; i < int(ui.menuCpy.size()); ++i) {
        delete ui.menuCpy[i];
        ui.menuCpy[i] = nullptr;
    }
    ui.menuCpy[0]->setVisible(true);
    // Without a history, or with only empty lines in it, the placeholder stays alone.
    const std::optional<QList<history::HistoryItem>> items = history::LoadHistory(historyFile_);
    if (!items || items->isEmpty())
        return;
    for (const history::HistoryItem &item : *items) {
        QAction *action = ui.menuHst->addAction(history::HistoryCaption(item));
        action->setData(item.url); // the Tag: the whole URL
        connect(action, &QAction::triggered, this, [this, index = item.index] { menuCpy_Click(index); });
        ui.menuCpy[item.index] = action;
    }
    ui.menuCpy[0]->setVisible(false);
    ui.menuCpy[0]->setEnabled(false);
}

void Form1::menuCpy_Click(int Index)
{
    // A running transfer keeps its address, its boxes and its file name.
    if (transferUnderWay() || Index < 1 || Index >= int(ui.menuCpy.size()) || !ui.menuCpy[Index])
        return;
    ui.Text3->setText(ui.menuCpy[Index]->data().toString());
    SetURLTip();
    if (ui.Check1->checkState() == Qt::Unchecked) {
        ui.Text3->setFocus();
        ui.Text3->selectAll();
    }
    Command1_Click();
}
