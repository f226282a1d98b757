// The window's side of the header presentation: the rules work on text, the
// single header values come from the transfer control.
#include "gui/form1.h"

#include "core/headers/value_format.h"
#include "core/transfer/transfer.h"

void Form1::FormatHeaderText()
{
    const Transfer *inet = Inet1;
    strHeaderText = headers::HeaderBoxText(
        strHeaderText, [inet](const QString &name) { return inet->GetHeader(name); });
}
