#include "core/diagnosis/checks.h"
#include "core/diagnosis/security_headers.h"

#include <algorithm>

// The security score as the Mozilla HTTP Observatory grades one response:
// each header test gives one modifier to a start of 100.
namespace diagnosis {
namespace {

bool anyOf(const QStringList &sources, std::initializer_list<QStringView> wanted)
{
    return std::any_of(sources.begin(), sources.end(), [&wanted](const QString &source) {
        return std::find(wanted.begin(), wanted.end(), source) != wanted.end();
    });
}

bool anyInsecure(const std::optional<QStringList> &sources)
{
    return sources && std::any_of(sources->begin(), sources->end(), [](const QString &source) {
        return source == u"http:" || source.startsWith(u"http://") || source == u"ftp:"
            || source.startsWith(u"ftp://");
    });
}

int cspModifier(const Csp &csp)
{
    if (!csp.present || csp.directives.isEmpty())
        return -25;
    // Without script-src and default-src, any script may run.
    const QStringList scripts = csp.sources(u"script-src"_qs).value_or(QStringList{u"*"_qs});
    const QStringList objects = csp.sources(u"object-src"_qs).value_or(QStringList{u"*"_qs});
    // Sources so broad that an attacker's script or plug-in finds a place.
    const std::initializer_list<QStringView> broad
        = {u"*", u"http:", u"https:", u"data:", u"http://*", u"https://*"};
    if (csp.allowsUnsafeInline() || anyOf(scripts, broad) || anyOf(objects, broad))
        return -20;
    if (csp.allowsUnsafeEval())
        return -10;
    if (anyInsecure(scripts) || anyInsecure(objects) || anyInsecure(csp.sources(u"style-src"_qs)))
        return -20;
    if (anyInsecure(csp.sources(u"img-src"_qs)) || anyInsecure(csp.sources(u"media-src"_qs)))
        return -10;
    if (csp.sources(u"style-src"_qs).value_or(QStringList()).contains(u"'unsafe-inline'"_qs))
        return 0;
    return csp.directives.value(u"default-src"_qs) == QStringList{u"'none'"_qs} ? 10 : 5;
}

int hstsModifier(const Context &context, const Hsts &hsts)
{
    if (!context.response.tls || !hsts.maxAge)
        return -20;
    return *hsts.maxAge < kHstsLeastMaxAge ? -10 : 0;
}

int cookieModifier(const QList<Cookie> &cookies, bool hsts)
{
    int worst = 0;
    bool allSameSite = true;
    for (const Cookie &cookie : cookies) {
        const bool session = cookie.session;
        int modifier = 0;
        const auto worse = [&modifier](int other) { modifier = std::min(modifier, other); };
        if (cookie.sameSite && *cookie.sameSite != u"strict" && *cookie.sameSite != u"lax"
            && *cookie.sameSite != u"none")
            worse(-20);
        if (!cookie.sameSite && cookie.name.contains(u"csrf", Qt::CaseInsensitive))
            worse(-20);
        if (session && !cookie.httpOnly)
            worse(-30);
        if (!cookie.secure)
            worse(session ? (hsts ? -10 : -40) : (hsts ? -5 : -20));
        worst = std::min(worst, modifier);
        allSameSite = allSameSite && cookie.sameSite.has_value();
    }
    return worst == 0 && allSameSite && !cookies.isEmpty() ? 5 : worst;
}

int referrerModifier(const ReferrerPolicy &policy)
{
    switch (policy.safety) {
    case ReferrerSafety::Private:
        return 5;
    case ReferrerSafety::Unsafe:
    case ReferrerSafety::Invalid:
        return -5;
    default:
        return 0;
    }
}

int framingModifier(const Context &context, const Csp &csp)
{
    return FramingForbidden(context, csp) ? 5 : -20;
}

// Cross-Origin-Resource-Policy, -Opener-Policy, -Embedder-Policy: +10 for a
// value that protects, 0 for absent or for the browser's default spelled
// out, -5 for anything else.
int crossOriginModifier(const Context &context, const QString &name,
    std::initializer_list<QStringView> protective, QStringView neutral)
{
    if (!context.has(name))
        return 0;
    const QString value = context.value(name);
    // Parameters such as report-to follow a ";".
    const QString policy = QStringView(value).left(value.indexOf(u';')).trimmed().toString().toLower();
    if (std::find(protective.begin(), protective.end(), policy) != protective.end())
        return 10;
    return policy == neutral ? 0 : -5;
}

QString gradeOf(int score)
{
    struct Step {
        int least;
        const char *grade;
    };
    static constexpr Step kSteps[] = {{100, "A+"}, {90, "A"}, {85, "A-"}, {80, "B+"}, {70, "B"}, {65, "B-"},
        {60, "C+"}, {50, "C"}, {45, "C-"}, {40, "D+"}, {30, "D"}, {25, "D-"}};
    const int rounded = score - score % 5;
    for (const Step &step : kSteps) {
        if (rounded >= step.least)
            return QString::fromLatin1(step.grade);
    }
    return u"F"_qs;
}

} // namespace

Security SecurityScore(const Context &context, const QList<Cookie> &cookies)
{
    const Csp csp = ReadCsp(context);
    const Hsts hsts = ReadHsts(context);
    const int modifiers[] = {
        cspModifier(csp),
        cookieModifier(cookies, context.response.tls && hsts.maxAge > 0),
        hstsModifier(context, hsts),
        referrerModifier(ReadReferrerPolicy(context)),
        NoSniff(context) ? 0 : -5,
        framingModifier(context, csp),
        crossOriginModifier(
            context, u"cross-origin-resource-policy"_qs, {u"same-origin", u"same-site"}, u"cross-origin"),
        crossOriginModifier(context, u"cross-origin-opener-policy"_qs,
            {u"same-origin", u"same-origin-allow-popups", u"noopener-allow-popups"}, u"unsafe-none"),
        crossOriginModifier(context, u"cross-origin-embedder-policy"_qs, {u"require-corp", u"credentialless"},
            u"unsafe-none"),
    };
    int penalties = 0, bonuses = 0;
    for (const int modifier : modifiers)
        (modifier < 0 ? penalties : bonuses) += modifier;
    // Bonuses count only for a response the penalties left at 90 or more.
    int score = 100 + penalties;
    if (score >= 90)
        score += bonuses;
    score = std::max(score, 0);
    return {score, gradeOf(score)};
}

} // namespace diagnosis
