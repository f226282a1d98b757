#include "core/diagnosis/checks.h"

#include "core/headers/value_format.h"

#include <cstdlib>

namespace diagnosis {
namespace {

constexpr qint64 kMostSkewSeconds = 10;

// An entity tag (RFC 9110 §8.8.3): an optional "W/", then a quoted string of
// visible characters other than the quote.
bool isEntityTag(QStringView tag)
{
    if (tag.startsWith(u"W/"))
        tag = tag.sliced(2);
    if (tag.size() < 2 || !tag.startsWith(u'"') || !tag.endsWith(u'"'))
        return false;
    for (const QChar c : tag.sliced(1, tag.size() - 2)) {
        if (c == u'"' || c <= u' ' || c == u'\x7f')
            return false;
    }
    return true;
}

void checkDates(const Context &context, QList<Finding> &findings)
{
    for (QStringView name : {u"Date", u"Last-Modified", u"Expires"}) {
        const QString value = context.value(name.toString().toLower());
        const auto date = headers::ReadHttpDate(value);
        if (!date || date->layout == headers::HttpDateLayout::Rfc1123)
            continue;
        Add(findings, u"date-obsolete", Level::Warn, kValidators, name.toString().toLower(),
            Quoted(name, value) + u"は廃止された "_qs
                + (date->layout == headers::HttpDateLayout::Rfc850 ? u"RFC 850"_qs : u"asctime"_qs)
                + u" の形式で、受け手によっては読めないため、"
                  "「Sun, 06 Nov 1994 08:49:37 GMT」の形式で送るべきです。"_qs,
            u"RFC 9110 §5.6.7");
    }
    const QString dateText = context.value(u"date"_qs);
    const int status = context.response.status;
    // Servers without a clock, and 1xx and 5xx answers, may leave Date out.
    if (!context.has(u"date"_qs) && status >= 200 && status < 500) {
        Add(findings, u"date-missing", Level::Warn, kValidators, u"date",
            u"Date がないため、キャッシュは応答の経過時間を自分の受信時刻から数えるしかなく、"
            u"鮮度の計算が不正確になります。"_qs,
            u"RFC 9110 §6.6.1");
    }
    const auto modifiedText = context.value(u"last-modified"_qs);
    const auto modified = headers::ReadHttpDate(modifiedText);
    if (modified && context.date && modified->moment > *context.date) {
        Add(findings, u"last-modified-future", Level::Bad, kValidators, u"last-modified",
            Quoted(u"Last-Modified", modifiedText) + u"が"_qs + Quoted(u"Date", dateText)
                + u"より後の時刻で、条件付き要求の判断や推測による有効期間が狂います。"_qs,
            u"RFC 9110 §8.8.2.1");
    }
    if (!context.date || !context.response.responseReceived.isValid())
        return;
    // A copy from a cache carries its original Date; its Age covers the time since.
    const qint64 age = DeltaSeconds(context.value(u"age"_qs)).value_or(0);
    const qint64 skew = context.date->addSecs(age).secsTo(context.received);
    if (std::abs(skew) > kMostSkewSeconds) {
        Add(findings, u"clock-skew", Level::Warn, kValidators, u"date",
            Quoted(u"Date", dateText) + u"は受信時のこの端末の時計と "_qs + Number(std::abs(skew))
                + u" 秒ずれています。鮮度の計算や期限の判断がずれた時計に引きずられます。"_qs,
            u"RFC 9110 §6.6.1");
    }
}

} // namespace

void CheckValidatorsAndDates(const Context &context, QList<Finding> &findings)
{
    for (const QString &tag : context.values(u"etag"_qs)) {
        if (!isEntityTag(tag)) {
            Add(findings, u"etag-syntax", Level::Warn, kValidators, u"etag",
                Quoted(u"ETag", tag)
                    + u"は引用符で囲まれたエンティティタグではないため、If-None-Match で正しく照合されない"
                      u"おそれがあります。"_qs,
                u"RFC 9110 §8.8.3");
        }
    }
    checkDates(context, findings);
}

} // namespace diagnosis
