#include "core/diagnosis/checks.h"

namespace diagnosis {
namespace {

// The longest life browsers give a cookie: 400 days.
constexpr qint64 kLongestCookieLifetime = 400LL * 24 * 60 * 60;

} // namespace

void CheckCookies(const Context &context, const QList<Cookie> &cookies, QList<Finding> &findings)
{
    for (const Cookie &cookie : cookies) {
        QString name = u"クッキー「"_qs;
        name += Shown(cookie.name);
        name += u'」';
        const bool sameSiteNone = cookie.sameSite == u"none";
        if (context.response.tls && !cookie.secure) {
            Add(findings, u"cookie-secure", sameSiteNone ? Level::Bad : Level::Warn, kCookies, u"set-cookie",
                name
                    + (sameSiteNone
                            ? u"は SameSite=None なのに Secure がないため、ブラウザはこのクッキーを受け付けません。"_qs
                            : u"に Secure がないため、ブラウザは http の要求にもこのクッキーを載せ、途中で読まれかねません。"_qs),
                u"RFC 6265bis §4.1.2.5");
        }
        if (cookie.session && !cookie.httpOnly) {
            Add(findings, u"cookie-httponly", Level::Warn, kCookies, u"set-cookie",
                name
                    + u"はセッションのもののようですが HttpOnly がなく、ページのスクリプトから読めるため、"
                      u"XSS で盗まれかねません。"_qs,
                u"RFC 6265bis §4.1.2.6");
        }
        if (!cookie.sameSite) {
            Add(findings, u"cookie-samesite", Level::Info, kCookies, u"set-cookie",
                name + u"に SameSite がないため、ブラウザの既定 (多くは Lax) に任されます。"_qs,
                u"RFC 6265bis §4.1.2.7");
        }
        const bool securePrefix = cookie.name.startsWith(u"__Secure-", Qt::CaseInsensitive);
        const bool hostPrefix = cookie.name.startsWith(u"__Host-", Qt::CaseInsensitive);
        if ((securePrefix && !cookie.secure)
            || (hostPrefix && (!cookie.secure || cookie.domain || cookie.path != u"/"))) {
            Add(findings, u"cookie-prefix", Level::Bad, kCookies, u"set-cookie",
                name
                    + (securePrefix
                            ? u"は __Secure- で始まるのに Secure がない"_qs
                            : u"は __Host- で始まるのに Secure がないか、Domain があるか、Path が / ではない"_qs)
                    + u"ため、ブラウザはこのクッキーを受け付けません。"_qs,
                u"RFC 6265bis §4.1.3");
        }
        if (cookie.lifetime > kLongestCookieLifetime) {
            Add(findings, u"cookie-lifetime", Level::Warn, kCookies, u"set-cookie",
                name + u"の有効期間は "_qs + Number(*cookie.lifetime / 86400)
                    + u" 日で、ブラウザは 400 日までに縮めます。"_qs,
                u"RFC 6265bis §5.5");
        }
    }
}

} // namespace diagnosis
