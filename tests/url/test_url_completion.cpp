#include "url/url_completion.h"

#include <QTest>

class TestUrlCompletion : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void completion_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("warning");

        const char *const bad = "URL の書式が正しくないため、読み込みできませんでした。";
        const char *const ftp = "FTP には対応していません。HTTP で接続を試みます。";
        const auto row = [](const char *name, const char *typed, const char *url, bool valid,
                            const char *warning) {
            QTest::newRow(name) << typed << url << valid << warning;
        };
        // No "//": only "www." and "/www." are completed, case-sensitively.
        // Spaces, tabs and U+3000 are trimmed, also from refused text.
        row("www, trimmed", "\t\u3000 www.example.com\u3000\t", "http://www.example.com", true, "");
        row("slash www", "/www.example.com/a", "http://www.example.com/a", true, "");
        row("no scheme, trimmed", " example.com\t", "example.com", false, bad);
        row("WWW", "WWW.example.com", "WWW.example.com", false, bad);
        // "//" at 0 to 5: whatever stands before it becomes "http:"; the FTP notice
        // only for "ftp" before a "//" at 3 or 4.
        row("slashes only", "//example.com:8080/", "http://example.com:8080/", true, "");
        row("ftp", "ftp://ftp.example.com/pub/", "http://ftp.example.com/pub/", true, ftp);
        row("FTP", "FTP://example.com", "http://example.com", true, "");
        row("HTTP", "HTTP://example.com/", "http://example.com/", true, "");
        row("ftp, slashes at 5", "ftp:x//y", "http://y", true, "");
        // "//" at 6 or later: only exactly "https" before the first ":" is accepted.
        row("https", "https://example.com/", "https://example.com/", true, "");
        row("HTTPS", "HTTPS://example.com", "HTTPS://example.com", false, "HTTPS は不明なプロトコルです。");
        row("no colon, far slashes", "www.example.com//x", "www.example.com//x", false,
            " は不明なプロトコルです。");
    }

    void completion()
    {
        QFETCH(QString, typed);
        const url::Completion result = url::CompleteURL(typed);
        QTEST(result.url, "url");
        QTEST(result.valid, "valid");
        QTEST(result.warning, "warning");
    }

    void makeURLPath_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("directory");
        QTest::newRow("page") << "http://example.com/dir/page.html" << "http://example.com/dir/";
        QTest::newRow("no path") << "http://example.com" << "http://example.com";
        // A last "/" that closes a double slash counts as "no path".
        QTest::newRow("double slash in path") << "http://example.com/a//b" << "http://example.com/a//b";
        QTest::newRow("no slash") << "example.com" << "example.com";
    }

    void makeURLPath()
    {
        QFETCH(QString, address);
        QTEST(url::MakeURLPath(address), "directory");
    }
};

QTEST_GUILESS_MAIN(TestUrlCompletion)
#include "test_url_completion.moc"
