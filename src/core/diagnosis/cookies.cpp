#include "core/diagnosis/cookies.h"

#include "core/headers/value_format.h"

namespace diagnosis {

namespace {

bool looksLikeSession(const QString &name)
{
    const QString lower = name.toLower();
    for (QStringView part : {u"sess", u"login", u"sid", u"token"}) {
        if (lower.contains(part))
            return true;
    }
    return false;
}

} // namespace

QList<Cookie> ReadCookies(const Context &context)
{
    QList<Cookie> cookies;
    for (const QString &field : context.values(u"set-cookie"_qs)) {
        const QList<QStringView> parts = SplitAt(field, u';');
        Cookie cookie;
        const QStringView pair = parts.first();
        // A pair without "=" is a value with an empty name.
        const qsizetype equals = pair.indexOf(u'=');
        cookie.name = equals < 0 ? QString() : pair.left(equals).trimmed().toString();
        std::optional<qint64> maxAge, expires;
        for (QStringView part : parts.sliced(1)) {
            const qsizetype equals = part.indexOf(u'=');
            const QStringView name = part.left(equals).trimmed();
            const QStringView value = equals < 0 ? QStringView() : part.sliced(equals + 1).trimmed();
            const auto is = [&name](QStringView attribute) {
                return name.size() == attribute.size() && name.compare(attribute, Qt::CaseInsensitive) == 0;
            };
            if (is(u"secure"))
                cookie.secure = true;
            else if (is(u"httponly"))
                cookie.httpOnly = true;
            else if (is(u"samesite"))
                cookie.sameSite = value.toString().toLower();
            else if (is(u"domain"))
                cookie.domain = value.toString();
            else if (is(u"path"))
                cookie.path = value.toString();
            else if (is(u"max-age") && headers::ByteCount(value))
                maxAge = *headers::ByteCount(value);
            else if (is(u"expires") && !maxAge) {
                const auto date = headers::ReadHttpDate(value);
                if (date && context.received.isValid())
                    expires = context.received.secsTo(date->moment);
            }
        }
        cookie.session = looksLikeSession(cookie.name);
        // Max-Age takes precedence over Expires.
        cookie.lifetime = maxAge ? maxAge : expires;
        cookies.append(cookie);
    }
    return cookies;
}

} // namespace diagnosis
