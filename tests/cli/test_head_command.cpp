// The terminal mode run in-process against the scripted server; what it
// reuses (completion, annotation, the transfer) is tested where it lives.
#include "cli/command_line.h"
#include "support/sample_data.h"
#include "support/script_server.h"
#include "cli/head_command.h"

#include <QBuffer>
#include <QRegularExpression>
#include <QSslCertificate>
#include <QtTest>

#include <algorithm>

namespace {

struct Result {
    int status;
    QString out, err;
};

// Runs "tobrell <arguments>" as the command line gives them.
Result Run(const QString &arguments)
{
    QBuffer out, err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    const CommandLine line = ReadCommandLine(arguments.split(u' '));
    if (line.request != StartRequest::Head)
        return {-1, {}, line.problem};
    const int status = RunHead(line.head, out, err);
    return {status, QString::fromUtf8(out.data()), QString::fromUtf8(err.data())};
}

// The output with every time measured shown as "#"; no time goes beyond the total, which comes last.
QString WithoutTimes(QString out)
{
    static const QRegularExpression time(QStringLiteral("(?<= : )[0-9]+\\.[0-9]{2}(?= ms\n)"));
    QList<double> times;
    for (const QRegularExpressionMatch &match : time.globalMatch(out))
        times << match.captured().toDouble();
    if (!times.isEmpty() && *std::max_element(times.begin(), times.end()) != times.last())
        return u"a time beyond the total: "_qs + out;
    return out.replace(time, u"#"_qs);
}

const QByteArray kAnswer = "Content-Length: 2048\r\nDate: Sun, 06 Nov 1994 08:49:37 GMT\r\n";

} // namespace

class TestHeadCommand : public QObject {
    Q_OBJECT

    ScriptServer server_;

private Q_SLOTS:
    void initTestCase()
    {
        for (const char *name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
            qunsetenv(name);
        QVERIFY(server_.start());
    }

    // %1 is the server's address, %2 its port, %3 a port that refuses. The
    // annotated block is the header box's text: the window shows the same
    // function's result.
    void head_data()
    {
        for (const char *column : {"arguments", "status", "out", "err", "exit", "referer"})
            QTest::addColumn<QString>(column);
        testdata::AddTextRows({
            "-I %1/a|200 OK|HTTP/1.1 200 OK\nサイズ : 2.00 KB (2,048 バイト)\n時刻 : 1994年11月6日 08時49分37秒\n||0|",
            "--raw --head %1/a|404 Not Found|HTTP/1.1 404 Not Found\nContent-Length: 2048\nDate: Sun, 06 Nov 1994 08:49:37 GMT\n||0|",
            "-I --raw --referer=\u3000http://from.example/ %1/|204 No Content|HTTP/1.1 204 No Content\nContent-Length: 2048\n"
            "Date: Sun, 06 Nov 1994 08:49:37 GMT\n||0|Referer: http://from.example/",
            "-I --auto-referer --raw http://u:p@127.0.0.1:%2/a/b?q#f|200 OK|HTTP/1.1 200 OK\nContent-Length: 2048\n"
            "Date: Sun, 06 Nov 1994 08:49:37 GMT\n||0|Referer: http://127.0.0.1:%2/a/",
            "-I example.com|||URL の書式が正しくないため、読み込みできませんでした。\n|2|",
            "-I --referer=a\x01 %1|||URL か Referer に改行などの制御文字が含まれているため、要求を送信しませんでした。\n|2|",
            "-I http://127.0.0.1:%3/|||接続が拒否されました。 (Failed to connect to 127.0.0.1 port|1|",
            "-I --raw --timing %1/|204 No Content|HTTP/1.1 204 No Content\nContent-Length: 2048\nDate: Sun, 06 Nov 1994 "
            "08:49:37 GMT\n\n接続先 : 127.0.0.1 ポート %2\n名前解決 : # ms\n接続 : # ms\n最初のバイト : # ms\n合計 : # ms\n||0|",
        });
    }
    void head()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, status);
        QFETCH(QString, err);
        QFETCH(QString, referer);
        QFETCH(QString, out);
        server_.setScript(ScriptServer::Reply(status.toUtf8(), kAnswer));
        const int before = server_.requests().size();
        const QString port = QString::number(server_.port());
        arguments.replace(u"%1"_qs, server_.url(QString())).replace(u"%2"_qs, port);
        const Result result = Run(arguments.replace(u"%3"_qs, QString::number(ScriptServer::RefusedPort())));
        QVERIFY2(err.isEmpty() ? result.err.isEmpty() : result.err.startsWith(err), qPrintable(result.err));
        QCOMPARE(WithoutTimes(result.out), out.replace(u"%2"_qs, port));
        QTEST(QString::number(result.status), "exit");
        const QString request = QString::fromUtf8(server_.requests().value(before));
        static const QRegularExpression refererLine(QStringLiteral("Referer: [^\r]*"));
        QCOMPARE(refererLine.match(request).captured(), referer.replace(u"%2"_qs, port));
    }

    // Two redirects to other servers, then one that sends every request back to itself.
    void location()
    {
        ScriptServer first, second;
        QVERIFY(first.start() && second.start());
        const QString last = server_.url(u"/d"_qs);
        first.setScript(ScriptServer::Reply("301 Moved", "Location: " + second.url(u"/c"_qs).toUtf8() + "\r\n"));
        second.setScript(ScriptServer::Reply("302 Found", "Location: " + last.toUtf8() + "\r\n"));
        server_.setScript(ScriptServer::Reply("302 Found", "Location: /d\r\n"));
        const int before = server_.connectionCount();
        const Result loop = Run(u"-I --raw -L "_qs + first.url());
        // Exit status 1; 10 redirects followed: the last server got the requests from the third on.
        QCOMPARE(QStringLiteral("%1 %2 ").arg(loop.status).arg(server_.connectionCount() - before) + loop.err,
                 u"1 9 リダイレクトが 10 回を超えたため、その先はたどりません。\n"_qs);

        server_.setScript(ScriptServer::Reply("200 OK", {}));
        const Result chain = Run(u"-I --raw --location "_qs + first.url());
        QCOMPARE(chain.out + u"exit "_qs + QString::number(chain.status), "HTTP/1.1 301 Moved\nLocation: " + second.url(u"/c"_qs)
                                + "\n\nHTTP/1.1 302 Found\nLocation: " + last + "\n\nHTTP/1.1 200 OK\nexit 0");
    }

    // The certificate as Qt's TLS backend reads it and the handshake's time; a redirect from https to http
    // is not followed.
    void certificate()
    {
        ScriptServer tls;
        QVERIFY2(tls.startTls(), qPrintable(tls.errorString()));
        qputenv("SSL_CERT_FILE", tls.caFile().toLocal8Bit());
        const QSslCertificate expected = QSslCertificate::fromPath(tls.caFile()).value(0);
        const auto japanese = [](const QDateTime &moment) {
            return QLocale::c().toString(moment.toUTC(), u"yyyy年M月d日 HH時mm分ss秒"_qs);
        };
        tls.setScript(ScriptServer::Reply("301 Moved", "Location: " + server_.url().toUtf8() + "\r\n"));
        const int before = server_.connectionCount();
        const Result result = Run(u"-I --cert --timing --raw -L "_qs + tls.url());
        QCOMPARE(WithoutTimes(result.out), "HTTP/1.1 301 Moved\nLocation: " + server_.url() + "\n\n接続先 : 127.0.0.1 ポート "
                                 + QString::number(tls.port()) + "\n名前解決 : # ms\n接続 : # ms\nTLS : # ms\n"
                                 "最初のバイト : # ms\n合計 : # ms\n\nサブジェクト : CN = localhost\n"
                                 "発行者 : CN = localhost\n有効期間の開始 : " + japanese(expected.effectiveDate())
                                 + "\n有効期間の終了 : " + japanese(expected.expiryDate()) + " (残り 1 日)\nSHA-256 : "
                                 + expected.digest(QCryptographicHash::Sha256).toHex(':').toUpper() + "\n");
        // Exit status 1, and the http server was never asked.
        QCOMPARE(QStringLiteral("%1 %2 ").arg(result.status).arg(server_.connectionCount() - before) + result.err,
                 u"1 0 https から http へのリダイレクトはたどりません: "_qs + server_.url() + u'\n');
    }

    void unwritableOutput()
    {
        server_.setScript(ScriptServer::Reply("200 OK", {}));
        QBuffer closed, err;
        err.open(QIODevice::WriteOnly);
        QTest::ignoreMessage(QtWarningMsg, "QIODevice::write (QBuffer): device not open");
        const int status = RunHead(ReadCommandLine({u"-I"_qs, server_.url()}).head, closed, err);
        QCOMPARE(QString::number(status) + u' ' + QString::fromUtf8(err.data()), u"1 標準出力に書き込めませんでした。\n"_qs);
    }
};

QTEST_GUILESS_MAIN(TestHeadCommand)
#include "test_head_command.moc"
