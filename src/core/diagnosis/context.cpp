#include "core/diagnosis/context.h"

#include "core/headers/value_format.h"

#include <algorithm>
#include <utility>

namespace diagnosis {
namespace {

constexpr qsizetype kShownLength = 200;
constexpr qint64 kDeltaSecondsCap = qint64(1) << 31;

} // namespace

Context::Context(const Response &response) : response(response)
{
    for (const auto &[name, value] : response.fields)
        fields_[name.trimmed().toLower()].append(value.trimmed());
    if (const auto read = headers::ReadHttpDate(value(u"date"_qs)))
        date = read->moment;
    received = response.responseReceived.isValid() ? response.responseReceived.toUTC()
                                                   : date.value_or(QDateTime());
    const QString type = value(u"content-type"_qs);
    html = QStringView(type).left(type.indexOf(u';')).trimmed().compare(u"text/html", Qt::CaseInsensitive)
        == 0;
}

QString Context::value(const QString &name) const
{
    const auto found = fields_.constFind(name);
    return found == fields_.cend() ? QString() : found->constFirst();
}

QList<QStringView> Context::elements(const QString &name) const
{
    QList<QStringView> elements;
    const auto found = fields_.constFind(name);
    if (found == fields_.cend())
        return elements;
    for (const QString &field : *found) {
        for (QStringView element : SplitAt(field, u',')) {
            element = element.trimmed();
            if (!element.isEmpty())
                elements.append(element);
        }
    }
    return elements;
}

bool Context::listHas(const QString &name, QStringView element) const
{
    const QList<QStringView> all = elements(name);
    return std::any_of(all.begin(), all.end(),
        [element](QStringView one) { return one.compare(element, Qt::CaseInsensitive) == 0; });
}

QList<QStringView> SplitAt(QStringView text, QChar separator)
{
    QList<QStringView> parts;
    qsizetype start = 0;
    for (qsizetype at = text.indexOf(separator); at >= 0; at = text.indexOf(separator, start)) {
        parts.append(text.sliced(start, at - start));
        start = at + 1;
    }
    parts.append(text.sliced(start));
    return parts;
}

QString Shown(QStringView value)
{
    if (value.size() <= kShownLength)
        return value.toString();
    // Never between the two halves of a surrogate pair.
    const qsizetype cut = value[kShownLength - 1].isHighSurrogate() ? kShownLength - 1 : kShownLength;
    return value.left(cut).toString() + u'…';
}

QString Quoted(QStringView name, QStringView value)
{
    return u"「"_qs + name.toString() + u": "_qs + Shown(value) + u'」';
}

QString Number(qint64 n)
{
    return headers::groupThousands(n);
}

void Add(QList<Finding> &findings, QStringView id, Level level, QStringView category, QStringView header,
    const QString &message, QStringView reference)
{
    Finding finding;
    finding.id = id.toString();
    finding.level = level;
    finding.category = category.toString();
    finding.header = header.toString();
    finding.message = message;
    finding.reference = reference.toString();
    findings.append(std::move(finding));
}

std::optional<qint64> DeltaSeconds(QStringView text)
{
    if (text.size() >= 2 && text.startsWith(u'"') && text.endsWith(u'"'))
        text = text.sliced(1, text.size() - 2);
    if (text.isEmpty())
        return std::nullopt;
    qint64 seconds = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        seconds = std::min(seconds * 10 + (c.unicode() - u'0'), kDeltaSecondsCap);
    }
    return seconds;
}

} // namespace diagnosis
