#include "headers/value_format.h"

#include <QTest>

namespace {

// Answers like the transfer control's GetHeader: the value of the first
// header of that name, ignoring the name's case, with the blanks (and CR)
// that stand around it in the line.
headers::HeaderLookup lookupIn(const QString &block)
{
    return [block](const QString &name) {
        for (const QString &line : block.split(u'\n')) {
            if (line.section(u':', 0, 0).compare(name, Qt::CaseInsensitive) == 0)
                return line.section(u':', 1);
        }
        return QString();
    };
}

constexpr float kUntouched = -42.0f;

} // namespace

class TestValueFormat : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cnvCalc_data();
    void cnvCalc();
    void headerText_data();
    void headerText();
};

// A zone with daylight saving, so that a clock time in its spring gap would
// show if dates were taken through local time.
void TestValueFormat::initTestCase()
{
    qputenv("TZ", "Europe/Berlin");
}

void TestValueFormat::cnvCalc_data()
{
    QTest::addColumn<QString>("cValue");
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("sngCalc");

    QTest::newRow("half rounds away from zero") << "128" << "0.13 KB" << 0.125f;
    QTest::newRow("999 KB less one") << "1022975" << "999.00 KB" << 1022975 / 1024.0f;
    QTest::newRow("999 KB") << "1022976" << "0.98 MB" << 0.9755859375f;
    // Rounding sees the single-precision quotient: 16.015000343 is held as 16.014999390.
    QTest::newRow("single below half") << "16792945" << "16.01 MB" << 16792945 / 1048576.0f;
    QTest::newRow("3 GB, beyond 32 bits") << "3221225472" << "3.00 GB" << 3.0f;
    QTest::newRow("999 GB less one") << "1072668082175" << "999.00 GB" << 999.0f;
    QTest::newRow("999 GB") << "1072668082176" << "" << kUntouched;
    QTest::newRow("empty") << "" << "" << kUntouched;
    QTest::newRow("fraction") << "12.5" << "" << kUntouched;
    QTest::newRow("beyond 64 bits") << "99999999999999999999" << "" << kUntouched;
}

void TestValueFormat::cnvCalc()
{
    QFETCH(QString, cValue);
    float sngCalc = kUntouched;
    QTEST(headers::cnvCalc(cValue, &sngCalc), "text");
    QTEST(sngCalc, "sngCalc");
}

void TestValueFormat::headerText_data()
{
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QString>("shown");

    QTest::newRow("typical block") << "HTTP/1.1 200 OK\r\n"
                                      "Date: Sun, 06 Nov 1994 08:49:37 GMT\r\n"
                                      "Last-Modified: Sat, 05 Nov 1994 10:00:00 GMT\r\n"
                                      "Content-Length: 1260\r\n"
                                      "Connection: close\r\n"
                                      "Content-Type: text/html\r\n\r\n"
                                   << "HTTP/1.1 200 OK\r\n"
                                      "時刻 : 1994年11月6日 08時49分37秒\r\n"
                                      "最終更新時刻 : 1994年11月5日 10時00分00秒\r\n"
                                      "サイズ : 1.23 KB (1,260 バイト)\r\n"
                                      "持続接続 : 完了\r\n"
                                      "MIME タイプ : text/html\r\n\r\n";
    // A space goes before every ":", even one that already has a space.
    QTest::newRow("colons")
        << "HTTP/1.1 302 Found\r\nLocation: http://example.com/\r\nX-Time: 10:20\r\na : b"
        << "HTTP/1.1 302 Found\r\nLocation : http ://example.com/\r\nX-Time : 10 :20\r\na  : b";
    QTest::newRow("date and expires alike, two spaces")
        << "Date:  Sun, 06 Nov 1994 08:49:37 GMT\nExpires: Sun, 06 Nov 1994 08:49:37 GMT"
        << "時刻 :  1994年11月6日 08時49分37秒\n有効期限 : 1994年11月6日 08時49分37秒";
    // Dates in the forms servers send; the clock time is shown as received.
    QTest::newRow("no zone conversion") << "Date: Mon, 31 Dec 2029 23:59:59 +0900"
                                        << "時刻 : 2029年12月31日 23時59分59秒";
    QTest::newRow("in a daylight-saving gap") << "Date: Sun, 31 Mar 2024 02:30:00 GMT"
                                              << "時刻 : 2024年3月31日 02時30分00秒";
    QTest::newRow("one-digit day") << "Date: Sun, 6 Nov 1994 08:49:37 GMT"
                                   << "時刻 : 1994年11月6日 08時49分37秒";
    QTest::newRow("dashes") << "Date: Thu, 01-Jan-1970 00:00:01 GMT" << "時刻 : 1970年1月1日 00時00分01秒";
    // Two-digit years: 70 and later are 19xx, earlier ones 20xx.
    QTest::newRow("rfc 850, 70") << "Date: Thursday, 01-Jan-70 00:00:00 GMT" << "時刻 : 1970年1月1日 00時00分00秒";
    QTest::newRow("rfc 850, 69") << "Date: Tuesday, 31-Dec-69 23:59:59 GMT" << "時刻 : 2069年12月31日 23時59分59秒";
    QTest::newRow("rfc 850 leap day") << "Date: Tuesday, 29-Feb-00 12:00:00 GMT"
                                      << "時刻 : 2000年2月29日 12時00分00秒";
    QTest::newRow("asctime") << "Date: Sun Nov  6 08:49:37 1994" << "時刻 : 1994年11月6日 08時49分37秒";
    QTest::newRow("no such day") << "Date: Thu, 31 Feb 1994 08:49:37 GMT"
                                 << "時刻 : Thu, 31 Feb 1994 08 :49 :37 GMT";
    QTest::newRow("unreadable dates") << "Date: yesterday\r\nExpires: 0\r\nLast-Modified: -1"
                                      << "時刻 : yesterday\r\n有効期限 : 0\r\n最終更新時刻 : -1";
    // The same digits stand in the status line, the entity tag and a header
    // whose name ends in "Content-Length:"; only the labelled line changes.
    QTest::newRow("size only in its line")
        << "HTTP/1.1 200 OK\r\nETag: \"200\"\r\nX-Content-Length: 200\r\nContent-Length: 200\r\n"
        << "HTTP/1.1 200 OK\r\nエンティティタグ : \"200\"\r\nX-サイズ : 200\r\n"
           "サイズ : 0.20 KB (200 バイト)\r\n";
    QTest::newRow("length zero") << "Content-Length: 0" << "サイズ : 0";
    QTest::newRow("length of 999 GB") << "Content-Length: 1072668082176"
                                      << "サイズ :  (1,072,668,082,176 バイト)";
}

void TestValueFormat::headerText()
{
    QFETCH(QString, raw);
    QTEST(headers::FormatHeaderText(raw, lookupIn(raw)), "shown");
}

QTEST_GUILESS_MAIN(TestValueFormat)
#include "test_value_format.moc"
