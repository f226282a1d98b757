#include "core/diagnosis/checks.h"
#include "core/diagnosis/security_headers.h"

namespace diagnosis {
namespace {

void checkHsts(const Context &context, QList<Finding> &findings)
{
    const Hsts hsts = ReadHsts(context);
    const QString value = context.value(u"strict-transport-security"_qs);
    if (!context.response.tls) {
        if (hsts.present) {
            Add(findings, u"hsts-over-http", Level::Info, kSecurity, u"strict-transport-security",
                Quoted(u"Strict-Transport-Security", value)
                    + u"は暗号化されていない http の応答で届いたため、ブラウザは無視します。"_qs,
                u"RFC 6797 §8.1");
        }
        return;
    }
    if (!hsts.present) {
        Add(findings, u"hsts-missing", Level::Warn, kSecurity, u"strict-transport-security",
            u"https の応答に Strict-Transport-Security がないため、ブラウザは次回も http で接続しかねず、"
            u"その最初の要求が盗み見や書き換えにさらされます。"_qs,
            u"RFC 6797 §6.1");
    } else if (!hsts.maxAge) {
        Add(findings, u"hsts-invalid", Level::Bad, kSecurity, u"strict-transport-security",
            Quoted(u"Strict-Transport-Security", value)
                + u"には正しい max-age がない (または指示が重複している) ため、ブラウザはこの指定を"
                  u"無視します。"_qs,
            u"RFC 6797 §6.1.1");
    } else if (*hsts.maxAge < kHstsLeastMaxAge) {
        Add(findings, u"hsts-short", Level::Warn, kSecurity, u"strict-transport-security",
            Quoted(u"Strict-Transport-Security", value) + u"の max-age は "_qs + Number(*hsts.maxAge)
                + u" 秒で 180 日 (15,552,000 秒) に満たず、期限が切れると再び http で接続されかねません。"_qs,
            u"RFC 6797 §6.1.1");
    }
}

void checkCsp(const Context &context, QList<Finding> &findings)
{
    const Csp csp = ReadCsp(context);
    if (csp.present) {
        const QString value = context.value(u"content-security-policy"_qs);
        QStringList unsafe;
        if (csp.allowsUnsafeInline())
            unsafe.append(u"nonce もハッシュもない 'unsafe-inline'"_qs);
        if (csp.allowsUnsafeEval())
            unsafe.append(u"'unsafe-eval'"_qs);
        if (!unsafe.isEmpty()) {
            Add(findings, u"csp-unsafe", Level::Warn, kSecurity, u"content-security-policy",
                Quoted(u"Content-Security-Policy", value) + u"のスクリプトの許可に "_qs + unsafe.join(u" と ")
                    + u" があり、注入されたスクリプトが実行されるのを防げません。"_qs,
                u"CSP Level 3 script-src");
        }
    } else if (context.html && csp.reportOnly) {
        Add(findings, u"csp-report-only", Level::Warn, kSecurity, u"content-security-policy-report-only",
            u"Content-Security-Policy-Report-Only だけがあり、"
            "ブラウザは違反を報告するだけで何も防ぎません。"_qs,
            u"CSP Level 3 §3.2");
    } else if (context.html) {
        Add(findings, u"csp-missing", Level::Warn, kSecurity, u"content-security-policy",
            u"HTML の応答に Content-Security-Policy がないため、ブラウザは注入されたスクリプトの実行を"
            u"制限できません。"_qs,
            u"CSP Level 3 §3.1");
    }
    if (context.html && !FramingForbidden(context, csp)) {
        Add(findings, u"framing", Level::Warn, kSecurity, u"x-frame-options",
            u"X-Frame-Options の DENY か SAMEORIGIN も、Content-Security-Policy の frame-ancestors も"
            u"ないため、他のサイトがこのページを枠に入れてクリックを横取りできます。"_qs,
            u"RFC 7034 §2.1");
    }
}

void checkOtherSecurityHeaders(const Context &context, QList<Finding> &findings)
{
    if (!NoSniff(context)) {
        const QString message = context.has(u"x-content-type-options"_qs)
            ? Quoted(u"X-Content-Type-Options", context.value(u"x-content-type-options"_qs))
                + u"は nosniff ではないため、"_qs
            : u"X-Content-Type-Options: nosniff がないため、"_qs;
        Add(findings, u"xcto", Level::Warn, kSecurity, u"x-content-type-options",
            message
                + u"ブラウザが Content-Type を無視して内容から種類を推測し、"
                  "スクリプトとして実行しかねません。"_qs,
            u"Fetch X-Content-Type-Options");
    }
    const ReferrerPolicy referrer = ReadReferrerPolicy(context);
    const QString value = context.values(u"referrer-policy"_qs).join(u", ");
    if (referrer.safety == ReferrerSafety::Private) {
        Add(findings, u"referrer-policy", Level::Good, kSecurity, u"referrer-policy",
            Quoted(u"Referrer-Policy", value)
                + u"により、ブラウザは他のサイトへアドレスのパスや問い合わせを送りません。"_qs,
            u"Referrer Policy §3");
    } else if (referrer.safety == ReferrerSafety::Invalid) {
        Add(findings, u"referrer-policy", Level::Warn, kSecurity, u"referrer-policy",
            Quoted(u"Referrer-Policy", value)
                + u"にはブラウザの知る方針がなく、ブラウザは既定の方針を使います。"_qs,
            u"Referrer Policy §3");
    } else if (referrer.safety != ReferrerSafety::Absent) {
        Add(findings, u"referrer-policy", Level::Warn, kSecurity, u"referrer-policy",
            Quoted(u"Referrer-Policy", value) + u"の "_qs + referrer.policy
                + u" では、"
                  "ブラウザが他のサイトへ (http へも) アドレスの全体か生成元を Referer として送ります。"_qs,
            u"Referrer Policy §3");
    }
}

void checkLeaksAndDeprecations(const Context &context, QList<Finding> &findings)
{
    for (QStringView name : {u"X-Powered-By", u"X-AspNet-Version", u"X-AspNetMvc-Version"}) {
        const QString key = name.toString().toLower();
        if (context.has(key)) {
            Add(findings, u"leaky-header", Level::Info, kSecurity, key,
                Quoted(name, context.value(key))
                    + u"はサーバーのソフトウェアを明かし、既知の脆弱性を狙う手がかりになります。"_qs,
                u"RFC 9110 §10.2.4");
        }
    }
    const QString server = context.value(u"server"_qs);
    for (qsizetype slash = server.indexOf(u'/'); slash >= 0; slash = server.indexOf(u'/', slash + 1)) {
        if (slash + 1 < server.size() && server[slash + 1].isDigit()) {
            Add(findings, u"leaky-header", Level::Info, kSecurity, u"server",
                Quoted(u"Server", server)
                    + u"は版番号まで明かし、その版の既知の脆弱性を狙う手がかりになります。"_qs,
                u"RFC 9110 §10.2.4");
            break;
        }
    }
    struct Deprecated {
        QStringView name;
        QStringView reason;
        QStringView reference;
    };
    static constexpr Deprecated kDeprecated[] = {
        {u"X-XSS-Protection",
            u"ブラウザの XSS フィルタは廃止され、古いブラウザでは逆に情報漏れの原因になります",
            u"非標準 (各ブラウザで廃止)"},
        {u"Expect-CT", u"Certificate Transparency は今は常に求められ、ブラウザはこのヘッダを無視します",
            u"RFC 9163 §1"},
        {u"Public-Key-Pins", u"ブラウザは公開鍵の固定をやめており、このヘッダを無視します", u"RFC 7469 §2.1"},
        {u"Feature-Policy", u"Permissions-Policy に置き換えられ、今のブラウザは読みません",
            u"Permissions Policy"},
        {u"P3P", u"プライバシー方針の宣言は廃止され、ブラウザは読みません", u"W3C P3P 1.1 (廃止)"},
        {u"Warning", u"HTTP の仕様から外され、キャッシュも使いません", u"RFC 9111 §5.5"},
    };
    for (const Deprecated &deprecated : kDeprecated) {
        const QString key = deprecated.name.toString().toLower();
        if (context.has(key)) {
            Add(findings, u"deprecated-header", Level::Warn, kSecurity, key,
                Quoted(deprecated.name, context.value(key)) + u"は廃止されたヘッダで、"_qs
                    + deprecated.reason.toString() + u'。',
                deprecated.reference);
        }
    }
}

} // namespace

void CheckSecurityHeaders(const Context &context, QList<Finding> &findings)
{
    checkHsts(context, findings);
    checkCsp(context, findings);
    checkOtherSecurityHeaders(context, findings);
    checkLeaksAndDeprecations(context, findings);
}

} // namespace diagnosis
