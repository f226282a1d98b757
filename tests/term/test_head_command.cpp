// The terminal mode run in-process against the scripted server; what it
// reuses (completion, annotation, the transfer) is tested where it lives.
#include "app/command_line.h"
#include "support/script_server.h"
#include "term/head_command.h"
#include "term/redirect_rule.h"

#include <QBuffer>
#include <QRegularExpression>
#include <QSslCertificate>
#include <QtTest>

namespace {

struct Result {
    int status;
    QString out, err;
};

Result Run(const HeadOptions &options)
{
    QBuffer out, err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    const int status = RunHead(options, out, err);
    return {status, QString::fromUtf8(out.data()), QString::fromUtf8(err.data())};
}

HeadOptions Options(const QString &address, const QString &flags = {})
{
    HeadOptions options;
    options.address = address;
    options.raw = flags.contains(u"raw");
    options.timing = flags.contains(u"timing");
    options.location = flags.contains(u"location");
    options.certificate = flags.contains(u"cert");
    options.autoReferer = flags.contains(u"auto");
    return options;
}

const QByteArray kAnswer = "Content-Length: 2048\r\nDate: Sun, 06 Nov 1994 08:49:37 GMT\r\nConnection: close\r\n";

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

    // The annotated block is the header box's text (the window shows the same function's result).
    void answers_data()
    {
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QString>("flags");
        QTest::addColumn<QString>("printed");
        QTest::newRow("annotated") << QByteArray("200 OK") << QString()
            << "HTTP/1.1 200 OK\nサイズ : 2.00 KB (2,048 バイト)\n時刻 : 1994年11月6日 08時49分37秒\n持続接続 : 完了\n";
        QTest::newRow("404 is an answer too") << QByteArray("404 Not Found") << QString()
            << "HTTP/1.1 404 Not Found\nサイズ : 2.00 KB (2,048 バイト)\n時刻 : 1994年11月6日 08時49分37秒\n持続接続 : 完了\n";
        QTest::newRow("raw") << QByteArray("200 OK") << "raw"
            << "HTTP/1.1 200 OK\nContent-Length: 2048\nDate: Sun, 06 Nov 1994 08:49:37 GMT\nConnection: close\n";
    }
    void answers()
    {
        QFETCH(QByteArray, status);
        QFETCH(QString, flags);
        server_.setScript(ScriptServer::Reply(status, kAnswer));
        const Result result = Run(Options(server_.url(), flags));
        QCOMPARE(result.err, QString());
        QTEST(result.out, "printed");
        QCOMPARE(result.status, exitstatus::kAnswered);
    }

    // The window's Referer rules: the text as given, or the address's folder
    // without user, password and fragment.
    void referer_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("referer");
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<QString>("sent");
        QTest::newRow("none") << "/a/b" << QString() << false << "";
        QTest::newRow("given, trimmed") << "/a/b" << " http://from.example/ " << false << "Referer: http://from.example/\r\n";
        QTest::newRow("automatic") << "/a/b?q#top" << QString() << true << "Referer: http://127.0.0.1:%1/a/\r\n";
    }
    void referer()
    {
        QFETCH(QString, path);
        QFETCH(QString, referer);
        QFETCH(QString, sent);
        server_.setScript(ScriptServer::Reply("200 OK", {}));
        const int before = server_.requests().size();
        HeadOptions options = Options(server_.url(path).replace(u"//"_qs, u"//user:pw@"_qs));
        options.referer = referer;
        QFETCH(bool, automatic);
        options.autoReferer = automatic;
        QCOMPARE(Run(options).status, exitstatus::kAnswered);
        const QString request = QString::fromUtf8(server_.requests().value(before));
        QVERIFY2(request.startsWith(u"HEAD "_qs + path.left(path.indexOf(u'#')) + u" HTTP/1.1\r\n"_qs), qPrintable(request));
        const qsizetype at = request.indexOf(u"Referer:");
        QCOMPARE(at < 0 ? QString() : request.sliced(at, request.indexOf(u'\n', at) + 1 - at),
                 sent.contains(u"%1") ? sent.arg(server_.port()) : sent);
    }

    void timing_data()
    {
        QTest::addColumn<bool>("tls");
        QTest::addColumn<QString>("labels");
        QTest::newRow("http") << false << "名前解決|接続|最初のバイト|合計";
        QTest::newRow("https") << true << "名前解決|接続|TLS|最初のバイト|合計";
    }
    void timing()
    {
        QFETCH(bool, tls);
        ScriptServer server;
        QVERIFY2(tls ? server.startTls() : server.start(), qPrintable(server.errorString()));
        if (tls)
            qputenv("SSL_CERT_FILE", server.caFile().toLocal8Bit());
        server.setScript(ScriptServer::Reply("204 No Content", {}));
        const Result result = Run(Options(server.url(), u"timing raw"_qs));
        QCOMPARE(result.status, exitstatus::kAnswered);
        const QString expectedStart = QStringLiteral("HTTP/1.1 204 No Content\n\n接続先 : 127.0.0.1 ポート %1\n").arg(server.port());
        QVERIFY2(result.out.startsWith(expectedStart), qPrintable(result.out));
        QStringList labels;
        QList<double> times;
        static const QRegularExpression line(QStringLiteral("^(.+) : ([0-9]+\\.[0-9]{2}) ms$"));
        for (const QString &text : result.out.sliced(expectedStart.size()).split(u'\n', Qt::SkipEmptyParts)) {
            const QRegularExpressionMatch match = line.match(text);
            QVERIFY2(match.hasMatch(), qPrintable(text));
            labels << match.captured(1);
            times << match.captured(2).toDouble();
        }
        QTEST(labels.join(u'|'), "labels");
        QCOMPARE(*std::max_element(times.begin(), times.end()), times.last());
    }

    // Two redirects to other servers; then one that sends every request back to itself.
    void location()
    {
        ScriptServer first, second;
        QVERIFY(first.start() && second.start());
        const QString third = server_.url(u"/d"_qs);
        first.setScript(ScriptServer::Reply("301 Moved Permanently", "Location: " + second.url(u"/b/c"_qs).toUtf8() + "\r\n"));
        second.setScript(ScriptServer::Reply("302 Found", "Location: " + third.toUtf8() + "\r\n"));
        server_.setScript(ScriptServer::Reply("302 Found", "Location: /d\r\n"));
        const int before = server_.connectionCount();
        const Result loop = Run(Options(first.url(u"/a"_qs), u"location raw"_qs));
        QCOMPARE(loop.err, redirect::kTooManyHops.toString().arg(10) + u'\n');
        QCOMPARE(loop.status, exitstatus::kFailed);
        // first, second, then third answering itself until 10 redirects are followed.
        QCOMPARE(server_.connectionCount() - before, 9);
        QCOMPARE(loop.out.count(u"HTTP/1.1 302 Found\nLocation: /d\n"), 9);

        server_.setScript(ScriptServer::Reply("200 OK", "Content-Length: 5\r\n"));
        const Result chain = Run(Options(first.url(u"/a"_qs), u"location raw"_qs));
        QCOMPARE(chain.err, QString());
        QCOMPARE(chain.out, u"HTTP/1.1 301 Moved Permanently\nLocation: "_qs + second.url(u"/b/c"_qs)
                                + u"\n\nHTTP/1.1 302 Found\nLocation: "_qs + third
                                + u"\n\nHTTP/1.1 200 OK\nContent-Length: 5\n"_qs);
        QCOMPARE(chain.status, exitstatus::kAnswered);
        QCOMPARE(QString::fromUtf8(second.requests().last()).section(u'\r', 0, 0), u"HEAD /b/c HTTP/1.1"_qs);
    }

    void nextHop_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("block");
        QTest::addColumn<QString>("hop");
        QTest::newRow("relative") << "http://h/a/b?q" << "HTTP/1.1 303 See Other\r\nLocation: c d" << "follow http://h/a/c%20d";
        QTest::newRow("https to http") << "https://h/" << "HTTP/1.1 301 Moved\r\nlocation: http://h/" << "refused http://h/";
        QTest::newRow("http to https") << "http://h/" << "HTTP/1.1 308 Moved\r\nLocation: https://h/" << "follow https://h/";
        QTest::newRow("not 3xx") << "http://h/" << "HTTP/1.1 201 Created\r\nLocation: /x" << "none ";
        QTest::newRow("no Location") << "http://h/" << "HTTP/1.1 304 Not Modified" << "none ";
    }
    void nextHop()
    {
        QFETCH(QString, from);
        QFETCH(QString, block);
        const redirect::Hop hop = redirect::NextHop(from, block);
        static const char *const kinds[] = {"none", "follow", "refused"};
        QTEST(QLatin1String(kinds[int(hop.kind)]) + u' ' + hop.address, "hop");
    }

    void certificate()
    {
        ScriptServer tls;
        QVERIFY2(tls.startTls(), qPrintable(tls.errorString()));
        qputenv("SSL_CERT_FILE", tls.caFile().toLocal8Bit());
        // The server's one certificate, read by Qt's TLS backend.
        const QSslCertificate expected = QSslCertificate::fromPath(tls.caFile()).value(0);
        QVERIFY(!expected.isNull());
        const auto japanese = [](const QDateTime &moment) {
            return QLocale::c().toString(moment.toUTC(), u"yyyy年M月d日 HH時mm分ss秒"_qs);
        };
        // Redirected to plain http, which is not followed.
        tls.setScript(ScriptServer::Reply("301 Moved", "Location: " + server_.url().toUtf8() + "\r\n"));
        const int before = server_.connectionCount();
        const Result result = Run(Options(tls.url(), u"cert raw location"_qs));
        QCOMPARE(result.out, "HTTP/1.1 301 Moved\nLocation: " + server_.url() + "\n\nサブジェクト : CN = localhost\n"
                                 "発行者 : CN = localhost\n有効期間の開始 : " + japanese(expected.effectiveDate())
                                 + "\n有効期間の終了 : " + japanese(expected.expiryDate()) + " (残り 1 日)\nSHA-256 : "
                                 + expected.digest(QCryptographicHash::Sha256).toHex(':').toUpper() + "\n");
        QCOMPARE(result.err, u"https から http へのリダイレクトはたどりません: "_qs + server_.url() + u'\n');
        QCOMPARE(result.status, exitstatus::kFailed);
        QCOMPARE(server_.connectionCount(), before);
    }

    void failures_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("referer");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("refused connection") << QStringLiteral("http://127.0.0.1:%1/").arg(ScriptServer::RefusedPort())
            << QString() << 1 << "接続が拒否されました。 (Failed to connect to 127.0.0.1 port";
        QTest::newRow("address refused") << "example.com" << QString() << 2 << "URL の書式が正しくないため、読み込みできませんでした。\n";
        QTest::newRow("line break in Referer") << server_.url() << "a\nb" << 2
            << "URL か Referer に改行などの制御文字が含まれているため、要求を送信しませんでした。\n";
    }
    void failures()
    {
        QFETCH(QString, message);
        QFETCH(QString, address);
        QFETCH(QString, referer);
        HeadOptions options = Options(address);
        options.referer = referer;
        const Result result = Run(options);
        QVERIFY2(result.err.startsWith(message), qPrintable(result.err));
        QCOMPARE(result.out, QString());
        QTEST(result.status, "status");
    }

    void unwritableOutput()
    {
        server_.setScript(ScriptServer::Reply("200 OK", {}));
        QBuffer closed, err;
        err.open(QIODevice::WriteOnly);
        QTest::ignoreMessage(QtWarningMsg, "QIODevice::write (QBuffer): device not open");
        QCOMPARE(RunHead(Options(server_.url()), closed, err), exitstatus::kFailed);
        QCOMPARE(QString::fromUtf8(err.data()), u"標準出力に書き込めませんでした。\n"_qs);
    }

    void commandLine_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("read");
        // What was read: the request, then the address, the Referer and the
        // --head flags set, or the problem.
        QTest::newRow("window with Qt's options") << "-platform offscreen --style=fusion -reverse http://a/"
                                                   << "window http://a/";
        QTest::newRow("-h") << "-I -h" << "help";
        QTest::newRow("head, every option") << "-L --raw --timing --cert --referer -r --auto-referer -I a"
                                            << "head a -r raw timing location cert auto";
        QTest::newRow("after --") << "--head -- -x" << "head -x";
        QTest::newRow("unknown option") << "--heads a" << "bad 不明なオプションです: --heads";
        QTest::newRow("head option alone") << "--timing a" << "bad --timing は --head と一緒に使います。";
        QTest::newRow("two addresses") << "-I a b" << "bad URL は一つだけ指定できます。";
        QTest::newRow("no address") << "-I --referer=x" << "bad --head の後に URL がありません。";
        QTest::newRow("no Referer text") << "-I a --referer" << "bad --referer の後に Referer の文字列がありません。";
    }
    void commandLine()
    {
        QFETCH(QString, arguments);
        const CommandLine line = ReadCommandLine(arguments.split(u' '));
        static const char *const requests[] = {"window", "version", "help", "head", "bad"};
        QStringList read{QLatin1String(requests[int(line.request)])};
        const HeadOptions &head = line.head;
        for (const QString &text : {line.startAddress, head.address, head.referer, line.problem})
            if (!text.isEmpty())
                read << text;
        for (const auto &[set, name] : {std::pair{head.raw, "raw"}, {head.timing, "timing"},
                                        {head.location, "location"}, {head.certificate, "cert"},
                                        {head.autoReferer, "auto"}})
            if (set)
                read << QLatin1String(name);
        QTEST(read.join(u' '), "read");
    }
};

QTEST_GUILESS_MAIN(TestHeadCommand)
#include "test_head_command.moc"
