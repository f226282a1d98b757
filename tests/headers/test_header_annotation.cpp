#include "headers/header_annotation.h"

#include <QTest>

class TestHeaderAnnotation : public QObject {
    Q_OBJECT
private Q_SLOTS:
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
};

QTEST_GUILESS_MAIN(TestHeaderAnnotation)
#include "test_header_annotation.moc"
