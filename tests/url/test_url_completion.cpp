#include "url/url_completion.h"

#include <QTest>

namespace {
const QString kBadFormat = QStringLiteral("URL の書式が正しくないため、読み込みできませんでした。");
const QString kFtp = QStringLiteral("FTP には対応していません。HTTP で接続を試みます。");

QString unknownProtocol(const QString &scheme)
{
    return scheme + QStringLiteral(" は不明なプロトコルです。");
}
} // namespace

class TestUrlCompletion : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void completion_data();
    void completion();
    void makeURLPath_data();
    void makeURLPath();
};

void TestUrlCompletion::completion_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("warning");

    // The worked examples.
    QTest::newRow("www") << "www.example.com" << "http://www.example.com" << true << QString();
    QTest::newRow("slash www") << "/www.example.com/a" << "http://www.example.com/a" << true
                               << QString();
    QTest::newRow("no scheme") << "example.com" << "example.com" << false << kBadFormat;
    QTest::newRow("http") << "http://example.com/" << "http://example.com/" << true << QString();
    QTest::newRow("HTTP") << "HTTP://example.com/" << "http://example.com/" << true << QString();
    QTest::newRow("ttp") << "ttp://example.com/" << "http://example.com/" << true << QString();
    QTest::newRow("slashes only") << "//example.com" << "http://example.com" << true << QString();
    QTest::newRow("ftp") << "ftp://ftp.example.com/pub/" << "http://ftp.example.com/pub/" << true
                         << kFtp;
    QTest::newRow("FTP") << "FTP://example.com" << "http://example.com" << true << QString();
    QTest::newRow("https") << "https://example.com/" << "https://example.com/" << true << QString();
    QTest::newRow("HTTPS") << "HTTPS://example.com" << "HTTPS://example.com" << false
                           << unknownProtocol("HTTPS");
    QTest::newRow("mailto") << "mailto://x" << "mailto://x" << false << unknownProtocol("mailto");
    QTest::newRow("spaces around") << "  www.example.com  " << "http://www.example.com" << true
                                   << QString();

    // Trimming covers tabs and the ideographic space, also when refused.
    QTest::newRow("tab and U+3000") << QString::fromUtf16(u"\t\u3000www.example.com\u3000\t")
                                    << "http://www.example.com" << true << QString();
    QTest::newRow("refused is trimmed") << " example.com\t" << "example.com" << false << kBadFormat;
    QTest::newRow("empty") << "" << "" << false << kBadFormat;
    QTest::newRow("blank") << QString::fromUtf16(u" \u3000 ") << "" << false << kBadFormat;

    // Comparisons are case-sensitive and need the exact forms.
    QTest::newRow("WWW") << "WWW.example.com" << "WWW.example.com" << false << kBadFormat;
    QTest::newRow("one slash") << "http:/example.com" << "http:/example.com" << false
                               << kBadFormat;

    // Up to five characters before "//" become "http:", whatever they were.
    QTest::newRow("ttps") << "ttps://example.com" << "http://example.com" << true << QString();
    QTest::newRow("news") << "news://x" << "http://x" << true << QString();
    QTest::newRow("other short") << "ab://x/y" << "http://x/y" << true << QString();
    QTest::newRow("ftp colon later") << "ftp:x//y" << "http://y" << true << QString();
    QTest::newRow("port after slashes") << "//example.com:8080/"
                                        << "http://example.com:8080/" << true << QString();

    // Beyond that only exactly "https" is accepted.
    QTest::newRow("no colon, far slashes") << "www.example.com//x" << "www.example.com//x" << false
                                           << unknownProtocol(QString());
    QTest::newRow("gopher") << "gopher://x" << "gopher://x" << false << unknownProtocol("gopher");
    QTest::newRow("https, later slashes") << "https:x//y" << "https:x//y" << true << QString();
}

void TestUrlCompletion::completion()
{
    QFETCH(QString, typed);
    const url::Completion result = url::CompleteURL(typed);
    QTEST(result.url, "url");
    QTEST(result.valid, "valid");
    QTEST(result.warning, "warning");
}

void TestUrlCompletion::makeURLPath_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("directory");

    QTest::newRow("page") << "http://example.com/dir/page.html" << "http://example.com/dir/";
    QTest::newRow("directory") << "http://example.com/dir/" << "http://example.com/dir/";
    QTest::newRow("root") << "http://example.com/" << "http://example.com/";
    QTest::newRow("no path") << "http://example.com" << "http://example.com";
    QTest::newRow("slash in query") << "http://example.com/cgi?x=a/b" << "http://example.com/cgi?x=a/";
    QTest::newRow("no slash") << "example.com" << "example.com";
    QTest::newRow("empty") << "" << "";
    // A last "/" that closes a double slash counts as "no path".
    QTest::newRow("double slash in path") << "http://example.com/a//b" << "http://example.com/a//b";
}

void TestUrlCompletion::makeURLPath()
{
    QFETCH(QString, address);
    QTEST(url::MakeURLPath(address), "directory");
}

QTEST_GUILESS_MAIN(TestUrlCompletion)
#include "test_url_completion.moc"
