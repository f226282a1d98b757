#include "core/diagnosis/checks.h"

#include "core/headers/value_format.h"

#include <QSet>

namespace diagnosis {
namespace {

// Directives whose value is delta-seconds.
constexpr std::array<QStringView, 4> kDeltaDirectives{
    u"max-age", u"s-maxage", u"stale-while-revalidate", u"stale-if-error"};

void checkStorage(const CacheControl &cacheControl, QList<Finding> &findings)
{
    const bool noStore = cacheControl.has(u"no-store");
    if (noStore) {
        Add(findings, u"no-store", Level::Info, kCache, u"cache-control",
            Quoted(u"Cache-Control", u"no-store")
                + u"により、ブラウザも共有キャッシュもこの応答を保存せず、毎回サーバーに取りに行きます。"_qs,
            u"RFC 9111 §5.2.2.5");
    }
    // A private directive that names fields lets shared caches store the rest.
    const Directive *isPrivate = cacheControl.find(u"private");
    if (isPrivate && !isPrivate->hasValue) {
        Add(findings, u"private", Level::Info, kCache, u"cache-control",
            Quoted(u"Cache-Control", u"private")
                + u"により、ブラウザなど利用者ごとのキャッシュだけが保存でき、プロキシや CDN などの"
                  u"共有キャッシュは保存しません。"_qs,
            u"RFC 9111 §5.2.2.7");
    }
    if (isPrivate && cacheControl.has(u"public")) {
        Add(findings, u"public-private", Level::Bad, kCache, u"cache-control",
            u"Cache-Control に public と private が両方あり、共有キャッシュが保存してよいかがキャッシュごとに"
            u"食い違い、個人向けの内容が他の利用者に渡るおそれがあります。"_qs,
            u"RFC 9111 §5.2.2.9");
    }
    if (!noStore)
        return;
    QStringList overridden;
    for (QStringView name : {u"max-age", u"s-maxage", u"public", u"immutable"}) {
        if (cacheControl.has(name))
            overridden.append(name.toString());
    }
    if (!overridden.isEmpty()) {
        Add(findings, u"cc-conflict", Level::Warn, kCache, u"cache-control",
            u"Cache-Control の no-store と "_qs + overridden.join(u", ")
                + u" は矛盾し、キャッシュは no-store に従って保存しないので、後者は意味がありません。"_qs,
            u"RFC 9111 §5.2.2.5");
    }
}

void checkSyntax(const CacheControl &cacheControl, QList<Finding> &findings)
{
    // Each directive's faults are told once, however often it is repeated.
    QSet<QString> seen, repeated, invalid;
    for (const Directive &directive : cacheControl.directives) {
        if (seen.contains(directive.name) && !repeated.contains(directive.name)) {
            repeated.insert(directive.name);
            Add(findings, u"cc-syntax", Level::Warn, kCache, u"cache-control",
                u"Cache-Control の "_qs + Shown(directive.name)
                    + u" が繰り返されています。キャッシュは最初のものを使うか、応答を古いものとして"
                      u"扱います。"_qs,
                u"RFC 9111 §4.2.1");
        }
        seen.insert(directive.name);
        if (std::find(kDeltaDirectives.begin(), kDeltaDirectives.end(), directive.name)
                != kDeltaDirectives.end()
            && !DeltaSeconds(directive.value) && !invalid.contains(directive.name)) {
            invalid.insert(directive.name);
            Add(findings, u"cc-syntax", Level::Warn, kCache, u"cache-control",
                u"Cache-Control の "_qs + Shown(directive.name) + u" の値「"_qs + Shown(directive.value)
                    + u"」は 0 以上の整数ではないため、キャッシュは応答を古いものとして扱います。"_qs,
                u"RFC 9111 §1.2.2");
        }
    }
}

void checkValidatorNeed(const Context &context, const CacheControl &cacheControl, QList<Finding> &findings)
{
    if (context.has(u"etag"_qs) || context.has(u"last-modified"_qs))
        return;
    QString cause;
    if (cacheControl.has(u"no-cache"))
        cause = u"no-cache"_qs;
    else if (cacheControl.has(u"must-revalidate"))
        cause = u"must-revalidate"_qs;
    else if (cacheControl.seconds(u"max-age") == 0)
        cause = u"max-age="_qs + cacheControl.find(u"max-age")->value;
    if (!cause.isEmpty()) {
        Add(findings, u"no-validator", Level::Warn, kCache, u"cache-control",
            Quoted(u"Cache-Control", cause)
                + u"で再検証を求めているのに ETag も Last-Modified もないため、再検証のたびに本体全体を"
                  u"送り直すことになります。"_qs,
            u"RFC 9111 §4.3.1");
    } else if (context.response.status == 200) {
        Add(findings, u"no-validator", Level::Warn, kCache, QStringView(),
            u"ETag も Last-Modified もないため、キャッシュは条件付き要求で変更の有無を確かめられず、"
            u"古くなるたびに本体全体を取り直します。"_qs,
            u"RFC 9110 §8.8");
    }
}

void checkOtherFields(const Context &context, QList<Finding> &findings)
{
    if (context.has(u"expires"_qs)) {
        const QString expires = context.value(u"expires"_qs);
        if (!headers::ReadHttpDate(expires)) {
            Add(findings, u"expires-invalid", Level::Warn, kCache, u"expires",
                Quoted(u"Expires", expires)
                    + u"は HTTP の日付として読めないため、キャッシュはすでに期限切れとして扱います。"_qs,
                u"RFC 9111 §5.3");
        }
    }
    if (context.has(u"pragma"_qs)) {
        Add(findings, u"pragma", Level::Warn, kCache, u"pragma",
            Quoted(u"Pragma", context.value(u"pragma"_qs))
                + u"は応答では意味を持たず、キャッシュの動作を決めるのは Cache-Control です。"_qs,
            u"RFC 9111 §5.4");
    }
    const QString varyText = context.values(u"vary"_qs).join(u", ");
    if (context.listHas(u"vary"_qs, u"*")) {
        Add(findings, u"vary-star", Level::Warn, kCache, u"vary",
            Quoted(u"Vary", varyText) + u"のため、キャッシュはこの応答を次の要求に再利用できません。"_qs,
            u"RFC 9111 §4.1");
    }
    if (context.listHas(u"vary"_qs, u"user-agent")) {
        Add(findings, u"vary-user-agent", Level::Warn, kCache, u"vary",
            Quoted(u"Vary", varyText)
                + u"のため、"
                  "キャッシュはブラウザの種類と版ごとに別の写しを持ち、再利用がほとんど効きません。"_qs,
            u"RFC 9110 §12.5.5");
    }
}

} // namespace

void CheckCaching(const Context &context, const CacheControl &cacheControl, QList<Finding> &findings)
{
    checkStorage(cacheControl, findings);
    checkSyntax(cacheControl, findings);
    checkValidatorNeed(context, cacheControl, findings);
    checkOtherFields(context, findings);
}

} // namespace diagnosis
