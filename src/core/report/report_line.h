#pragma once

#include <QString>

// One line of what is reported beside a header block, in the header
// box's style: "label : value", ending in LF.
inline QString ReportLine(const QString &label, const QString &value)
{
    return label + QStringLiteral(" : ") + value + u'\n';
}
