#include "core/headers/value_format.h"
#include "core/transfer/curl_header_block.h"
#include "support/sample_data.h"

#include <QTest>

// The header box's text: labels, sizes, dates and control characters.
class TestValueFormat : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A zone with daylight saving, so that a clock time in its spring gap would
    // show if dates were taken through local time.
    void initTestCase() { qputenv("TZ", "Europe/Berlin"); }

    // "size": cnvCalc of a byte count; "date": an HTTP date as shown; "box": the header box's text of a
    // block, whose header values are looked up in it.
    void presentation_data()
    {
        for (const char *column : {"function", "input", "shown"})
            QTest::addColumn<QString>(column);
        testdata::AddTextRows({
            // A unit is used up to 999 of it; the quotient is held in single precision (16.015000343 is
            // held as 16.014999390) and rounded half away from zero.
            "size|128|0.13 KB",
            "size|1022975|999.00 KB",
            "size|1022976|0.98 MB",
            "size|16792945|16.01 MB",
            "size|3221225472|3.00 GB",
            "size|1072668082175|999.00 GB",
            "size|1072668082176|",
            "size||",
            "size|12.5|",
            "size|99999999999999999999|",
            // The dates servers send; the clock time is shown as received. Two-digit years: 70 and later
            // are 19xx, earlier ones 20xx. Nothing for the rest.
            "date|Mon, 31 Dec 2029 23:59:59 +0900|2029年12月31日 23時59分59秒",
            "date|Sun, 31 Mar 2024 02:30:00 GMT|2024年3月31日 02時30分00秒", // in the spring gap
            "date|Sun, 6 Nov 1994 08:49:37 GMT|1994年11月6日 08時49分37秒",
            "date|Thu, 01-Jan-1970 00:00:01 GMT|1970年1月1日 00時00分01秒",
            "date|Thursday, 01-Jan-70 00:00:00 GMT|1970年1月1日 00時00分00秒",
            "date|Tuesday, 31-Dec-69 23:59:59 GMT|2069年12月31日 23時59分59秒",
            "date|Tuesday, 29-Feb-00 12:00:00 GMT|2000年2月29日 12時00分00秒",
            "date|Sun Nov  6 08:49:37 1994|1994年11月6日 08時49分37秒",
            "date|Thu, 31 Feb 1994 08:49:37 GMT|",
            "date|yesterday|",
            "date|0|",
            "date||",
            // Every label, each in its own line, so that two swapped labels show; a header name is
            // replaced before the value word of the same spelling ("Keep-Alive").
            "box|Connection:\nDate:\nTransfer-Encoding:\nAccept-Ranges:\nETag:\nServer:\nWWW-Authenticate:\n"
            "Content-Length:\nContent-Type:\nContent-Language:\nContent-Style-Type:\nContent-Script-Type:\n"
            "Content-Location:\nLast-Modified:\nKeep-Alive:\nVary:\nVia:\nExpires:\nPragma:\nCache-Control:\n"
            "Set-Cookie:\nX-Framework:\nX-Powered-By: ASP.NET\nX-Powered-By: PHP/\nno-cache\nno-store\n"
            "must-revalidate\nchunked\nKeep-Alive\nclose\ntimeout=\n, max=|持続接続 :\n時刻 "
            ":\n転送エンコード形式 :\n"
            "単位 :\nエンティティタグ :\nサーバー :\n認証 :\nサイズ :\nMIME タイプ :\n言語コード "
            ":\nスタイルシート :\n"
            "スクリプト言語 :\nコンテンツ URI :\n最終更新時刻 :\n持続的接続 :\n利用したヘッダ "
            ":\n経由プロキシ :\n"
            "有効期限 :\n追加情報 :\nキャッシュ指示 :\nクッキー :\nフレームワーク :\nプラットフォーム : "
            "ASP.NET\n"
            "PHP バージョン : \nキャッシュ無効\n保存不可\n再検証\nチャンク\n継続\n完了\nタイムアウト \n 秒, "
            "残数 ",
            // Rows match inside longer names and values, not only at line starts, names in any case;
            // only ASCII letters match regardless of case.
            "box|HTTP/1.1 200 OK\r\nProxy-Connection: keep-alive\r\nX: closeclose, max=, max=\r\n"
            "content-type: a\r\npragma: No-Cache\r\nY: clo\u017Fe \u212Aeep-Alive|HTTP/1.1 200 OK\n"
            "Proxy-持続接続 : 継続\nX : 完了完了 秒, 残数  秒, 残数 \nMIME タイプ : a\n追加情報 : "
            "キャッシュ無効\n"
            "Y : clo\u017Fe \u212Aeep-Alive",
            // Date and Expires alike: each is rewritten in its own line.
            "box|HTTP/1.1 200 OK\r\nDate: Sun, 06 Nov 1994 08:49:37 GMT\r\n"
            "Last-Modified: Sat, 05 Nov 1994 10:00:00 GMT\r\nContent-Length: 1260\r\nConnection: close\r\n"
            "Expires:  Sun, 06 Nov 1994 08:49:37 GMT|HTTP/1.1 200 OK\n時刻 : 1994年11月6日 08時49分37秒\n"
            "最終更新時刻 : 1994年11月5日 10時00分00秒\nサイズ : 1.23 KB (1,260 バイト)\n持続接続 : 完了\n"
            "有効期限 :  1994年11月6日 08時49分37秒",
            // A space goes before every ":", even one that already has a space; unreadable dates stay.
            "box|HTTP/1.1 302 Found\r\nLocation: http://example.com/\r\nX-Time: 10:20\r\na : b\r\n"
            "Date: yesterday\r\nExpires: 0\r\nLast-Modified: -1|HTTP/1.1 302 Found\n"
            "Location : http ://example.com/\nX-Time : 10 :20\na  : b\n時刻 : yesterday\n有効期限 : 0\n"
            "最終更新時刻 : -1",
            // The same digits stand in the status line, the entity tag and a header whose name ends in
            // "Content-Length:"; only the labelled line changes.
            "box|HTTP/1.1 200 OK\r\nETag: \"200\"\r\nX-Content-Length: 200\r\nContent-Length: 200|"
            "HTTP/1.1 200 OK\nエンティティタグ : \"200\"\nX-サイズ : 200\nサイズ : 0.20 KB (200 バイト)",
            "box|HTTP/1.1 200 OK\r\nContent-Length: 0|HTTP/1.1 200 OK\nサイズ : 0",
            "box|HTTP/1.1 200 OK\r\nContent-Length: 1072668082176|HTTP/1.1 200 OK\n"
            "サイズ :  (1,072,668,082,176 バイト)",
            // No control character a server sent acts on the box: C0, DEL and C1 are shown, TAB is kept.
            "box|HTTP/1.1 200 OK\r\nX: \x1b[1A\x1b[2K\x7f\u0085\u009f\tA\r\nServer: evil\b\bgood|"
            "HTTP/1.1 200 OK\nX : \\x1b[1A\\x1b[2K\\x7f\\x85\\x9f\tA\nサーバー : evil\\x08\\x08good",
        });
    }

    void presentation()
    {
        QFETCH(QString, function);
        QFETCH(QString, input);
        const auto value = [&input](const QString &name) { return HeaderValue(input, name); };
        QTEST(function == u"size"     ? headers::cnvCalc(input)
                : function == u"date" ? headers::FormatHttpDate(input)
                                      : headers::HeaderBoxText(input, value),
            "shown");
    }
};

QTEST_GUILESS_MAIN(TestValueFormat)
#include "test_value_format.moc"
