#pragma once

#include "core/diagnosis/diagnosis.h"

#include <QHash>
#include <QStringList>

#include <optional>

// What every check of the diagnosis shares: the response's fields by name,
// its moments, and the making of findings.
namespace diagnosis {

inline constexpr QStringView kCache = u"キャッシュ";
inline constexpr QStringView kValidators = u"検証子と時刻";
inline constexpr QStringView kRedirects = u"リダイレクト";
inline constexpr QStringView kSecurity = u"セキュリティ";
inline constexpr QStringView kCookies = u"クッキー";
inline constexpr QStringView kTransfer = u"転送";

class Context {
public:
    explicit Context(const Response &response);

    const Response &response;
    // The Date header read; nothing when absent or unreadable.
    std::optional<QDateTime> date;
    // When the answer arrived; the Date header's moment when that is unknown.
    QDateTime received;
    bool html = false; // Content-Type is text/html

    // The values of every field called name (lower case), in the order received.
    QStringList values(const QString &name) const { return fields_.value(name); }
    bool has(const QString &name) const { return fields_.contains(name); }
    // The first value of name; empty when absent.
    QString value(const QString &name) const;
    // The elements of a comma-separated list over every field called name,
    // trimmed, empty ones left out; they live as long as the context.
    QList<QStringView> elements(const QString &name) const;
    // Whether one of those elements is element, in any letter case.
    bool listHas(const QString &name, QStringView element) const;

private:
    QHash<QString, QStringList> fields_;
};

// A value as a message shows it: at most 200 characters, a longer one cut
// and ended in "…".
QString Shown(QStringView value);
// "「Name: value」", the value as Shown.
QString Quoted(QStringView name, QStringView value);
// n with its thousands grouped.
QString Number(qint64 n);

void Add(QList<Finding> &findings, QStringView id, Level level, QStringView category, QStringView header,
    const QString &message, QStringView reference);

// The parts of text between separators (Qt's split searches for a string
// even for one character, which costs more than the whole check of a cookie).
QList<QStringView> SplitAt(QStringView text, QChar separator);

// Delta-seconds (RFC 9111 §1.2.2): decimal digits, a quoted number read as
// well; values beyond 2^31 count as 2^31. Nothing for any other text.
std::optional<qint64> DeltaSeconds(QStringView text);

} // namespace diagnosis
