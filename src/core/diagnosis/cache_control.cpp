#include "core/diagnosis/cache_control.h"

namespace diagnosis {
namespace {

// Splits text at the commas outside quoted strings.
QList<QStringView> listElements(QStringView text)
{
    QList<QStringView> elements;
    bool quoted = false;
    qsizetype start = 0;
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (text[at] == u'\\' && quoted)
            ++at;
        else if (text[at] == u'"')
            quoted = !quoted;
        else if (text[at] == u',' && !quoted) {
            elements.append(text.sliced(start, at - start));
            start = at + 1;
        }
    }
    elements.append(text.sliced(std::min(start, text.size())));
    return elements;
}

} // namespace

CacheControl::CacheControl(const Context &context)
{
    for (const QString &field : context.values(u"cache-control"_qs)) {
        for (QStringView element : listElements(field)) {
            element = element.trimmed();
            if (element.isEmpty())
                continue;
            const qsizetype equals = element.indexOf(u'=');
            Directive directive;
            directive.name = element.left(equals).trimmed().toString().toLower();
            directive.hasValue = equals >= 0;
            if (directive.hasValue)
                directive.value = element.sliced(equals + 1).trimmed().toString();
            directives.append(directive);
        }
    }
}

const Directive *CacheControl::find(QStringView name) const
{
    for (const Directive &directive : directives) {
        if (directive.name == name)
            return &directive;
    }
    return nullptr;
}

std::optional<qint64> CacheControl::seconds(QStringView name) const
{
    const Directive *directive = find(name);
    if (!directive)
        return std::nullopt;
    return DeltaSeconds(directive->value).value_or(0);
}

} // namespace diagnosis
