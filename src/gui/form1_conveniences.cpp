// The URL box's conveniences: pasting the clipboard when the focus moves in
// (clipboard watch) and taking dropped text; both fetch the headers at once.
#include "core/address/url_completion.h"
#include "gui/form1.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

namespace {

// Selects the whole box now and once more after the event being handled:
// the mouse press that brought the focus would otherwise place the cursor.
void SelectAll(QLineEdit *box)
{
    box->selectAll();
    QTimer::singleShot(0, box, &QLineEdit::selectAll);
}

} // namespace

bool Form1::TakeAddress(const QString &text)
{
    // The box would cut a longer text silently, and the cut address would be fetched.
    if (text.size() > ui.Text3->maxLength()) {
        showWarning(url::kBadFormatWarning.toString());
        return false;
    }
    ui.Text3->setText(text);
    return true;
}

void Form1::Text3_GotFocus(Qt::FocusReason reason)
{
    if (dropping_)
        return; // the dropped text is what is fetched
    if (ui.Text3->text() == strLastURL) {
        strLastURL.clear();
        SelectAll(ui.Text3);
        return;
    }
    // The focus that comes back when a message box or a menu closes, or with
    // the window's activation, is not the user moving into the box: pasting
    // then would fetch again and again behind every warning.
    const bool movedIn = reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
    const QMimeData *clipboard = QGuiApplication::clipboard()->mimeData();
    if (movedIn && ui.Check1->checkState() == Qt::Checked && !transferUnderWay() && clipboard
        && clipboard->hasText()) {
        if (TakeAddress(clipboard->text())) {
            SetURLTip();
            Command1_Click();
        }
    }
    SelectAll(ui.Text3);
}

void Form1::Text3_OLEDragDrop(const QMimeData &data)
{
    // A dragged link (a URI list, perhaps of several) gives its first address;
    // anything else its plain text.
    if ((!data.hasText() && !data.hasUrls()) || transferUnderWay())
        return;
    if (!TakeAddress(data.hasUrls() ? data.urls().constFirst().toString() : data.text()))
        return;
    dropping_ = true;
    ui.Text3->setFocus();
    dropping_ = false;
    SelectAll(ui.Text3);
    SetURLTip();
    Command1_Click();
}
