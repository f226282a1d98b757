#include "gui/message_box.h"

#include <QMessageBox>

void DialogMessageBoxes::show(const QString &title, const QString &text, Icon icon)
{
    // Message texts break lines with CR LF; a Qt label wants a bare LF.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(icon == Icon::Exclamation ? QMessageBox::Warning : QMessageBox::Information, title, shown,
        QMessageBox::Ok, parent_);
    box.exec();
}
