#pragma once

#include <QString>

// One line of what the terminal adds after a header block, in the header
// box's style: "label : value", ending in LF.
inline QString ReportLine(const QString &label, const QString &value)
{
    return label + QStringLiteral(" : ") + value + u'\n';
}
