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
                            ? u"は SameSite=None なのに Secure がないため、"
                              "ブラウザはこのクッキーを受け付けません。"_qs
                            : u"に Secure がないため、"
                              "ブラウザは http の要求にもこのクッキーを載せ、途中で読まれかねません。"_qs),
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
        // What the name's prefix asks for and the cookie lacks.
        QStringList lacks;
        const bool hostPrefix = cookie.name.startsWith(u"__Host-", Qt::CaseInsensitive);
        if ((hostPrefix || cookie.name.startsWith(u"__Secure-", Qt::CaseInsensitive)) && !cookie.secure)
            lacks << u"Secure がない"_qs;
        if (hostPrefix && cookie.domain)
            lacks << u"Domain がある"_qs;
        if (hostPrefix && cookie.path != u"/")
            lacks << u"Path が / ではない"_qs;
        if (!lacks.isEmpty()) {
            Add(findings, u"cookie-prefix", Level::Bad, kCookies, u"set-cookie",
                name + u"は名前が "_qs + cookie.name.left(cookie.name.indexOf(u'-') + 1)
                    + u" で始まるのに "_qs + lacks.join(u"、")
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
