#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <functional>
#include <optional>

// Formatting of header values for the header box: sizes, dates and the final
// presentation of the whole block.
namespace headers {

// Labels that the annotation gives the lines formatted here.
inline constexpr QStringView kDateLabel = u"時刻:";
inline constexpr QStringView kLastModifiedLabel = u"最終更新時刻:";
inline constexpr QStringView kExpiresLabel = u"有効期限:";
inline constexpr QStringView kSizeLabel = u"サイズ:";

// Byte counts at and above this (999 GB) have no size text.
inline constexpr qint64 kSizeTextLimit = 999LL * 1024 * 1024 * 1024;

// A byte count as servers write Content-Length: decimal digits with an
// optional sign and surrounding whitespace; nothing for any other text or
// a number beyond 64 bits.
std::optional<qint64> ByteCount(QStringView text);

// n with "," between groups of three digits and "-" before a negative
// number, whatever the user's locale ("#,##0").
QString groupThousands(qint64 n);

// The byte count in KB, MB or GB with two decimals ("1.23 KB"); a unit is used
// up to 999 of it before the next one. The quotient is held in single
// precision and rounded half away from zero. Empty from 999 GB on.
QString cnvCalc(qint64 bytes);
// The same for a byte count as text; the empty text, or a text that is not a
// whole number, gives the empty text.
QString cnvCalc(const QString &cValue);

// A moment as "yyyy年m月d日 hh時mm分ss秒", in the time zone it is given in.
QString JapaneseDateTime(const QDateTime &moment);

// The three layouts of an HTTP date that recipients read: RFC 1123
// ("Sun, 06 Nov 1994 08:49:37 GMT"), and the obsolete RFC 850
// ("Sunday, 06-Nov-94 08:49:37 GMT") and asctime ("Sun Nov  6 08:49:37 1994").
enum class HttpDateLayout { Rfc1123, Rfc850, Asctime };

struct HttpDate {
    QDateTime moment; // UTC
    HttpDateLayout layout = HttpDateLayout::Rfc1123;
};

// An HTTP date in any of the three layouts, surrounding blanks ignored;
// nothing when the value cannot be read.
std::optional<HttpDate> ReadHttpDate(QStringView value);

// An HTTP date as JapaneseDateTime, the clock time as received; a null
// QString when the value cannot be read.
QString FormatHttpDate(const QString &value);

// The value of the response header called name; empty when absent.
using HeaderLookup = std::function<QString(const QString &name)>;

// Rewrites the values of Date, Last-Modified and Expires in their labelled
// lines as Japanese date-and-time text; unreadable values stay as received.
QString FormatHeaderDates(const QString &block, const HeaderLookup &value);

// The whole presentation of a response header block: Japanese labels, dates,
// the size text after the Content-Length value, and a space before every ":".
QString FormatHeaderText(const QString &block, const HeaderLookup &value);

// The text of the header box: FormatHeaderText with one line per header,
// each ending in LF but the last, and the control characters shown as
// VisibleControls does.
QString HeaderBoxText(const QString &block, const HeaderLookup &value);

// text with every control character (C0, DEL and C1) but TAB and LF written
// as "\x" and two hexadecimal digits ("\x1b" for ESC), so that nothing a
// server sent can act on a terminal or on the header box. A backslash stays
// as it is.
QString VisibleControls(QStringView text);

} // namespace headers
