#include "core/diagnosis/checks.h"

#include "core/headers/value_format.h"

#include <algorithm>
#include <array>

namespace diagnosis {
namespace {

// Statuses a cache may store without an explicit lifetime (RFC 9110 §15.1).
constexpr std::array kHeuristicStatuses{200, 203, 204, 206, 300, 301, 308, 404, 405, 410, 414, 501};

struct Lifetime {
    qint64 seconds = 0;
    QString source; // where it comes from, for the message
    QStringView header;
};

// The explicit freshness lifetime (RFC 9111 §4.2.1): s-maxage for shared
// caches, then max-age, then Expires − Date.
std::optional<Lifetime> explicitLifetime(const Context &context, const CacheControl &cacheControl)
{
    for (QStringView name : {u"s-maxage", u"max-age"}) {
        if (const auto seconds = cacheControl.seconds(name)) {
            const QString source = name == u"s-maxage" ? u"共有キャッシュ向けの"_qs : QString();
            return Lifetime{*seconds,
                source + Quoted(u"Cache-Control", name.toString() + u'=' + cacheControl.find(name)->value),
                u"cache-control"};
        }
    }
    if (!context.has(u"expires"_qs))
        return std::nullopt;
    const QString expires = context.value(u"expires"_qs);
    const QString source = Quoted(u"Expires", expires) + u"と Date の差"_qs;
    const auto read = headers::ReadHttpDate(expires);
    // An Expires that cannot be read has already passed (RFC 9111 §5.3).
    if (!read || !context.received.isValid())
        return Lifetime{0, source, u"expires"};
    const QDateTime date = context.date.value_or(context.received);
    return Lifetime{std::max<qint64>(0, date.secsTo(read->moment)), source, u"expires"};
}

// The current age (RFC 9111 §4.2.3) at the moment the answer arrived.
qint64 currentAge(const Context &context)
{
    const Response &response = context.response;
    const QDateTime date = context.date.value_or(context.received);
    const qint64 apparentAge = std::max<qint64>(0, date.secsTo(context.received));
    const qint64 responseDelay = response.requestSent.isValid()
        ? std::max<qint64>(0, response.requestSent.secsTo(context.received))
        : 0;
    const qint64 ageValue = DeltaSeconds(context.value(u"age"_qs)).value_or(0);
    return std::max(apparentAge, ageValue + responseDelay);
}

// noCache: a cache revalidates the response before every use, fresh or not.
void addFreshness(const Context &context, const Lifetime &lifetime, bool noCache, QList<Finding> &findings)
{
    const qint64 age = context.received.isValid() ? currentAge(context) : 0;
    const qint64 remaining = lifetime.seconds - age;
    const QString revalidated = u"no-cache のためキャッシュは使うたびに再検証します"_qs;
    const QString state = remaining > 0 ? u"あと "_qs + Number(remaining)
            + (noCache ? u" 秒は新鮮ですが、"_qs + revalidated
                       : u" 秒は新鮮で、その間は検証なしに再利用されます"_qs)
                                        : u"すでに "_qs + Number(-remaining) + u" 秒古く (stale)、"_qs
            + (noCache ? revalidated : u"キャッシュは再検証してから使います"_qs);
    Add(findings, u"freshness", Level::Info, kCache, lifetime.header,
        lifetime.source + u"から鮮度の有効期間は "_qs + Number(lifetime.seconds) + u" 秒、経過時間は "_qs
            + Number(age) + u" 秒で、"_qs + state + u'。',
        u"RFC 9111 §4.2.1");
    Finding &finding = findings.last();
    finding.lifetime = lifetime.seconds;
    finding.age = age;
    finding.remaining = remaining;
}

} // namespace

void CheckFreshness(const Context &context, const CacheControl &cacheControl, QList<Finding> &findings)
{
    if (cacheControl.has(u"no-store"))
        return;
    // A no-cache that names fields lets the rest be reused without validation.
    const Directive *noCacheDirective = cacheControl.find(u"no-cache");
    const bool noCache = noCacheDirective && !noCacheDirective->hasValue;
    if (const auto lifetime = explicitLifetime(context, cacheControl)) {
        addFreshness(context, *lifetime, noCache, findings);
        return;
    }
    // Without a lifetime, a response revalidated at every use has nothing to guess.
    if (noCache)
        return;
    const int status = context.response.status;
    if (std::find(kHeuristicStatuses.begin(), kHeuristicStatuses.end(), status) == kHeuristicStatuses.end())
        return;
    const QString lastModified = context.value(u"last-modified"_qs);
    const auto modified = headers::ReadHttpDate(lastModified);
    const QDateTime date = context.date.value_or(context.received);
    const qint64 since = modified && date.isValid() ? modified->moment.secsTo(date) : -1;
    if (since <= 0) {
        Add(findings, u"heuristic-freshness", Level::Warn, kCache, u"cache-control",
            u"状態 "_qs + QString::number(status)
                + u" の応答に Cache-Control の max-age も Expires もないため、キャッシュが独自の推測で"
                  u"保存期間を決め、変更がいつ見えるか分かりません。"_qs,
            u"RFC 9111 §4.2.2");
        return;
    }
    // The usual heuristic: a tenth of the time since the last modification.
    const Lifetime lifetime{
        since / 10, Quoted(u"Last-Modified", lastModified) + u"による推測"_qs, u"last-modified"};
    Add(findings, u"heuristic-freshness", Level::Warn, kCache, u"cache-control",
        u"状態 "_qs + QString::number(status)
            + u" の応答に Cache-Control の max-age も Expires もないため、"_qs
            + Quoted(u"Last-Modified", lastModified) + u"から Date までの 10 % の "_qs
            + Number(lifetime.seconds) + u" 秒ほど、キャッシュが検証なしに再利用しかねません。"_qs,
        u"RFC 9111 §4.2.2");
    findings.last().lifetime = lifetime.seconds;
    addFreshness(context, lifetime, false, findings);
}

} // namespace diagnosis
