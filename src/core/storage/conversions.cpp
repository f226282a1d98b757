#include "core/storage/conversions.h"

#include <algorithm>
#include <limits>

namespace settings {

namespace {

struct Decimal {
    bool negative = false;
    QStringView whole; // digits before the "."
    QStringView fraction; // digits after it
};

bool IsDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

std::optional<Decimal> ParseDecimal(QStringView text)
{
    text = text.trimmed();
    Decimal number;
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        number.negative = text[i++] == u'-';
    const auto digitsFrom = [&](qsizetype start) {
        while (i < text.size() && IsDigit(text[i]))
            ++i;
        return text.sliced(start, i - start);
    };
    number.whole = digitsFrom(i);
    if (i < text.size() && text[i] == u'.') {
        ++i;
        number.fraction = digitsFrom(i);
    }
    if (i != text.size() || (number.whole.isEmpty() && number.fraction.isEmpty()))
        return std::nullopt;
    return number;
}

std::optional<qint64> RoundedWithin(QStringView text, qint64 min, qint64 max)
{
    const std::optional<Decimal> number = ParseDecimal(text);
    if (!number)
        return std::nullopt;
    qint64 magnitude = 0;
    for (QChar digit : number->whole) {
        magnitude = magnitude * 10 + (digit.unicode() - u'0');
        if (magnitude > max + 1) // beyond either end already; stops any overflow
            return std::nullopt;
    }
    if (!number->fraction.isEmpty()) {
        const QChar first = number->fraction.front();
        const bool aboveHalf = std::any_of(
            number->fraction.begin() + 1, number->fraction.end(), [](QChar c) { return c != u'0'; });
        if (first > u'5' || (first == u'5' && (aboveHalf || magnitude % 2 == 1)))
            ++magnitude;
    }
    const qint64 value = number->negative ? -magnitude : magnitude;
    if (value < min || value > max)
        return std::nullopt;
    return value;
}

template <typename Integer> std::optional<Integer> ToInteger(QStringView text)
{
    const std::optional<qint64> value
        = RoundedWithin(text, std::numeric_limits<Integer>::min(), std::numeric_limits<Integer>::max());
    if (!value)
        return std::nullopt;
    return Integer(*value);
}

} // namespace

std::optional<qint32> ToInt32(QStringView text)
{
    return ToInteger<qint32>(text);
}

std::optional<qint16> ToInt16(QStringView text)
{
    return ToInteger<qint16>(text);
}

std::optional<bool> ToBoolean(QStringView text)
{
    const QStringView word = text.trimmed();
    if (word.compare(u"True", Qt::CaseInsensitive) == 0)
        return true;
    if (word.compare(u"False", Qt::CaseInsensitive) == 0)
        return false;
    const std::optional<Decimal> number = ParseDecimal(word);
    if (!number)
        return std::nullopt;
    const auto nonZero = [](QChar c) { return c != u'0'; };
    return std::any_of(number->whole.begin(), number->whole.end(), nonZero)
        || std::any_of(number->fraction.begin(), number->fraction.end(), nonZero);
}

} // namespace settings
