#include "headers/header_annotation.h"

#include <QTest>

class TestHeaderAnnotation : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void consequences_data();
    void consequences();
};

void TestHeaderAnnotation::consequences_data()
{
    QTest::addColumn<QString>("block");
    QTest::addColumn<QString>("translated");

    const auto row = [](const char *name, const char16_t *block, const char16_t *translated) {
        QTest::newRow(name) << QString::fromUtf16(block) << QString::fromUtf16(translated);
    };
    // The header name goes before the value word of the same spelling.
    row("keep-alive value", u"Connection: Keep-Alive", u"持続接続: 継続");
    row("keep-alive header", u"Keep-Alive: timeout=5, max=100",
        u"持続的接続: タイムアウト 5 秒, 残数 100");
    row("keep-alive without max", u"Keep-Alive: timeout=15", u"持続的接続: タイムアウト 15");
    row("php", u"X-Powered-By: PHP/5.1.2", u"PHP バージョン: 5.1.2");
    row("asp.net", u"X-Powered-By: ASP.NET", u"プラットフォーム: ASP.NET");
    row("powered-by other", u"X-Powered-By: Express", u"X-Powered-By: Express");
    row("powered-by two spaces", u"X-Powered-By:  PHP/8.2", u"X-Powered-By:  PHP/8.2");
    row("cache words", u"Cache-Control: no-cache, no-store, must-revalidate",
        u"キャッシュ指示: キャッシュ無効, 保存不可, 再検証");
    row("chunked", u"Transfer-Encoding: chunked", u"転送エンコード形式: チャンク");
    row("close", u"Connection: close", u"持続接続: 完了");
    // Rows match inside longer names and values, not only at line starts.
    row("proxy-connection", u"Proxy-Connection: keep-alive", u"Proxy-持続接続: 継続");
    row("x-date", u"X-Date: 1", u"X-時刻: 1");
    row("word in value", u"X-Note: enclosed", u"X-Note: en完了d");
    row("repeated", u"closeclose, max=, max=", u"完了完了 秒, 残数  秒, 残数 ");
    // Only ASCII letters match regardless of case.
    row("non-ascii look-alike", u"clo\u017Fe \u212Aeep-Alive", u"clo\u017Fe \u212Aeep-Alive");
    row("unknown headers", u"HTTP/1.1 301 Moved\r\nLocation: http://example.com/\r\nAge: 5",
        u"HTTP/1.1 301 Moved\r\nLocation: http://example.com/\r\nAge: 5");
    row("empty", u"", u"");
    // Names in any case, each row's exact label.
    row("block",
        u"HTTP/1.1 401 Unauthorized\r\nServer: nginx\r\nDate: x\r\ncontent-type: text/html\r\n"
        u"CONTENT-LENGTH: 1260\r\nAccept-Ranges: bytes\r\nETag: \"a\"\r\n"
        u"WWW-Authenticate: Basic\r\nContent-Language: ja\r\nContent-Style-Type: text/css\r\n"
        u"Content-Script-Type: text/javascript\r\nContent-Location: /a\r\n"
        u"Last-Modified: x\r\nVary: Accept\r\nVia: 1.1 p\r\nExpires: 0\r\nPragma: no-cache\r\n"
        u"Set-Cookie: a=b\r\nX-Framework: y\r\n",
        u"HTTP/1.1 401 Unauthorized\r\nサーバー: nginx\r\n時刻: x\r\nMIME タイプ: text/html\r\n"
        u"サイズ: 1260\r\n単位: bytes\r\nエンティティタグ: \"a\"\r\n"
        u"認証: Basic\r\n言語コード: ja\r\nスタイルシート: text/css\r\n"
        u"スクリプト言語: text/javascript\r\nコンテンツ URI: /a\r\n"
        u"最終更新時刻: x\r\n利用したヘッダ: Accept\r\n経由プロキシ: 1.1 p\r\n有効期限: 0\r\n"
        u"追加情報: キャッシュ無効\r\nクッキー: a=b\r\nフレームワーク: y\r\n");
}

void TestHeaderAnnotation::consequences()
{
    QFETCH(QString, block);
    QTEST(mod::TranslateHeaders(block), "translated");
}

QTEST_GUILESS_MAIN(TestHeaderAnnotation)
#include "test_header_annotation.moc"
