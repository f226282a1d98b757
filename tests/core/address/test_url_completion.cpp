#include "core/address/url_completion.h"
#include "support/sample_data.h"

#include <QTest>

class TestUrlCompletion : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // What was typed, then the address it completes to, 1 when it may be fetched, the warning and the
    // automatic Referer: the address's directory without user, password or fragment.
    void completion_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        testdata::AddTextRows({// No "//": only "www." and "/www." are completed, case-sensitively. Spaces,
                               // tabs and U+3000
            // are trimmed, also from refused text.
            "\t\u3000 www.example.com\u3000\t|http://www.example.com 1  http://www.example.com",
            "/www.example.com/a|http://www.example.com/a 1  http://www.example.com/",
            " example.com\t|example.com 0 URL の書式が正しくないため、読み込みできませんでした。 example.com",
            "WWW.example.com|WWW.example.com 0 URL の書式が正しくないため、読み込みできませんでした。 "
            "WWW.example.com",
            // "//" at 0 to 5: whatever stands before it becomes "http:"; the FTP notice only for "ftp"
            // before a "//" at 3 or 4.
            "//example.com:8080/|http://example.com:8080/ 1  http://example.com:8080/",
            "ftp://ftp.example.com/pub/x|http://ftp.example.com/pub/x 1 FTP には対応していません。HTTP "
            "で接続を試みます。 http://ftp.example.com/pub/",
            "FTP://example.com|http://example.com 1  http://example.com",
            "HTTP://example.com/|http://example.com/ 1  http://example.com/", "ftp:x//y|http://y 1  http://y",
            // "//" at 6 or later: only exactly "https" before the first ":" is accepted. A last "/" that
            // closes a double slash counts as no path.
            "https://example.com/a//b|https://example.com/a//b 1  https://example.com/a//b",
            "http://@example.com/a/b#c/d|http://@example.com/a/b#c/d 1  http://example.com/a/",
            "HTTPS://example.com|HTTPS://example.com 0 HTTPS は不明なプロトコルです。 HTTPS://example.com",
            "www.example.com//x|www.example.com//x 0  は不明なプロトコルです。 www.example.com//x",
            // A completed address must name a host: libcurl would take the start of the path for one.
            "file:///x|file:///x 0 URL の書式が正しくないため、読み込みできませんでした。 file:///x",
            "http://@:8/|http://@:8/ 0 URL の書式が正しくないため、読み込みできませんでした。 http://:8/"});
    }

    void completion()
    {
        QFETCH(QString, typed);
        const url::Completion result = url::CompleteURL(typed);
        QTEST(QStringLiteral("%1 %2 %3 %4")
                  .arg(result.url)
                  .arg(int(result.valid))
                  .arg(result.warning, url::AutomaticReferer(result.url)),
            "expected");
    }
};

QTEST_GUILESS_MAIN(TestUrlCompletion)
#include "test_url_completion.moc"
