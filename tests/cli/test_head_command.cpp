// The terminal mode run in-process against the scripted server, and through
// it the whole road of a HEAD: the request on the wire, the transfer's
// reasons for a failure, the header block as read and as shown.
#include "cli/command_line.h"
#include "cli/head_command.h"
#include "core/headers/value_format.h"
#include "support/nginx_server.h"
#include "support/sample_data.h"
#include "support/script_server.h"

#include <QBuffer>
#include <QProcess>
#include <QRegularExpression>
#include <QSslCertificate>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestHeadCommand : public QObject {
    Q_OBJECT

    ScriptServer server_;

    // Runs "tobrell <arguments>" (" >&-": with stdout closed) against server, which answers with reply and
    // closes. What the user and the server saw: the exit status, the request but for its Host, User-Agent
    // and Accept lines, stdout and stderr, with every time measured as "#".
    static QString Run(QString arguments, ScriptServer &server, const QByteArray &reply)
    {
        server.setScript({ScriptServer::Send(reply), ScriptServer::Close()});
        const qsizetype before = server.requests().size();
        QBuffer out, err;
        err.open(QIODevice::WriteOnly);
        if (!arguments.endsWith(u" >&-"))
            out.open(QIODevice::WriteOnly);
        else
            QTest::ignoreMessage(QtWarningMsg, "QIODevice::write (QBuffer): device not open");
        arguments.remove(u" >&-"_s);
        const int status = RunHead(ReadCommandLine(QProcess::splitCommand(arguments)).head, out, err);
        static const QRegularExpression usual(u"\r\n(Host|User-Agent|Accept): [^\r]*|\r\n\r\n"_s);
        static const QRegularExpression time(u"[0-9]+(\\.[0-9]+)? ms"_s);
        QString seen = QString::fromUtf8(server.requests().value(before)).remove(usual);
        seen = QString::number(status) + u' ' + seen.replace(u"\r\n"_s, u" "_s) + u'\n'
            + QString::fromUtf8(out.data() + err.data());
        return seen.replace(time, u"# ms"_s);
    }

private Q_SLOTS:
    void initTestCase()
    {
        qunsetenv("SSL_CERT_FILE"); // only the system's CAs are trusted
        QVERIFY(server_.start());
    }

    // "arguments|reply|what Run() saw". {server} is the server's address, {port} its port, {refused} a
    // port that refuses; in the reply %L stands for 1,001 header lines and %X for 2 MB.
    void head_data()
    {
        QTest::addColumn<QByteArray>("row");
        const char *rows[] = {
            // The header box's text; a header's value is looked up in any letter case.
            "-I {server}/a|HTTP/1.1 200 OK\r\ncontent-length: 2048\r\nDate: Sun, 06 Nov 1994 08:49:37 GMT\r\n"
            "\r\n|0 HEAD /a HTTP/1.1\nHTTP/1.1 200 OK\nサイズ : 2.00 KB (2,048 バイト)\n"
            "時刻 : 1994年11月6日 08時49分37秒\n",
            "--raw --head {server}/a|HTTP/1.1 404 Not Found\r\nX: y\r\n\r\n|0 HEAD /a HTTP/1.1\n"
            "HTTP/1.1 404 Not Found\nX: y\n",
            // Nothing a server sends acts on the terminal, in either form; what is valid UTF-8 stays UTF-8
            // beside a byte that is not (read as Latin-1: 0x85 is a C1 control).
            "-I --raw {server}/|HTTP/1.1 200 OK\x1b[2J\r\nX: \x1b]0;t\x07 e\b\x7f\x9bZ\xc2\x85\x85\r\n"
            "Server: \xe6\x97\xa5 \xe9\r\n\r\n|0 HEAD / HTTP/1.1\nHTTP/1.1 200 OK\\x1b[2J\n"
            "X: \\x1b]0;t\\x07 e\\x08\\x7f\\x9bZ\\x85\\x85\nServer: 日 é\n",
            "-I {server}/|HTTP/1.1 200 OK\r\nX: \x1b[1A\x1b[2Kevil\b\bgood\r\nServer: \xe6\x97\xa5 \xe9\r\n"
            "\r\n|0 HEAD / HTTP/1.1\nHTTP/1.1 200 OK\nX : \\x1b[1A\\x1b[2Kevil\\x08\\x08good\n"
            "サーバー : 日 é\n",
            "-I gopher\x1b[2J://x||2 \ngopher\\x1b[2J は不明なプロトコルです。\n",
            // The request: blanks around the Referer trimmed, a TAB kept; the address percent-encoded.
            "-I --raw \"--referer=\u3000a\tb \" \"{server}/日本 \u0100?b=c\"|HTTP/1.1 204 No Content\r\n\r\n"
            "|0 HEAD /%E6%97%A5%E6%9C%AC%20%C4%80?b=c HTTP/1.1 Referer: a\tb\nHTTP/1.1 204 No Content\n",
            "-I --auto-referer --raw http://u:p@127.0.0.1:{port}/a/b?q#f|HTTP/1.1 200 OK\r\n\r\n|0 HEAD "
            "/a/b?q HTTP/1.1 Authorization: Basic dTpw Referer: http://127.0.0.1:{port}/a/\n"
            "HTTP/1.1 200 OK\n",
            "-I example.com||2 \nURL の書式が正しくないため、読み込みできませんでした。\n",
            "-I --referer=a\x7f {server}||2 \nURL か Referer に改行などの制御文字が含まれているため、"
            "要求を送信しませんでした。\n",
            "-I {server}/ >&-|HTTP/1.1 200 OK\r\n\r\n|1 HEAD / HTTP/1.1\n標準出力に書き込めませんでした。\n",
            // HTTP/2 is offered over TLS only: plain http is neither upgraded nor asked to upgrade.
            "-I --http2 --raw {server}/|HTTP/1.1 200 OK\r\n\r\n|0 HEAD / HTTP/1.1\nHTTP/1.1 200 OK\n",
            "-I --raw --timing {server}/|HTTP/1.1 100 Continue\r\nX: 1\r\n\r\nHTTP/1.1 204 No Content\r\n"
            "\r\n|0 HEAD / HTTP/1.1\nHTTP/1.1 204 No Content\n\n接続先 : 127.0.0.1 ポート {port}\n"
            "名前解決 : # ms\n接続 : # ms\n最初のバイト : # ms\n合計 : # ms\n",
            // The diagnosis of the answer: the grade, then the findings, worst first.
            "-I --check {server}/|HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nSet-Cookie: sid=1\r\n"
            "Server: nginx/1.22.1\r\n\r\n|0 HEAD / HTTP/1.1\nHTTP/1.1 200 OK\nMIME タイプ : "
            "text/html\nクッキー : sid=1\nサーバー : nginx/1.22.1\n\nセキュリティ評価 : F (0 点)\n[注意] "
            "キャッシュ : 状態 200 の応答に Cache-Control の max-age も Expires "
            "もないため、キャッシュが独自の推測で保存期間を決め、変更がいつ見えるか分かりません。 (RFC 9111 "
            "§4.2.2)\n[注意] キャッシュ : ETag も Last-Modified "
            "もないため、キャッシュは条件付き要求で変更の有無を確かめられず、古くなるたびに本体全体を取り直し"
            "ます。 (RFC 9110 §8.8)\n[注意] 検証子と時刻 : Date "
            "がないため、キャッシュは応答の経過時間を自分の受信時刻から数えるしかなく、鮮度の計算が不正確にな"
            "ります。 (RFC 9110 §6.6.1)\n[注意] リダイレクト : http:// のアドレスに状態 200 "
            "で答えており、https "
            "へリダイレクトしないため、通信が暗号化されず途中で読まれたり書き換えられたりします。 (RFC 6797 "
            "§7.2)\n[注意] セキュリティ : HTML の応答に Content-Security-Policy "
            "がないため、ブラウザは注入されたスクリプトの実行を制限できません。 (CSP Level 3 §3.1)\n[注意] "
            "セキュリティ : X-Frame-Options の DENY か SAMEORIGIN も、Content-Security-Policy の "
            "frame-ancestors もないため、他のサイトがこのページを枠に入れてクリックを横取りできます。 (RFC "
            "7034 §2.1)\n[注意] セキュリティ : X-Content-Type-Options: nosniff がないため、ブラウザが "
            "Content-Type を無視して内容から種類を推測し、スクリプトとして実行しかねません。 (Fetch "
            "X-Content-Type-Options)\n[注意] クッキー : クッキー「sid」はセッションのもののようですが "
            "HttpOnly がなく、ページのスクリプトから読めるため、XSS で盗まれかねません。 (RFC 6265bis "
            "§4.1.2.6)\n[情報] セキュリティ : 「Server: "
            "nginx/1.22.1」は版番号まで明かし、その版の既知の脆弱性を狙う手がかりになります。 (RFC 9110 "
            "§10.2.4)\n[情報] クッキー : クッキー「sid」に SameSite がないため、ブラウザの既定 (多くは Lax) "
            "に任されます。 (RFC 6265bis §4.1.2.7)\n[情報] 転送 : HTTP/1.1 で応答があり、ブラウザは 1 "
            "本の接続で要求を一つずつ送るため、並行するには接続を増やします。 (RFC 9112)\n",
            // Redirects to the same server: 10 are followed.
            "-I --raw -L {server}/|HTTP/1.1 302 Found\r\nLocation: /d\r\n\r\n|1 HEAD / HTTP/1.1\n"
            "HTTP/1.1 302 Found\nLocation: /d\n\nHTTP/1.1 302 Found\nLocation: /d\n\nHTTP/1.1 302 Found\n"
            "Location: /d\n\nHTTP/1.1 302 Found\nLocation: /d\n\nHTTP/1.1 302 Found\nLocation: /d\n\n"
            "HTTP/1.1 302 Found\nLocation: /d\n\nHTTP/1.1 302 Found\nLocation: /d\n\nHTTP/1.1 302 Found\n"
            "Location: /d\n\nHTTP/1.1 302 Found\nLocation: /d\n\nHTTP/1.1 302 Found\nLocation: /d\n\n"
            "HTTP/1.1 302 Found\nLocation: /d\nリダイレクトが 10 回を超えたため、その先はたどりません。\n",
            // With -L, the diagnosis is that of the last answer.
            "-I --raw --check -L {server}/|HTTP/1.1 302 Found\r\nLocation: /d\r\n\r\n|1 HEAD / "
            "HTTP/1.1\nHTTP/1.1 302 Found\nLocation: /d\n\nHTTP/1.1 302 Found\nLocation: /d\n\nHTTP/1.1 302 "
            "Found\nLocation: /d\n\nHTTP/1.1 302 Found\nLocation: /d\n\nHTTP/1.1 302 Found\nLocation: "
            "/d\n\nHTTP/1.1 302 Found\nLocation: /d\n\nHTTP/1.1 302 Found\nLocation: /d\n\nHTTP/1.1 302 "
            "Found\nLocation: /d\n\nHTTP/1.1 302 Found\nLocation: /d\n\nHTTP/1.1 302 Found\nLocation: "
            "/d\n\nHTTP/1.1 302 Found\nLocation: /d\n\nセキュリティ評価 : D (30 点)\n[注意] 検証子と時刻 : "
            "Date "
            "がないため、キャッシュは応答の経過時間を自分の受信時刻から数えるしかなく、鮮度の計算が不正確にな"
            "ります。 (RFC 9110 §6.6.1)\n[注意] セキュリティ : X-Content-Type-Options: nosniff "
            "がないため、ブラウザが Content-Type "
            "を無視して内容から種類を推測し、スクリプトとして実行しかねません。 (Fetch "
            "X-Content-Type-Options)\n[情報] リダイレクト : 「Location: "
            "/d」は相対参照で、ブラウザは要求したアドレスを基準に「http://127.0.0.1:{port}/d」へ進みます。 "
            "(RFC 9110 §10.2.2)\n[情報] 転送 : HTTP/1.1 で応答があり、ブラウザは 1 "
            "本の接続で要求を一つずつ送るため、並行するには接続を増やします。 (RFC 9112)\nリダイレクトが 10 "
            "回を超えたため、その先はたどりません。\n",
            // The same Location twice is harmless; two that differ leave the target unknown.
            "-I --raw {server}/|HTTP/1.1 200 OK\r\nLocation: /a\r\nLocation: /a\r\n\r\n|0 HEAD / HTTP/1.1\n"
            "HTTP/1.1 200 OK\nLocation: /a\nLocation: /a\n",
            "-I {server}/|HTTP/1.1 302 Found\r\nLocation: /a\r\nLocation: /b\r\n\r\n|1 HEAD / HTTP/1.1\n"
            "サーバーの応答を読み取れませんでした。 (Location が異なる値で繰り返されています)\n",
            // Failures, with what was wrong.
            "-I http://127.0.0.1:{refused}/||1 \n接続が拒否されました。 (Failed to connect to 127.0.0.1 "
            "port {refused} after # ms: Couldn't connect to server)\n",
            "-I http://aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa.invalid/||1 \n"
            "ホスト名が見つかりません。 (Could not resolve host: "
            "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa.invalid)\n",
            "-I {server}/||1 HEAD / HTTP/1.1\n接続が切断されました。 (Empty reply from server)\n",
            "-I {server}/|HTTP/1.1 200 OK\r\nA: b\r\n|1 HEAD / HTTP/1.1\n接続が切断されました。 "
            "(Server returned nothing (no headers, no data))\n",
            "-I {server}/|GARBAGE LINE\r\n\r\n|1 HEAD / HTTP/1.1\nサーバーの応答を読み取れませんでした。 "
            "(Received HTTP/0.9 when not allowed)\n",
            "-I {server}/|HTTP/1.1 200 OK\r\nX: a\rb\r\n\r\n|1 HEAD / HTTP/1.1\n"
            "サーバーの応答を読み取れませんでした。 (ヘッダ行の途中に CR があります)\n",
            "-I {server}/|HTTP/1.1 200 OK\r\n%L\r\n|1 HEAD / HTTP/1.1\n"
            "サーバーの応答を読み取れませんでした。 (ヘッダの行が多すぎます)\n",
            "-I {server}/|HTTP/1.1 200 OK\r\nX: %X\r\n\r\n|1 HEAD / HTTP/1.1\n"
            "サーバーの応答を読み取れませんでした。 (ヘッダ行が長すぎます)\n",
            "-I {server}/|HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nContent-Length: 10\r\n\r\n|1 HEAD / "
            "HTTP/1.1\nサーバーの応答を読み取れませんでした。 (Content-Length の値が正しくありません)\n",
            "-I {server}/|HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked, gzip\r\n\r\n|1 HEAD / HTTP/1.1\n"
            "サーバーの応答を読み取れませんでした。 (chunked の後に別の転送コーディングがあります)\n",
            "-I {server}/|HTTP/1.1 200 OK\r\n X: y\r\n\r\n|1 HEAD / HTTP/1.1\n"
            "サーバーの応答を読み取れませんでした。 (ステータス行の直後の行が空白で始まっています)\n",
        };
        for (const char *row : rows)
            QTest::newRow(row) << QByteArray(row);
    }
    void head()
    {
        QFETCH(QByteArray, row);
        row.replace("{server}", server_.url({}).toUtf8())
            .replace("{port}", QByteArray::number(server_.port()))
            .replace("{refused}", QByteArray::number(ScriptServer::RefusedPort()));
        QList<QByteArray> parts = row.split('|');
        parts[1].replace("%L", QByteArray("X: y\r\n").repeated(1001)).replace("%X", QByteArray(2 << 20, 'x'));
        QCOMPARE(Run(QString::fromUtf8(parts[0]), server_, parts[1]), QString::fromUtf8(parts[2]));
    }

    // Over TLS: refused while no CA vouches for the server; trusted, its certificate as Qt reads it and the
    // handshake's time; a redirect from https to http is not followed.
    void certificate()
    {
        ScriptServer tls;
        QVERIFY(tls.startTls());
        const QByteArray reply = "HTTP/1.1 301 Moved\r\nLocation: " + server_.url().toUtf8() + "\r\n\r\n";
        const QString arguments = u"-I --cert --timing --raw -L "_s + tls.url();
        QCOMPARE(Run(arguments, tls, reply),
            u"1 \n証明書を検証できませんでした。 (SSL certificate problem: self-signed certificate)\n"_s);
        qputenv("SSL_CERT_FILE", tls.caFile().toLocal8Bit());
        const QSslCertificate ca = QSslCertificate::fromPath(tls.caFile()).value(0);
        QCOMPARE(Run(arguments, tls, reply),
            u"1 HEAD / HTTP/1.1\nHTTP/1.1 301 Moved\nLocation: %1\n\n接続先 : 127.0.0.1 ポート %2\n"
            "名前解決 : # ms\n接続 : # ms\nTLS : # ms\n最初のバイト : # ms\n合計 : # ms\n\n"
            "サブジェクト : CN = localhost\n発行者 : CN = localhost\n有効期間の開始 : %3\n"
            "有効期間の終了 : %4 (残り 1 日)\nSHA-256 : %5\n"
            "https から http へのリダイレクトはたどりません: %1\n"_s.arg(server_.url(),
                QString::number(tls.port()), headers::JapaneseDateTime(ca.effectiveDate().toUTC()),
                headers::JapaneseDateTime(ca.expiryDate().toUTC()),
                QString::fromLatin1(ca.digest(QCryptographicHash::Sha256).toHex(':').toUpper())));
        // A server that does not take up HTTP/2 is answered in HTTP/1.1; the last of the two options counts.
        QVERIFY(!ReadCommandLine({"--http2", "--http1.1", "-I", "x"}).head.http2);
        QCOMPARE(Run(u"-I --raw --http2 "_s + tls.url(), tls, "HTTP/1.1 204 No Content\r\n\r\n"),
            u"0 HEAD / HTTP/1.1\nHTTP/1.1 204 No Content\n"_s);
    }
    // nginx over TLS answers in HTTP/2 when it is asked for, the last of --http2 and --http1.1 counting: the
    // status line as libcurl writes it, the lower-case names with their labels. Its dates shown as "#".
    void http2_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("shown");
        QTest::newRow("HTTP/2")
            << "--http1.1 --http2"
            << "0\nHTTP/2 200 \nサーバー : nginx\n時刻 : #\nMIME タイプ : text/html\n"
               "サイズ : 0.05 KB (52 バイト)\n最終更新時刻 : #\nキャッシュ指示 : キャッシュ無効\n"
               "クッキー : a=b\n単位 : bytes\n";
        QTest::newRow("HTTP/1.1")
            << "--http2 --http1.1"
            << "0\nHTTP/1.1 200 OK\nサーバー : nginx\n時刻 : #\nMIME タイプ : text/html\n"
               "サイズ : 0.05 KB (52 バイト)\n最終更新時刻 : #\n持続接続 : 継続\n"
               "キャッシュ指示 : キャッシュ無効\nクッキー : a=b\n単位 : bytes\n";
    }
    void http2()
    {
        QFETCH(QString, arguments);
        NginxServer nginx;
        QVERIFY2(nginx.start(true,
                     "server_tokens off; etag off; add_header Cache-Control no-cache; add_header "
                     "Set-Cookie a=b;")
                && testdata::WriteFile(
                    nginx.root() + u"/index.html"_s, "<!DOCTYPE html><title>Tobrell</title><p>Tobrell</p>\n"),
            qPrintable(nginx.errorString()));
        qputenv("SSL_CERT_FILE", nginx.caFile().toLocal8Bit());
        QBuffer out, err;
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        const int status = RunHead(
            ReadCommandLine(QProcess::splitCommand(u"-I "_s + arguments + u' ' + nginx.url(u"index.html"_s)))
                .head,
            out, err);
        qunsetenv("SSL_CERT_FILE");
        static const QRegularExpression date(u"[0-9]+年[^\n]*秒"_s);
        QTEST(QString::number(status) + u'\n'
                + QString::fromUtf8(out.data() + err.data()).replace(date, u"#"_s),
            "shown");
    }
};

QTEST_GUILESS_MAIN(TestHeadCommand)
#include "test_head_command.moc"
