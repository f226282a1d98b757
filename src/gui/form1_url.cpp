// The window's side of address completion.
#include "gui/form1.h"

#include "core/address/url_completion.h"

#include <QLineEdit>

void Form1::CompleteURL()
{
    const url::Completion completion = url::CompleteURL(strURL);
    strURL = completion.url;
    if (!completion.warning.isEmpty())
        showWarning(completion.warning);
    intURLValid = completion.valid ? 1 : 0;
    if (!completion.valid)
        SetURLTip();
    // Written only when it changed, so that a selection in the box stays.
    if (ui.Text3->text() != strURL)
        ui.Text3->setText(strURL);
}
