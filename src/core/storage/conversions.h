#pragma once

#include <QStringView>
#include <QtGlobal>

#include <optional>

// Conversions of the settings file's values. Each gives nothing for a text it
// does not accept, so that the caller keeps its own value.
namespace settings {

// A decimal number: optional blanks, an optional "+" or "-", digits with an
// optional "." and fraction, optional blanks ("12", " -3 ", "2.5", ".5").
// A fraction is rounded to the nearest integer, a half to the even one.
// Nothing for the empty text, any other text (exponents and hexadecimal
// included) or a result outside the type's range.
std::optional<qint32> ToInt32(QStringView text);
std::optional<qint16> ToInt16(QStringView text);

// "True" or "False" in any letter case, or a decimal number as above, which
// is false when it is zero and true otherwise. Nothing for any other text,
// the empty text included.
std::optional<bool> ToBoolean(QStringView text);

} // namespace settings
