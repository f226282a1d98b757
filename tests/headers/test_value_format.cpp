#include "headers/value_format.h"

#include <QHash>
#include <QTest>

#include <limits>

namespace {

QString u16(const char16_t *text)
{
    return QString::fromUtf16(text);
}

// Answers like the transfer control's GetHeader: the value of the first
// header of that name in the raw block, ignoring the name's case.
headers::HeaderLookup lookupIn(const QString &rawBlock)
{
    QHash<QString, QString> values;
    for (const QString &line : rawBlock.split(u'\n')) {
        const QString name = line.section(u':', 0, 0).toLower();
        if (line.contains(u':') && !values.contains(name))
            values.insert(name, line.section(u':', 1).trimmed());
    }
    return [values](const QString &name) { return values.value(name.toLower()); };
}

constexpr float kUntouched = -42.0f;

} // namespace

class TestValueFormat : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void groupThousands_data();
    void groupThousands();
    void cnvCalc_data();
    void cnvCalc();
    void cnvCalcText_data();
    void cnvCalcText();
    void httpDate_data();
    void httpDate();
    void headerText_data();
    void headerText();
    void valuesWithSurroundingSpace();
};

// A zone with daylight saving, so that a clock time in its spring gap would
// show if dates were taken through local time.
void TestValueFormat::initTestCase()
{
    qputenv("TZ", "Europe/Berlin");
}

void TestValueFormat::groupThousands_data()
{
    QTest::addColumn<qint64>("n");
    QTest::addColumn<QString>("text");
    QTest::newRow("999") << qint64(999) << "999";
    QTest::newRow("1000") << qint64(1000) << "1,000";
    QTest::newRow("123456") << qint64(123456) << "123,456";
    QTest::newRow("-1234") << qint64(-1234) << "-1,234";
    QTest::newRow("max") << std::numeric_limits<qint64>::max() << "9,223,372,036,854,775,807";
    QTest::newRow("min") << std::numeric_limits<qint64>::min() << "-9,223,372,036,854,775,808";
}

void TestValueFormat::groupThousands()
{
    QFETCH(qint64, n);
    QTEST(headers::groupThousands(n), "text");
}

void TestValueFormat::cnvCalc_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("sngCalc");

    QTest::newRow("5") << qint64(5) << "0.00 KB" << 5 / 1024.0f;
    QTest::newRow("512") << qint64(512) << "0.50 KB" << 0.5f;
    QTest::newRow("1024") << qint64(1024) << "1.00 KB" << 1.0f;
    QTest::newRow("1260") << qint64(1260) << "1.23 KB" << 1.23046875f;
    QTest::newRow("999 KB less one") << qint64(1022975) << "999.00 KB" << 1022975 / 1024.0f;
    QTest::newRow("999 KB") << qint64(1022976) << "0.98 MB" << 0.9755859375f;
    QTest::newRow("1 MB") << qint64(1048576) << "1.00 MB" << 1.0f;
    QTest::newRow("5 MB") << qint64(5242880) << "5.00 MB" << 5.0f;
    QTest::newRow("999 MB") << qint64(1047527424) << "0.98 GB" << 0.9755859375f;
    QTest::newRow("1 GB") << qint64(1073741824) << "1.00 GB" << 1.0f;
    QTest::newRow("3 GB, beyond 32 bits") << qint64(3221225472) << "3.00 GB" << 3.0f;
    QTest::newRow("999 GB less one") << qint64(1072668082175) << "999.00 GB" << 999.0f;
    QTest::newRow("999 GB") << qint64(1072668082176) << "" << kUntouched;
    QTest::newRow("max") << std::numeric_limits<qint64>::max() << "" << kUntouched;
    // Halves round away from zero (rounding to even would give 0.12 and 0.62).
    QTest::newRow("128 half") << qint64(128) << "0.13 KB" << 0.125f;
    QTest::newRow("640 half") << qint64(640) << "0.63 KB" << 0.625f;
    // Rounding sees the single-precision quotient: 16.015000343 is held as
    // 16.014999390, and 16.124999046 as 16.125.
    QTest::newRow("single below half") << qint64(16792945) << "16.01 MB" << 16792945 / 1048576.0f;
    QTest::newRow("single on half") << qint64(16908287) << "16.13 MB" << 16.125f;
}

void TestValueFormat::cnvCalc()
{
    QFETCH(qint64, bytes);
    float sngCalc = kUntouched;
    QTEST(headers::cnvCalc(bytes, &sngCalc), "text");
    QTEST(sngCalc, "sngCalc");
    QTEST(headers::cnvCalc(QString::number(bytes)), "text");
}

void TestValueFormat::cnvCalcText_data()
{
    QTest::addColumn<QString>("cValue");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "" << "";
    QTest::newRow("spaces around") << " 1260 " << "1.23 KB";
    QTest::newRow("not a number") << "abc" << "";
    QTest::newRow("fraction") << "12.5" << "";
    QTest::newRow("grouped") << "1,260" << "";
    QTest::newRow("beyond 64 bits") << "99999999999999999999" << "";
}

void TestValueFormat::cnvCalcText()
{
    QFETCH(QString, cValue);
    QFETCH(QString, text);
    float sngCalc = kUntouched;
    QCOMPARE(headers::cnvCalc(cValue, &sngCalc), text);
    QCOMPARE(sngCalc == kUntouched, text.isEmpty());
}

void TestValueFormat::httpDate_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("text");

    const QString nov6 = u16(u"1994年11月6日 08時49分37秒");
    QTest::newRow("rfc 1123") << "Sun, 06 Nov 1994 08:49:37 GMT" << nov6;
    QTest::newRow("no zone conversion") << "Mon, 31 Dec 2029 23:59:59 +0900"
                                        << u16(u"2029年12月31日 23時59分59秒");
    QTest::newRow("in a daylight-saving gap") << "Sun, 31 Mar 2024 02:30:00 GMT"
                                              << u16(u"2024年3月31日 02時30分00秒");
    QTest::newRow("one-digit day") << "Sun, 6 Nov 1994 08:49:37 GMT" << nov6;
    QTest::newRow("dashes") << "Thu, 01-Jan-1970 00:00:01 GMT" << u16(u"1970年1月1日 00時00分01秒");
    QTest::newRow("rfc 850") << "Sunday, 06-Nov-94 08:49:37 GMT" << nov6;
    QTest::newRow("rfc 850 leap day") << "Tuesday, 29-Feb-00 12:00:00 GMT"
                                      << u16(u"2000年2月29日 12時00分00秒");
    QTest::newRow("asctime") << "Sun Nov  6 08:49:37 1994" << nov6;
    QTest::newRow("surrounding space") << " Sun, 06 Nov 1994 08:49:37 GMT\t" << nov6;

    QTest::newRow("empty") << "" << QString();
    QTest::newRow("zero") << "0" << QString();
    QTest::newRow("minus one") << "-1" << QString();
    QTest::newRow("no such day") << "Thu, 31 Feb 1994 08:49:37 GMT" << QString();
    QTest::newRow("hour 25") << "Sun, 06 Nov 1994 25:00:00 GMT" << QString();
    QTest::newRow("unknown month") << "Sun, 06 Nvm 1994 08:49:37 GMT" << QString();
    QTest::newRow("no time") << "Sun, 06 Nov 1994" << QString();
}

void TestValueFormat::httpDate()
{
    QFETCH(QString, value);
    QTEST(headers::FormatHttpDate(value), "text");
}

void TestValueFormat::headerText_data()
{
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QString>("shown");

    QTest::newRow("typical block")
        << "HTTP/1.1 200 OK\r\n"
           "Date: Sun, 06 Nov 1994 08:49:37 GMT\r\n"
           "Last-Modified: Sat, 05 Nov 1994 10:00:00 GMT\r\n"
           "Content-Length: 1260\r\n"
           "Connection: close\r\n"
           "Content-Type: text/html\r\n\r\n"
        << u16(u"HTTP/1.1 200 OK\r\n"
               u"時刻 : 1994年11月6日 08時49分37秒\r\n"
               u"最終更新時刻 : 1994年11月5日 10時00分00秒\r\n"
               u"サイズ : 1.23 KB (1,260 バイト)\r\n"
               u"持続接続 : 完了\r\n"
               u"MIME タイプ : text/html\r\n\r\n");
    QTest::newRow("only colons spaced")
        << "HTTP/1.1 302 Found\r\nLocation: http://example.com/\r\nX-Time: 10:20"
        << "HTTP/1.1 302 Found\r\nLocation : http ://example.com/\r\nX-Time : 10 :20";
    QTest::newRow("colon with space") << "a : b" << "a  : b";
    QTest::newRow("date and expires alike")
        << "Date: Sun, 06 Nov 1994 08:49:37 GMT\nExpires: Sun, 06 Nov 1994 08:49:37 GMT"
        << u16(u"時刻 : 1994年11月6日 08時49分37秒\n有効期限 : 1994年11月6日 08時49分37秒");
    QTest::newRow("unreadable dates") << "Date: yesterday\r\nExpires: 0\r\nLast-Modified: -1"
                                      << u16(u"時刻 : yesterday\r\n有効期限 : 0\r\n最終更新時刻 : -1");
    // "X-Date:" is relabelled "X-時刻:", but only the line that starts with the
    // label is the Date header's line.
    QTest::newRow("x-date before date")
        << "X-Date: Sun, 06 Nov 1994 08:49:37 GMT\r\nDate: Sun, 06 Nov 1994 08:49:37 GMT"
        << u16(u"X-時刻 : Sun, 06 Nov 1994 08 :49 :37 GMT\r\n時刻 : 1994年11月6日 08時49分37秒");
    QTest::newRow("length zero") << "Content-Length: 0" << u16(u"サイズ : 0");
    QTest::newRow("length not a number") << "Content-Length: 12a" << u16(u"サイズ : 12a");
    QTest::newRow("length beyond 32 bits")
        << "Content-Length: 3221225472" << u16(u"サイズ : 3.00 GB (3,221,225,472 バイト)");
    QTest::newRow("length of 999 GB")
        << "Content-Length: 1072668082176" << u16(u"サイズ :  (1,072,668,082,176 バイト)");
    // The same digits stand in the status line, the entity tag and a header
    // whose name ends in "Content-Length:".
    QTest::newRow("size only in its line")
        << "HTTP/1.1 200 OK\r\nETag: \"200\"\r\nX-Content-Length: 200\r\nContent-Length: 200\r\n"
        << u16(u"HTTP/1.1 200 OK\r\nエンティティタグ : \"200\"\r\nX-サイズ : 200\r\n"
               u"サイズ : 0.20 KB (200 バイト)\r\n");
}

void TestValueFormat::headerText()
{
    QFETCH(QString, raw);
    QTEST(headers::FormatHeaderText(raw, lookupIn(raw)), "shown");
}

// The control may report a value with the blanks around it in the line; the
// value is still found as it stands there.
void TestValueFormat::valuesWithSurroundingSpace()
{
    const auto padded = [](const QString &name) {
        if (name == u"Content-Length")
            return QStringLiteral(" 1260 ");
        return name == u"Date" ? QStringLiteral("\tSun, 06 Nov 1994 08:49:37 GMT ") : QString();
    };
    QCOMPARE(headers::FormatHeaderText("Date:  Sun, 06 Nov 1994 08:49:37 GMT\r\n"
                                       "Content-Length:  1260",
                                       padded),
             u16(u"時刻 :  1994年11月6日 08時49分37秒\r\nサイズ :  1.23 KB (1,260 バイト)"));
    QCOMPARE(headers::FormatHeaderText("a:b", nullptr), "a :b");
}

QTEST_GUILESS_MAIN(TestValueFormat)
#include "test_value_format.moc"
