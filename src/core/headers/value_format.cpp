#include "core/headers/value_format.h"

#include "core/headers/header_annotation.h"

#include <QDate>
#include <QLocale>
#include <QStringList>
#include <QTime>

#include <array>
#include <cmath>
#include <optional>

namespace headers {
namespace {

constexpr QStringView kByteCountSuffix = u" バイト)";
constexpr QStringView kDatePattern = u"yyyy年M月d日 ";
constexpr QStringView kTimePattern = u"HH時mm分ss秒";

struct SizeUnit {
    qint64 limit; // byte counts below this use the unit
    double divisor;
    QStringView name;
};

constexpr std::array<SizeUnit, 3> kSizeUnits{{
    {999LL * 1024, 1024.0, u" KB"},
    {999LL * 1024 * 1024, 1024.0 * 1024, u" MB"},
    {kSizeTextLimit, 1024.0 * 1024 * 1024, u" GB"},
}};

// "0.00" of a single-precision value, halves rounded away from zero. The float
// widened to double and multiplied by 100 is exact, so the rounding sees the
// value the float really holds (0.125 gives "0.13").
QString twoDecimals(float value)
{
    const auto hundredths = static_cast<qint64>(std::round(double(value) * 100.0));
    const quint64 magnitude = hundredths < 0 ? 0 - quint64(hundredths) : quint64(hundredths);
    QString text = hundredths < 0 ? QStringLiteral("-") : QString();
    text += QString::number(magnitude / 100);
    text += u'.';
    text += QStringLiteral("%1").arg(magnitude % 100, 2, 10, QLatin1Char('0'));
    return text;
}

// A calendar date and a clock time as written, with no time zone attached
// (a local QDateTime could shift times that fall into a daylight-saving gap).
struct Moment {
    QDate date;
    QTime time;
};

std::optional<QDate> readDate(const QString &text, std::initializer_list<QStringView> patterns)
{
    for (QStringView pattern : patterns) {
        const QDate date = QLocale::c().toDate(text, pattern.toString());
        if (date.isValid())
            return date;
    }
    return std::nullopt;
}

std::optional<QTime> readTime(const QString &text)
{
    const QTime time = QLocale::c().toTime(text, QStringLiteral("h:mm:ss"));
    return time.isValid() ? std::optional<QTime>(time) : std::nullopt;
}

// The number written by the digits of text; -1 when any is not a digit.
int digitsValue(QStringView text)
{
    int value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

// The date exactly as servers write it, "Sun, 06 Nov 1994 08:49:37 GMT", read
// without QLocale, whose parsing costs microseconds per call (a block may
// carry hundreds of cookie dates). Anything else is left to the readers below.
std::optional<Moment> readExactLayout(QStringView value)
{
    static constexpr QStringView kMonths = u"JanFebMarAprMayJunJulAugSepOctNovDec";
    if (value.size() != 29 || value.mid(3, 2) != u", " || value[7] != u' ' || value[11] != u' '
        || value[16] != u' ' || value[19] != u':' || value[22] != u':' || value.sliced(25) != u" GMT")
        return std::nullopt;
    const qsizetype month = kMonths.indexOf(value.mid(8, 3));
    const int year = digitsValue(value.mid(12, 4));
    const QDate date(year, int(month / 3) + 1, digitsValue(value.mid(5, 2)));
    const QTime time(
        digitsValue(value.mid(17, 2)), digitsValue(value.mid(20, 2)), digitsValue(value.mid(23, 2)));
    if (month < 0 || month % 3 != 0 || year < 0 || !date.isValid() || !time.isValid())
        return std::nullopt;
    return Moment{date, time};
}

// RFC 1123 "Sun, 06 Nov 1994 08:49:37 GMT" by its fixed positions: the date in
// characters 5 to 16, the time in 18 to 25. The weekday and zone are not
// looked at. A one-digit day shifts the time by one place, which the trimming
// absorbs; dashes between the date's fields (cookie style) are read as well.
std::optional<Moment> readFixedLayout(QStringView value)
{
    const auto date = readDate(value.mid(4, 12).trimmed().toString(), {u"d MMM yyyy", u"d-MMM-yyyy"});
    const auto time = readTime(value.mid(17, 8).trimmed().toString());
    if (!date || !time)
        return std::nullopt;
    return Moment{*date, *time};
}

// RFC 850 "Sunday, 06-Nov-94 08:49:37 GMT". A two-digit year from 70 on is
// 19xx, below it 20xx; the century is added before the date is read so that
// 29 February of a leap year 20xx is not checked against 19xx.
std::optional<Moment> readRfc850(const QStringList &words)
{
    if (words.size() < 3 || words.size() > 4 || !words[0].endsWith(u','))
        return std::nullopt;
    QString dateText = words[1];
    const qsizetype yearAt = dateText.lastIndexOf(u'-') + 1;
    if (yearAt > 0 && dateText.size() - yearAt == 2)
        dateText.insert(yearAt, dateText.mid(yearAt).toInt() >= 70 ? u"19" : u"20");
    const auto date = readDate(dateText, {u"d-MMM-yyyy"});
    const auto time = readTime(words[2]);
    if (!date || !time)
        return std::nullopt;
    return Moment{*date, *time};
}

// asctime "Sun Nov  6 08:49:37 1994".
std::optional<Moment> readAsctime(const QStringList &words)
{
    if (words.size() != 5)
        return std::nullopt;
    const auto date = readDate(words[2] + u' ' + words[1] + u' ' + words[4], {u"d MMM yyyy"});
    const auto time = readTime(words[3]);
    if (!date || !time)
        return std::nullopt;
    return Moment{*date, *time};
}

// Replaces the first occurrence of `from` in the first line that starts with
// `label` (lines end in LF or CR LF); the text is returned unchanged when there
// is no such line or `from` is not in it.
QString replaceInLabelledLine(const QString &text, QStringView label, QStringView from, QStringView to)
{
    if (from.isEmpty())
        return text;
    const QStringView view(text);
    qsizetype lineStart = 0;
    while (true) {
        const qsizetype newline = view.indexOf(u'\n', lineStart);
        qsizetype lineEnd = newline < 0 ? view.size() : newline;
        if (lineEnd > lineStart && view[lineEnd - 1] == u'\r')
            --lineEnd;
        const QStringView line = view.sliced(lineStart, lineEnd - lineStart);
        if (line.startsWith(label)) {
            const qsizetype at = line.sliced(label.size()).indexOf(from);
            if (at < 0)
                return text;
            QString result = text;
            result.replace(lineStart + label.size() + at, from.size(), to.toString());
            return result;
        }
        if (newline < 0)
            return text;
        lineStart = newline + 1;
    }
}

QString spaceColons(const QString &text)
{
    const qsizetype colons = text.count(u':');
    if (colons == 0)
        return text;
    QString result;
    result.reserve(text.size() + colons);
    const QStringView view(text);
    qsizetype copied = 0;
    for (qsizetype at = view.indexOf(u':'); at >= 0; at = view.indexOf(u':', at + 1)) {
        result.append(view.sliced(copied, at - copied));
        result.append(u' ');
        copied = at;
    }
    result.append(view.sliced(copied));
    return result;
}

QString lookUp(const HeaderLookup &value, const QString &name)
{
    return value ? value(name).trimmed() : QString();
}

} // namespace

std::optional<qint64> ByteCount(QStringView text)
{
    text = text.trimmed();
    const QStringView digits = text.startsWith(u'+') || text.startsWith(u'-') ? text.sliced(1) : text;
    if (digits.isEmpty())
        return std::nullopt;
    for (QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    bool ok = false;
    const qint64 number = text.toLongLong(&ok, 10);
    return ok ? std::optional<qint64>(number) : std::nullopt;
}

QString groupThousands(qint64 n)
{
    const quint64 magnitude = n < 0 ? 0 - quint64(n) : quint64(n);
    const QString digits = QString::number(magnitude);
    QString text = n < 0 ? QStringLiteral("-") : QString();
    qsizetype group = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
    for (qsizetype at = 0; at < digits.size(); at += group, group = 3) {
        if (at > 0)
            text += u',';
        text += QStringView(digits).sliced(at, group);
    }
    return text;
}

QString cnvCalc(qint64 bytes)
{
    for (const SizeUnit &unit : kSizeUnits) {
        if (bytes < unit.limit) {
            const auto scaled = static_cast<float>(double(bytes) / unit.divisor);
            return twoDecimals(scaled) + unit.name.toString();
        }
    }
    return {};
}

QString cnvCalc(const QString &cValue)
{
    const auto bytes = ByteCount(cValue);
    return bytes ? cnvCalc(*bytes) : QString();
}

QString JapaneseDateTime(const QDateTime &moment)
{
    return QLocale::c().toString(moment.date(), kDatePattern)
        + QLocale::c().toString(moment.time(), kTimePattern);
}

std::optional<HttpDate> ReadHttpDate(QStringView value)
{
    value = value.trimmed();
    // In UTC, where no clock time is skipped.
    const auto inUtc = [](const Moment &moment, HttpDateLayout layout) {
        return HttpDate{QDateTime(moment.date, moment.time, Qt::UTC), layout};
    };
    if (auto exact = readExactLayout(value))
        return inUtc(*exact, HttpDateLayout::Rfc1123);
    if (auto fixed = readFixedLayout(value))
        return inUtc(*fixed, HttpDateLayout::Rfc1123);
    const QStringList words = value.toString().split(u' ', Qt::SkipEmptyParts);
    if (auto rfc850 = readRfc850(words))
        return inUtc(*rfc850, HttpDateLayout::Rfc850);
    if (auto asctime = readAsctime(words))
        return inUtc(*asctime, HttpDateLayout::Asctime);
    return std::nullopt;
}

QString FormatHttpDate(const QString &value)
{
    const auto date = ReadHttpDate(value);
    return date ? JapaneseDateTime(date->moment) : QString();
}

QString FormatHeaderDates(const QString &block, const HeaderLookup &value)
{
    struct DateHeader {
        const char *name;
        QStringView label;
    };
    static constexpr std::array<DateHeader, 3> kDateHeaders{{
        {"Date", kDateLabel},
        {"Last-Modified", kLastModifiedLabel},
        {"Expires", kExpiresLabel},
    }};

    // All three are read before the block changes.
    std::array<QString, kDateHeaders.size()> received;
    for (std::size_t i = 0; i < kDateHeaders.size(); ++i)
        received[i] = lookUp(value, QString::fromLatin1(kDateHeaders[i].name));

    QString text = block;
    for (std::size_t i = 0; i < kDateHeaders.size(); ++i) {
        const QString shown = FormatHttpDate(received[i]);
        if (!shown.isEmpty())
            text = replaceInLabelledLine(text, kDateHeaders[i].label, received[i], shown);
    }
    return text;
}

QString FormatHeaderText(const QString &block, const HeaderLookup &value)
{
    QString text = FormatHeaderDates(mod::TranslateHeaders(block), value);

    const QString length = lookUp(value, QStringLiteral("Content-Length"));
    const auto bytes = ByteCount(length);
    if (bytes && *bytes > 0) {
        const QString sizeText
            = cnvCalc(*bytes) + QStringLiteral(" (") + groupThousands(*bytes) + kByteCountSuffix.toString();
        text = replaceInLabelledLine(text, kSizeLabel, length, sizeText);
    }

    return spaceColons(text);
}

QString HeaderBoxText(const QString &block, const HeaderLookup &value)
{
    QString text = FormatHeaderText(block, value);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return VisibleControls(text);
}

QString VisibleControls(QStringView text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control && c != u'\t' && c != u'\n')
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

} // namespace headers
