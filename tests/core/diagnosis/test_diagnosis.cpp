// The diagnosis of one response: which findings a header block gives, at
// which level, and the security score and grade.
#include "core/diagnosis/diagnosis.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestDiagnosis : public QObject {
    Q_OBJECT

    // The findings as "id:level", freshness's figures in brackets, then "grade score".
    static QString Summary(const diagnosis::Diagnosis &result)
    {
        QStringList parts;
        for (const diagnosis::Finding &finding : result.findings) {
            QString part = finding.id + u':' + diagnosis::LevelId(finding.level).toString();
            if (finding.lifetime)
                part += u"(%1/%2/%3)"_s.arg(*finding.lifetime)
                            .arg(finding.age.value_or(-1))
                            .arg(finding.remaining.value_or(-1));
            parts << part;
        }
        return parts.join(u' ') + u" | "_s + result.security.grade + u' '
            + QString::number(result.security.score);
    }

    // The diagnosis of block, its lines joined by CR LF, as the answer to address; %D is the Date of the
    // moment the answer arrived (Tue, 08 Dec 2026 12:00:00 GMT, a second after the request left); an https
    // address came over TLS. %S is a set of security headers that scores 110 (A+).
    static diagnosis::Diagnosis Diagnosed(const QString &address, QString block)
    {
        block.replace(u"%D"_s, u"Date: Tue, 08 Dec 2026 12:00:00 GMT"_s)
            .replace(u"%S"_s,
                u"Content-Security-Policy: default-src 'self'\nStrict-Transport-Security: max-age=31536000\n"
                "X-Content-Type-Options: nosniff\nX-Frame-Options: DENY"_s)
            .replace(u'\n', u"\r\n"_s);
        diagnosis::Response response = diagnosis::ReadBlock(block);
        response.url = address;
        response.tls = address.startsWith(u"https:");
        response.responseReceived = QDateTime(QDate(2026, 12, 8), QTime(12, 0), Qt::UTC);
        response.requestSent = response.responseReceived.addSecs(-1);
        return diagnosis::Diagnose(response);
    }

private Q_SLOTS:
    // "address|block|summary" (see Diagnosed).
    void diagnose_data()
    {
        QTest::addColumn<QString>("row");
        const char *rows[] = {
            // Caching: the lifetime from s-maxage, max-age, Expires − Date or Last-Modified; the age
            // from Age, Date and the request's own second.
            "https://h/|HTTP/2 200\ndate: Tue, 08 Dec 2026 11:58:20 GMT\nage: 100\ncache-control: "
            "max-age=3600\nETag: \"a\"\n%S|freshness:info(3600/101/3499) http-version:info | A+ 110",
            "https://h/|HTTP/1.1 200 OK\n%D\nCache-Control: s-maxage=60, max-age=3600\nLast-Modified: Mon, "
            "07 Dec 2026 12:00:00 GMT\n%S|freshness:info(60/1/59) http-version:info | A+ 110",
            "https://h/|HTTP/1.1 200 OK\n%D\nExpires: Tue, 08 Dec 2026 11:00:00 GMT\nETag: "
            "\"a\"\n%S|freshness:info(0/1/-1) http-version:info | A+ 110",
            "https://h/|HTTP/1.1 200 OK\n%D\nExpires: 0\nETag: \"a\"\n%S|expires-invalid:warn "
            "freshness:info(0/1/-1) http-version:info | A+ 110",
            "https://h/|HTTP/1.1 404 Not Found\n%D\nLast-Modified: Sun, 29 Nov 2026 12:00:00 "
            "GMT\n%S|heuristic-freshness:warn(77760/-1/-1) freshness:info(77760/1/77759) http-version:info | "
            "A+ 110",
            "https://h/|HTTP/1.1 302 Found\n%D\nLocation: https://h/a\n%S|http-version:info | A+ 110",
            "https://h/|HTTP/1.1 200 OK\n%D\nCache-Control: no-store, max-age=60\nCache-Control: public, "
            "private, immutable\n%S|public-private:bad cc-conflict:warn no-validator:warn no-store:info "
            "private:info http-version:info | A+ 110",
            "https://h/|HTTP/1.1 200 OK\n%D\nCache-Control: private=\"Set-Cookie\", max-age=\"60\", "
            "max-age=10, s-maxage=-1\nETag: W/\"a\"\n%S|cc-syntax:warn cc-syntax:warn freshness:info(0/1/-1) "
            "http-version:info | A+ 110",
            "https://h/|HTTP/1.1 200 OK\n%D\nCache-Control: no-cache, max-age=x\nPragma: no-cache\nVary: "
            "*\n%S|cc-syntax:warn no-validator:warn pragma:warn vary-star:warn freshness:info(0/1/-1) "
            "http-version:info | A+ 110",
            "https://h/|HTTP/1.1 204 No Content\n%D\nCache-Control: must-revalidate, max-age=0\nVary: "
            "Accept-Encoding, user-agent\n%S|no-validator:warn vary-user-agent:warn freshness:info(0/1/-1) "
            "http-version:info | A+ 110",
            // Validators and dates.
            "https://h/|HTTP/1.1 200 OK\n%D\nETag: abc\nETag: W/\"a b\"\nLast-Modified: Tue, 08 Dec 2026 "
            "12:00:01 GMT\n%S|last-modified-future:bad repeated-header:bad heuristic-freshness:warn "
            "etag-syntax:warn etag-syntax:warn http-version:info | A+ 110",
            "https://h/|HTTP/1.1 200 OK\nETag: \"a\"\n%S|heuristic-freshness:warn date-missing:warn "
            "http-version:info | A+ 110",
            "https://h/|HTTP/1.1 503 Service Unavailable\n%S|http-version:info | A+ 110",
            "https://h/|HTTP/1.1 200 OK\nDate: Tue, 08 Dec 2026 11:59:49 GMT\nETag: "
            "\"a\"\n%S|heuristic-freshness:warn clock-skew:warn http-version:info | A+ 110",
            "https://h/|HTTP/1.1 200 OK\nDate: Tuesday, 08-Dec-26 12:00:10 GMT\nExpires: Tue Dec  8 13:00:00 "
            "2026\nETag: \"a\"\n%S|date-obsolete:warn date-obsolete:warn freshness:info(3590/1/3589) "
            "http-version:info | A+ 110",
            // Redirects.
            "https://h/|HTTP/1.1 301 Moved Permanently\n%D\n%S|redirect-no-location:bad "
            "heuristic-freshness:warn http-version:info | A+ 110",
            "https://h/a/b|HTTP/1.1 307 Temporary Redirect\n%D\nLocation: ../c?d\n%S|location-relative:info "
            "http-version:info | A+ 110",
            "http://h/|HTTP/1.1 200 OK\n%D\nETag: \"a\"\nStrict-Transport-Security: "
            "max-age=31536000|heuristic-freshness:warn no-https-redirect:warn xcto:warn hsts-over-http:info "
            "http-version:info | D 30",
            "HTTP://h/|HTTP/1.1 200 OK\n%D\nETag: \"a\"|heuristic-freshness:warn no-https-redirect:warn "
            "xcto:warn http-version:info | D 30",
            // Security headers.
            "https://h/|HTTP/1.1 200 OK\n%D\nETag: \"a\"\nContent-Type: text/html; "
            "charset=utf-8|heuristic-freshness:warn hsts-missing:warn csp-missing:warn framing:warn "
            "xcto:warn http-version:info | D 30",
            "https://h/|HTTP/1.1 200 OK\n%D\nETag: \"a\"\nStrict-Transport-Security: "
            "max-age=abc\nContent-Security-Policy: script-src 'self' 'unsafe-inline' "
            "'unsafe-eval'\nX-Frame-Options: SAMEORIGIN\nX-Content-Type-Options: nosniff|hsts-invalid:bad "
            "heuristic-freshness:warn csp-unsafe:warn http-version:info | C+ 60",
            "https://h/|HTTP/1.1 200 OK\n%D\nETag: \"a\"\nStrict-Transport-Security: "
            "max-age=15551999\nContent-Type: TEXT/HTML\nContent-Security-Policy: default-src 'none'; "
            "script-src "
            "'nonce-x' 'unsafe-inline'; frame-ancestors 'self'\nX-Content-Type-Options: "
            "nosniff|heuristic-freshness:warn hsts-short:warn http-version:info | A+ 105",
            "https://h/|HTTP/1.1 200 OK\n%D\nETag: \"a\"\nStrict-Transport-Security: max-age=1; "
            "MAX-AGE=1\nContent-Type: text/html\nContent-Security-Policy-Report-Only: default-src "
            "'none'\nX-Frame-Options: ALLOW-FROM https://a/\nX-Content-Type-Options: nosniff, "
            "nosniff|hsts-invalid:bad heuristic-freshness:warn csp-report-only:warn framing:warn "
            "http-version:info | D 35",
            "https://h/|HTTP/1.1 200 OK\n%D\nETag: \"a\"\n%S\nReferrer-Policy: no-referrer, "
            "strict-origin-when-cross-origin|heuristic-freshness:warn http-version:info referrer-policy:good "
            "| A+ 115",
            "https://h/|HTTP/1.1 200 OK\n%D\nETag: \"a\"\n%S\nReferrer-Policy: "
            "unsafe-url|heuristic-freshness:warn referrer-policy:warn http-version:info | A+ 105",
            "https://h/|HTTP/1.1 200 OK\n%D\nETag: \"a\"\n%S\nReferrer-Policy: no-referrer-when-downgrade, "
            "future-policy|heuristic-freshness:warn referrer-policy:warn http-version:info | A+ 110",
            "https://h/|HTTP/1.1 200 OK\n%D\nETag: \"a\"\n%S\nReferrer-Policy: "
            "never|heuristic-freshness:warn referrer-policy:warn http-version:info | A+ 105",
            "https://h/|HTTP/1.1 200 OK\n%D\nETag: \"a\"\n%S\nX-Powered-By: PHP/8.2\nServer: "
            "nginx/1.22.1\nX-AspNet-Version: 4.0|heuristic-freshness:warn leaky-header:info "
            "leaky-header:info leaky-header:info http-version:info | A+ 110",
            "https://h/|HTTP/1.1 200 OK\n%D\nETag: \"a\"\n%S\nServer: nginx\nX-XSS-Protection: 1; "
            "mode=block\nExpect-CT: max-age=0\nPublic-Key-Pins: pin-sha256=\"x\"\nFeature-Policy: camera "
            "'none'\nP3P: CP=\"x\"\nWarning: 110 - \"stale\"|heuristic-freshness:warn deprecated-header:warn "
            "deprecated-header:warn deprecated-header:warn deprecated-header:warn deprecated-header:warn "
            "deprecated-header:warn http-version:info | A+ 110",
            // Cookies.
            "https://h/|HTTP/1.1 200 OK\n%D\nETag: \"a\"\n%S\nSet-Cookie: SessionID=1; HttpOnly; "
            "SameSite=Lax\nSet-Cookie: theme=dark; SameSite=None|cookie-secure:bad heuristic-freshness:warn "
            "cookie-secure:warn http-version:info | A+ 100",
            "https://h/|HTTP/1.1 200 OK\n%D\nETag: \"a\"\n%S\nSet-Cookie: login=1; Secure\nSet-Cookie: "
            "__Host-a=1; Secure; Path=/; Domain=h; SameSite=Strict; HttpOnly\nSet-Cookie: __secure-b=1; "
            "SameSite=Lax|cookie-prefix:bad cookie-prefix:bad heuristic-freshness:warn cookie-httponly:warn "
            "cookie-secure:warn cookie-samesite:info http-version:info | B 70",
            "https://h/|HTTP/1.1 200 OK\n%D\nETag: \"a\"\n%S\nSet-Cookie: __Host-a=1; Secure; path=/; "
            "SameSite=strict; Max-Age=34560001\nSet-Cookie: b=1; Secure; SameSite=Lax; Expires=Fri, 01 Jan "
            "2100 00:00:00 GMT; Max-Age=60\nSet-Cookie: c=1; Secure; SameSite=Lax; Expires=Fri, 01 Jan 2100 "
            "00:00:00 GMT|heuristic-freshness:warn cookie-lifetime:warn cookie-lifetime:warn "
            "http-version:info | A+ 115",
            "https://h/|HTTP/1.1 200 OK\n%D\nETag: \"a\"\n%S\nSet-Cookie: csrftoken=1; Secure; "
            "HttpOnly\nSet-Cookie: a=1; Secure; SameSite=Loose|heuristic-freshness:warn cookie-samesite:info "
            "http-version:info | B+ 80",
            "http://h/|HTTP/1.1 301 Moved\n%D\nLocation: https://h/\nSet-Cookie: sid=1; "
            "SameSite=Lax|heuristic-freshness:warn xcto:warn cookie-httponly:warn http-version:info | F 0",
            // Transfer.
            "https://h/|HTTP/1.0 200 OK\n%D\nETag: \"a\"\n%S\nContent-Length: 10\nTransfer-Encoding: "
            "chunked\nContent-Type: text/plain\ncontent-type: text/plain\nLocation: /a\nLocation: "
            "/b\nContent-Encoding: gzip\nVary: Origin|cl-and-te:bad repeated-header:bad "
            "heuristic-freshness:warn encoding-no-vary:warn location-relative:info http-version:info | A+ "
            "110",
            "https://h/|HTTP/3 200\n%D\nETag: \"a\"\n%S\nContent-Encoding: br\nVary: "
            "accept-encoding|heuristic-freshness:warn http-version:info | A+ 110",
            // The score: bonuses count while the penalties leave 90 or more.
            "https://h/|HTTP/2 200\n%D\nETag: \"a\"\n%S\nCross-Origin-Opener-Policy: same-origin; "
            "report-to=\"r\"\nCross-Origin-Resource-Policy: cross-origin\nCross-Origin-Embedder-Policy: "
            "require-corp|heuristic-freshness:warn http-version:info | A+ 130",
            "https://h/|HTTP/2 200\n%D\nETag: \"a\"\nContent-Security-Policy: default-src "
            "'self'\nStrict-Transport-Security: max-age=86400\nX-Content-Type-Options: "
            "nosniff\nX-Frame-Options: DENY|heuristic-freshness:warn hsts-short:warn http-version:info | A+ "
            "100",
            "https://h/|HTTP/2 200\n%D\nETag: \"a\"\nContent-Security-Policy: default-src "
            "'self'\nStrict-Transport-Security: max-age=86400\nX-Frame-Options: "
            "DENY\nCross-Origin-Opener-Policy: same-origin|heuristic-freshness:warn hsts-short:warn "
            "xcto:warn http-version:info | A- 85",
            "https://h/|HTTP/2 200\n%D\nETag: \"a\"\nContent-Security-Policy: default-src "
            "'self'\nStrict-Transport-Security: max-age=86400\nX-Frame-Options: DENY\nReferrer-Policy: "
            "origin|heuristic-freshness:warn hsts-short:warn xcto:warn referrer-policy:warn "
            "http-version:info | B+ 80",
            "https://h/|HTTP/2 200\n%D\nETag: \"a\"\nContent-Security-Policy: default-src 'self'; style-src "
            "'unsafe-inline'\nX-Frame-Options: DENY|heuristic-freshness:warn hsts-missing:warn xcto:warn "
            "http-version:info | B 75",
            "https://h/|HTTP/2 200\n%D\nETag: \"a\"\nContent-Security-Policy: default-src "
            "https:\nX-Frame-Options: DENY\nX-Content-Type-Options: nosniff|heuristic-freshness:warn "
            "hsts-missing:warn http-version:info | C+ 60",
            "https://h/|HTTP/2 200\n%D\nETag: \"a\"\nContent-Security-Policy: default-src 'self'; img-src "
            "http://i\nX-Frame-Options: DENY\nStrict-Transport-Security: "
            "max-age=86400\nX-Content-Type-Options: nosniff|heuristic-freshness:warn hsts-short:warn "
            "http-version:info | B+ 80",
            "https://h/|HTTP/2 200\n%D\nETag: \"a\"\nContent-Security-Policy: script-src 'self' "
            "'unsafe-eval'; object-src 'none'\nStrict-Transport-Security: "
            "max-age=86400|heuristic-freshness:warn hsts-short:warn csp-unsafe:warn xcto:warn "
            "http-version:info | C 55",
            "https://h/|HTTP/2 200\n%D\nETag: \"a\"\nStrict-Transport-Security: "
            "max-age=86400\nX-Frame-Options: DENY|heuristic-freshness:warn hsts-short:warn xcto:warn "
            "http-version:info | C+ 60",
            "https://h/|HTTP/2 200\n%D\nETag: \"a\"\nContent-Security-Policy: default-src 'self' "
            "http://s\nStrict-Transport-Security: max-age=86400\nX-Frame-Options: "
            "DENY|heuristic-freshness:warn hsts-short:warn xcto:warn http-version:info | B- 65",
            "https://h/|HTTP/2 200\n%D\nETag: \"a\"\nContent-Security-Policy: ;|heuristic-freshness:warn "
            "hsts-missing:warn xcto:warn http-version:info | D 30",
            "https://h/|HTTP/2 200\n%D\nETag: \"a\"\nReferrer-Policy: never|heuristic-freshness:warn "
            "hsts-missing:warn xcto:warn referrer-policy:warn http-version:info | D- 25",
            "https://h/|HTTP/2 200\n%D\nETag: \"a\"\nReferrer-Policy: never\nCross-Origin-Embedder-Policy: "
            "corp|heuristic-freshness:warn hsts-missing:warn xcto:warn referrer-policy:warn "
            "http-version:info | F 20",
            "http://h/|HTTP/1.1 200 OK\n%D\nETag: \"a\"\nSet-Cookie: sid=1|heuristic-freshness:warn "
            "no-https-redirect:warn xcto:warn cookie-httponly:warn cookie-samesite:info http-version:info | "
            "F 0",
            "https://h/|HTTP/2 200\n%D\nETag: \"a\"\nContent-Security-Policy: default-src 'self'; style-src "
            "'unsafe-inline'\nStrict-Transport-Security: max-age=86400\nX-Frame-Options: "
            "DENY\nX-Content-Type-Options: nosniff|heuristic-freshness:warn hsts-short:warn "
            "http-version:info | A 95",
            "https://h/|HTTP/2 200\n%D\nETag: \"a\"\nX-Frame-Options: DENY\nReferrer-Policy: "
            "never|heuristic-freshness:warn hsts-missing:warn xcto:warn referrer-policy:warn "
            "http-version:info | C- 45",
            "https://h/|HTTP/2 200\n%D\nETag: \"a\"\nStrict-Transport-Security: "
            "max-age=86400|heuristic-freshness:warn hsts-short:warn xcto:warn http-version:info | D+ 40",
        };
        for (const char *row : rows)
            QTest::newRow(row) << QString::fromUtf8(row);
    }
    void diagnose()
    {
        QFETCH(QString, row);
        const QStringList parts = row.split(u'|');
        QCOMPARE(Summary(Diagnosed(parts[0], parts[1])), parts.mid(2).join(u'|'));
    }

    // "address|block|the first finding as the terminal shows it"; %X stands for 300 "x", %x for 200.
    void message_data()
    {
        QTest::addColumn<QString>("row");
        const char *rows[] = {
            "https://h/|HTTP/1.1 500 X\n%D\n%S\nServer: %X/1|[情報] セキュリティ : 「Server: "
            "%x…」は版番号まで明かし、その版の既知の脆弱性を狙う手がかりになります。 (RFC 9110 §10.2.4)",
            "https://h/|HTTP/1.1 200 OK\nDate: Tue, 08 Dec 2026 11:58:20 GMT\nCache-Control: "
            "max-age=60\nAge: 100\nETag: \"a\"\n%S|[情報] キャッシュ : 「Cache-Control: "
            "max-age=60」から鮮度の有効期間は 60 秒、経過時間は 101 秒で、すでに 41 秒古く "
            "(stale)、キャッシュは再検証してから使います。 (RFC 9111 §4.2.1)",
            "https://h/|HTTP/1.1 200 OK\n%D\nCache-Control: no-cache, max-age=60\nETag: \"a\"\n%S|[情報] "
            "キャッシュ : 「Cache-Control: max-age=60」から鮮度の有効期間は 60 秒、経過時間は 1 秒で、あと "
            "59 秒は新鮮ですが、no-cache のためキャッシュは使うたびに再検証します。 (RFC 9111 §4.2.1)",
            "https://h/a/b|HTTP/1.1 307 Temporary Redirect\n%D\nLocation: ../c?d\n%S|[情報] リダイレクト : "
            "「Location: "
            "../c?d」は相対参照で、ブラウザは要求したアドレスを基準に「https://h/c?d」へ進みます。 (RFC 9110 "
            "§10.2.2)",
            "https://h/|HTTP/1.1 200 OK\n%D\nETag: \"a\"\nCache-Control: max-age=1\n%S\nSet-Cookie: "
            "__Host-x=1; Secure|[問題] クッキー : クッキー「__Host-x」は名前が __Host- で始まるのに Path が "
            "/ ではないため、ブラウザはこのクッキーを受け付けません。 (RFC 6265bis §4.1.3)",
        };
        for (const char *row : rows)
            QTest::newRow(row) << QString::fromUtf8(row);
    }
    void message()
    {
        QFETCH(QString, row);
        const QStringList parts = row.split(u'|');
        const diagnosis::Finding first
            = Diagnosed(parts[0], QString(parts[1]).replace(u"%X"_s, QString(300, u'x'))).findings.value(0);
        QCOMPARE(u'[' + diagnosis::LevelText(first.level).toString() + u"] "_s + first.category + u" : "_s
                + first.message + u" ("_s + first.reference + u')',
            QString(parts[2]).replace(u"%x"_s, QString(200, u'x')));
    }
};

QTEST_GUILESS_MAIN(TestDiagnosis)
#include "test_diagnosis.moc"
