#include "core/diagnosis/security_headers.h"

namespace diagnosis {
namespace {

bool isHashOrNonce(const QString &source)
{
    return source.startsWith(u"'nonce-") || source.startsWith(u"'sha256-") || source.startsWith(u"'sha384-")
        || source.startsWith(u"'sha512-");
}

} // namespace

Hsts ReadHsts(const Context &context)
{
    Hsts hsts;
    hsts.present = context.has(u"strict-transport-security"_qs);
    QStringList names;
    std::optional<qint64> maxAge;
    const QString value = context.value(u"strict-transport-security"_qs);
    for (QStringView directive : SplitAt(value, u';')) {
        const qsizetype equals = directive.indexOf(u'=');
        const QString name = directive.left(equals).trimmed().toString().toLower();
        if (name.isEmpty())
            continue;
        // Every directive may appear once (RFC 6797 §6.1).
        if (names.contains(name))
            return hsts;
        names.append(name);
        if (name == u"max-age" && equals >= 0)
            maxAge = DeltaSeconds(directive.sliced(equals + 1).trimmed());
    }
    hsts.maxAge = maxAge;
    return hsts;
}

std::optional<QStringList> Csp::sources(const QString &name) const
{
    const auto found = directives.constFind(name);
    if (found != directives.cend())
        return *found;
    const auto fallback = directives.constFind(u"default-src"_qs);
    return fallback == directives.cend() ? std::nullopt : std::optional<QStringList>(*fallback);
}

bool Csp::allowsUnsafeInline() const
{
    const QStringList scripts = sources(u"script-src"_qs).value_or(QStringList());
    return scripts.contains(u"'unsafe-inline'"_qs)
        && std::none_of(scripts.begin(), scripts.end(), isHashOrNonce);
}

bool Csp::allowsUnsafeEval() const
{
    return sources(u"script-src"_qs).value_or(QStringList()).contains(u"'unsafe-eval'"_qs);
}

Csp ReadCsp(const Context &context)
{
    Csp csp;
    csp.present = context.has(u"content-security-policy"_qs);
    csp.reportOnly = context.has(u"content-security-policy-report-only"_qs);
    for (const QString &field : context.values(u"content-security-policy"_qs)) {
        // A comma starts another policy; its directives join the first's.
        const QString policies = QString(field).replace(u',', u';');
        for (QStringView directive : SplitAt(policies, u';')) {
            QStringList words = directive.toString().toLower().simplified().split(u' ', Qt::SkipEmptyParts);
            if (!words.isEmpty() && !csp.directives.contains(words.first())) {
                const QString name = words.takeFirst();
                csp.directives.insert(name, words);
            }
        }
    }
    return csp;
}

ReferrerPolicy ReadReferrerPolicy(const Context &context)
{
    static const QStringList kPrivate
        = {u"no-referrer"_qs, u"same-origin"_qs, u"strict-origin"_qs, u"strict-origin-when-cross-origin"_qs};
    static const QStringList kUnsafe = {u"origin"_qs, u"origin-when-cross-origin"_qs, u"unsafe-url"_qs};
    ReferrerPolicy policy;
    if (!context.has(u"referrer-policy"_qs))
        return policy;
    policy.safety = ReferrerSafety::Invalid;
    for (const QStringView element : context.elements(u"referrer-policy"_qs)) {
        const QString token = element.toString().toLower();
        if (kPrivate.contains(token))
            policy = {ReferrerSafety::Private, token};
        else if (kUnsafe.contains(token))
            policy = {ReferrerSafety::Unsafe, token};
        else if (token == u"no-referrer-when-downgrade")
            policy = {ReferrerSafety::Neutral, token};
    }
    return policy;
}

bool FramingForbidden(const Context &context, const Csp &csp)
{
    const QString options = context.value(u"x-frame-options"_qs);
    return csp.directives.contains(u"frame-ancestors"_qs)
        || options.compare(u"deny", Qt::CaseInsensitive) == 0
        || options.compare(u"sameorigin", Qt::CaseInsensitive) == 0;
}

bool NoSniff(const Context &context)
{
    // Browsers read the first element of the list (Fetch, "determine nosniff").
    return context.elements(u"x-content-type-options"_qs).value(0).compare(u"nosniff", Qt::CaseInsensitive)
        == 0;
}

} // namespace diagnosis
