#include "core/diagnosis/cookies.h"

#include "core/headers/value_format.h"

namespace diagnosis {

bool Cookie::looksLikeSession() const
{
    for (QStringView part : {u"sess", u"login", u"sid", u"token"}) {
        if (name.contains(part, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QList<Cookie> ReadCookies(const Context &context)
{
    QList<Cookie> cookies;
    for (const QString &field : context.values(u"set-cookie"_qs)) {
        const QList<QStringView> parts = QStringView(field).split(u';');
        Cookie cookie;
        const QStringView pair = parts.first();
        // A pair without "=" is a value with an empty name.
        const qsizetype equals = pair.indexOf(u'=');
        cookie.name = equals < 0 ? QString() : pair.left(equals).trimmed().toString();
        std::optional<qint64> maxAge, expires;
        for (QStringView part : parts.sliced(1)) {
            const qsizetype equals = part.indexOf(u'=');
            const QString name = part.left(equals).trimmed().toString().toLower();
            const QString value = equals < 0 ? QString() : part.sliced(equals + 1).trimmed().toString();
            if (name == u"secure")
                cookie.secure = true;
            else if (name == u"httponly")
                cookie.httpOnly = true;
            else if (name == u"samesite")
                cookie.sameSite = value.toLower();
            else if (name == u"domain")
                cookie.domain = value;
            else if (name == u"path")
                cookie.path = value;
            else if (name == u"max-age" && headers::ByteCount(value))
                maxAge = *headers::ByteCount(value);
            else if (name == u"expires") {
                const auto date = headers::ReadHttpDate(value);
                if (date && context.received.isValid())
                    expires = context.received.secsTo(date->moment);
            }
        }
        // Max-Age takes precedence over Expires.
        cookie.lifetime = maxAge ? maxAge : expires;
        cookies.append(cookie);
    }
    return cookies;
}

} // namespace diagnosis
