#include "core/transfer/curl_header_block.h"
#include "core/headers/header_annotation.h"
#include "core/headers/value_format.h"
#include "support/sample_data.h"

#include <QTest>

// The header box's text: labels, sizes and dates.
class TestValueFormat : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A zone with daylight saving, so that a clock time in its spring gap would
    // show if dates were taken through local time.
    void initTestCase() { qputenv("TZ", "Europe/Berlin"); }

    void cnvCalc_data()
    {
        // A unit is used up to 999 of it; the quotient is held in single precision
        // (16.015000343 is held as 16.014999390) and rounded half away from zero.
        QTest::addColumn<QString>("cValue");
        QTest::addColumn<QString>("text");
        testdata::AddTextRows({"128|0.13 KB", "1022975|999.00 KB", "1022976|0.98 MB", "16792945|16.01 MB",
                                "3221225472|3.00 GB", "1072668082175|999.00 GB", "1072668082176|", "|", "12.5|",
                                "99999999999999999999|"});
    }

    void cnvCalc()
    {
        QFETCH(QString, cValue);
        QTEST(headers::cnvCalc(cValue), "text");
    }

    void httpDate_data()
    {
        // The dates servers send; the clock time is shown as received. Two-digit
        // years: 70 and later are 19xx, earlier ones 20xx. Nothing for the rest.
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("shown");
        testdata::AddTextRows({"Mon, 31 Dec 2029 23:59:59 +0900|2029年12月31日 23時59分59秒",
                                "Sun, 31 Mar 2024 02:30:00 GMT|2024年3月31日 02時30分00秒", // in the spring gap
                                "Sun, 6 Nov 1994 08:49:37 GMT|1994年11月6日 08時49分37秒",
                                "Thu, 01-Jan-1970 00:00:01 GMT|1970年1月1日 00時00分01秒",
                                "Thursday, 01-Jan-70 00:00:00 GMT|1970年1月1日 00時00分00秒",
                                "Tuesday, 31-Dec-69 23:59:59 GMT|2069年12月31日 23時59分59秒",
                                "Tuesday, 29-Feb-00 12:00:00 GMT|2000年2月29日 12時00分00秒",
                                "Sun Nov  6 08:49:37 1994|1994年11月6日 08時49分37秒",
                                "Thu, 31 Feb 1994 08:49:37 GMT|", "yesterday|", "0|", "|"});
    }

    void httpDate()
    {
        QFETCH(QString, value);
        QTEST(headers::FormatHttpDate(value), "shown");
    }

    void consequences_data()
    {
        QTest::addColumn<QString>("block");
        QTest::addColumn<QString>("translated");

        // Every label, each in its own line, so that two swapped labels show; a header
        // name is replaced before the value word of the same spelling ("Keep-Alive").
        QTest::newRow("every label")
            << "Connection:\nDate:\nTransfer-Encoding:\nAccept-Ranges:\nETag:\nServer:\nWWW-Authenticate:\n"
               "Content-Length:\nContent-Type:\nContent-Language:\nContent-Style-Type:\nContent-Script-Type:\n"
               "Content-Location:\nLast-Modified:\nKeep-Alive:\nVary:\nVia:\nExpires:\nPragma:\nCache-Control:\n"
               "Set-Cookie:\nX-Framework:\nX-Powered-By: ASP.NET\nX-Powered-By: PHP/\nno-cache\nno-store\n"
               "must-revalidate\nchunked\nKeep-Alive\nclose\ntimeout=\n, max="
            << "持続接続:\n時刻:\n転送エンコード形式:\n単位:\nエンティティタグ:\nサーバー:\n認証:\n"
               "サイズ:\nMIME タイプ:\n言語コード:\nスタイルシート:\nスクリプト言語:\n"
               "コンテンツ URI:\n最終更新時刻:\n持続的接続:\n利用したヘッダ:\n経由プロキシ:\n有効期限:\n追加情報:\nキャッシュ指示:\n"
               "クッキー:\nフレームワーク:\nプラットフォーム: ASP.NET\nPHP バージョン: \nキャッシュ無効\n保存不可\n"
               "再検証\nチャンク\n継続\n完了\nタイムアウト \n 秒, 残数 ";
        // Rows match inside longer names and values, not only at line starts.
        QTest::newRow("proxy-connection") << "Proxy-Connection: keep-alive" << "Proxy-持続接続: 継続";
        QTest::newRow("repeated") << "closeclose, max=, max=" << "完了完了 秒, 残数  秒, 残数 ";
        // Names in any case; only ASCII letters match regardless of case.
        QTest::newRow("any case") << "content-type: a\r\nACCEPT-RANGES: 1\r\npragma: No-Cache"
                                  << "MIME タイプ: a\r\n単位: 1\r\n追加情報: キャッシュ無効";
        QTest::newRow("non-ascii look-alike") << "clo\u017Fe \u212Aeep-Alive" << "clo\u017Fe \u212Aeep-Alive";
    }

    void consequences()
    {
        QFETCH(QString, block);
        QTEST(mod::TranslateHeaders(block), "translated");
    }

    void headerText_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("shown");
        // Date and Expires alike: each is rewritten in its own line.
        QTest::newRow("typical block")
            << "HTTP/1.1 200 OK\r\nDate: Sun, 06 Nov 1994 08:49:37 GMT\r\n"
               "Last-Modified: Sat, 05 Nov 1994 10:00:00 GMT\r\nContent-Length: 1260\r\nConnection: close\r\n"
               "Content-Type: text/html\r\nExpires:  Sun, 06 Nov 1994 08:49:37 GMT\r\n\r\n"
            << "HTTP/1.1 200 OK\r\n時刻 : 1994年11月6日 08時49分37秒\r\n最終更新時刻 : 1994年11月5日 10時00分00秒\r\n"
               "サイズ : 1.23 KB (1,260 バイト)\r\n持続接続 : 完了\r\nMIME タイプ : text/html\r\n"
               "有効期限 :  1994年11月6日 08時49分37秒\r\n\r\n";
        // A space goes before every ":", even one that already has a space; unreadable dates stay as received.
        QTest::newRow("colons, unreadable dates")
            << "HTTP/1.1 302 Found\r\nLocation: http://example.com/\r\nX-Time: 10:20\r\na : b\r\nDate: yesterday\r\n"
               "Expires: 0\r\nLast-Modified: -1"
            << "HTTP/1.1 302 Found\r\nLocation : http ://example.com/\r\nX-Time : 10 :20\r\na  : b\r\n"
               "時刻 : yesterday\r\n有効期限 : 0\r\n最終更新時刻 : -1";
        // The same digits stand in the status line, the entity tag and a header
        // whose name ends in "Content-Length:"; only the labelled line changes.
        QTest::newRow("size only in its line")
            << "HTTP/1.1 200 OK\r\nETag: \"200\"\r\nX-Content-Length: 200\r\nContent-Length: 200\r\n"
            << "HTTP/1.1 200 OK\r\nエンティティタグ : \"200\"\r\nX-サイズ : 200\r\nサイズ : 0.20 KB (200 バイト)\r\n";
        QTest::newRow("length zero") << "HTTP/1.1 200 OK\r\nContent-Length: 0" << "HTTP/1.1 200 OK\r\nサイズ : 0";
        QTest::newRow("length of 999 GB") << "HTTP/1.1 200 OK\r\nContent-Length: 1072668082176"
                                          << "HTTP/1.1 200 OK\r\nサイズ :  (1,072,668,082,176 バイト)";
    }

    void headerText()
    {
        QFETCH(QString, raw);
        const auto value = [&raw](const QString &name) { return HeaderValue(raw, name); };
        QTEST(headers::FormatHeaderText(raw, value), "shown");
    }
};

QTEST_GUILESS_MAIN(TestValueFormat)
#include "test_value_format.moc"
