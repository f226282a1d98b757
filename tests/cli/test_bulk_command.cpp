// The bulk check run in-process against scripted servers: the order of the
// results, failures among answers, redirects, the three output forms, a
// signal in the middle and the exit statuses.
#include "cli/bulk_command.h"
#include "cli/command_line.h"
#include "support/nginx_server.h"
#include "support/script_server.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSslCertificate>
#include <QTimer>
#include <QtTest>

#include <csignal>

using namespace Qt::StringLiterals;

class TestBulkCommand : public QObject {
    Q_OBJECT

    ScriptServer fast_, slow_, redirect_, silent_, hostile_, loop_;

    // Runs "tobrell <arguments>" ({fast}, {slow}, {redirect}, {silent}, {hostile}, {loop} and {refused}
    // stand for the servers' addresses) and returns the exit status, stdout and stderr, every time written as
    // "#". whenOut is called with what stdout holds each time the event loop comes round.
    QString Run(QString arguments, const std::function<void(const QByteArray &)> &whenOut = {})
    {
        const QString refused = QString::number(ScriptServer::RefusedPort());
        arguments.replace(u"{fast}"_s, fast_.url({}))
            .replace(u"{slow}"_s, slow_.url({}))
            .replace(u"{redirect}"_s, redirect_.url({}))
            .replace(u"{silent}"_s, silent_.url({}))
            .replace(u"{hostile}"_s, hostile_.url({}))
            .replace(u"{loop}"_s, loop_.url({}))
            .replace(u"{refused}"_s, refused);
        const CommandLine line = ReadCommandLine(QProcess::splitCommand(arguments));
        if (line.request == StartRequest::BadUsage)
            return u"2 "_s + line.problem;
        QBuffer out, err;
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] { whenOut(out.data()); });
        if (whenOut)
            watch.start(0);
        const int status = RunBulk(line.head, out, err, false);
        static const QRegularExpression time(
            u"(?<=[ ,])[0-9]+\\.[0-9]{2}(?= ms|,)|(?<=after )[0-9]+(?= ms)"_s);
        QString seen = QString::number(status) + u'\n'
            + QString::fromUtf8(QByteArray(out.data()).replace("\xef\xbb\xbf", "{BOM}") + err.data());
        return seen.replace(time, u"#"_s)
            .replace(u':' + refused + u'/', u":{refused}/"_s)
            .replace(u" port "_s + refused, u" port {refused}"_s)
            .replace(fast_.url({}), u"{fast}"_s)
            .replace(slow_.url({}), u"{slow}"_s)
            .replace(redirect_.url({}), u"{redirect}"_s)
            .replace(hostile_.url({}), u"{hostile}"_s)
            .replace(loop_.url({}), u"{loop}"_s)
            .replace(u"ポート "_s + QString::number(fast_.port()), u"ポート {port}"_s);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fast_.start() && slow_.start() && redirect_.start() && silent_.start() && hostile_.start()
            && loop_.start());
        hostile_.setScript(ScriptServer::Reply("200 OK", "X: a\rb\r\n"));
        loop_.setScript(ScriptServer::Reply("302 Found", "Location: /d\r\n"));
        fast_.setScript(ScriptServer::Reply("200 OK", "X: y\r\n"));
        slow_.setScript({ScriptServer::Send("HTTP/1.1 404 Not Found\r\n\r\n", 300), ScriptServer::Close()});
        redirect_.setScript(
            ScriptServer::Reply("301 Moved", "Location: " + fast_.url(u"/x"_s).toUtf8() + "\r\n"));
    }

    void bulk_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("expected");
        QTest::newRow("the slowest first stays first")
            << u"-I {slow}/a {fast}/b --parallel=3 {fast}/c"_s
            << u"0\n404  # ms  {slow}/a\n200  # ms  {fast}/b\n200  # ms  {fast}/c\n"_s;
        QTest::newRow("refused and failed among answers")
            << u"-I {fast}/a gopher://x http://127.0.0.1:{refused}/ {fast}/b"_s
            << u"1\n200  # ms  {fast}/a\n失敗  -  gopher://x  gopher は不明なプロトコルです。\n失敗  # ms  "
               "http://127.0.0.1:{refused}/  接続が拒否されました。 (Failed to connect to 127.0.0.1 port "
               "{refused} after # ms: Couldn't connect to server)\n200  # ms  {fast}/b\ngopher://x: gopher は"
               "不明なプロトコルです。\nhttp://127.0.0.1:{refused}/: 接続が拒否されました。 (Failed to "
               "connect to 127.0.0.1 port {refused} after # ms: Couldn't connect to server)\n"_s;
        QTest::newRow("a redirect shown")
            << u"-I {redirect}/r {fast}/b"_s
            << u"0\n301  # ms  {redirect}/r → {fast}/x\n200  # ms  {fast}/b\n"_s;
        QTest::newRow("a redirect followed")
            << u"-I -L --timing {redirect}/r {fast}/b"_s
            << u"0\n301 → 200  # ms  {redirect}/r → {fast}/x  [127.0.0.1 ポート {port}, 最初のバイト # ms]\n"
               "200  # ms  {fast}/b  [127.0.0.1 ポート {port}, 最初のバイト # ms]\n"_s;
        QTest::newRow("a hostile block among answers")
            << u"-I {hostile}/ {fast}/b"_s
            << u"1\n失敗  # ms  {hostile}/  サーバーの応答を読み取れませんでした。 (ヘッダ行の途中に CR "
               u"があります)\n"
               "200  # ms  {fast}/b\n"
               "{hostile}/: サーバーの応答を読み取れませんでした。 (ヘッダ行の途中に CR があります)\n"_s;
        QTest::newRow("too many redirects, one address alone")
            << u"-I -L {loop}/"_s
            << u"1\n302 → 302 → 302 → 302 → 302 → 302 → 302 → 302 → 302 → 302 → 302  # ms  {loop}/ → "
               u"{loop}/d  "
               "リダイレクトが 10 回を超えたため、その先はたどりません。\nリダイレクトが 10 回を超えたため、"
               "その先はたどりません。\n"_s;
        QTest::newRow("csv") << u"-I --csv {fast}/a,b \"{fast}/q\"\"\"x\" {redirect}/"_s
                             << u"0\n{BOM}アドレス,状態,最終アドレスまたは Location,合計 (ms),IP アドレス,"
                                "失敗の理由\r\n\"{fast}/a,b\",200,,#,127.0.0.1,\r\n\"{fast}/q\"\"x\",200,,#,"
                                "127.0.0.1,\r\n{redirect}/,301,{fast}/x,#,127.0.0.1,\r\n"_s;
        QTest::newRow("one refused address alone")
            << u"-I --json gopher://x"_s << u"2\ngopher は不明なプロトコルです。\n"_s;
        QTest::newRow("one failed address alone")
            << u"-I --json http://127.0.0.1:{refused}/"_s
            << u"1\n{\"error\":\"接続が拒否されました。 (Failed to connect to 127.0.0.1 port {refused} after "
               u"# ms: "
               "Couldn't connect to "
               "server)\",\"responses\":[],\"url\":\"http://127.0.0.1:{refused}/\"}\n接続が拒否され"
               "ました。 (Failed to connect to 127.0.0.1 port {refused} after # ms: Couldn't connect to server)\n"_s;
        QTest::newRow("json and csv")
            << u"-I --json --csv {fast}/"_s << u"2 --json と --csv は一緒に使えません。"_s;
        QTest::newRow("check without json")
            << u"-I --check {fast}/ {fast}/"_s
            << u"2 一括チェックでは、--check は --json と一緒にだけ使えます。"_s;
        QTest::newRow("unreadable list")
            << u"-I --list /nonexistent/list"_s
            << u"2\ntobrell: リストを読めません: /nonexistent/list (No such file or "
               "directory)\n"_s;
        QTest::newRow("too many at once")
            << u"-I --parallel 101 {fast}/"_s << u"2 --parallel には 1 から 100 までの数を指定します。"_s;
    }
    void bulk()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, expected);
        QCOMPARE(Run(arguments), expected);
    }

    // A list: blank lines and comments skipped, blanks around an address dropped, after the arguments.
    void list()
    {
        QTemporaryFile list;
        QVERIFY(list.open());
        list.write(
            "# old site\n\n  " + fast_.url(u"/b"_s).toUtf8() + " \r\n\t#x\n" + fast_.url(u"/c"_s).toUtf8());
        list.close();
        QCOMPARE(Run(u"-I --list "_s + list.fileName() + u" {fast}/a"_s),
            u"0\n200  # ms  {fast}/a\n200  # ms  {fast}/b\n200  # ms  {fast}/c\n"_s);
    }

    // JSON Lines: one object per address, in order, valid UTF-8 whatever the server sent; with --check,
    // the findings' ids and the grade of each answer.
    void json()
    {
        ScriptServer odd;
        QVERIFY(odd.start());
        odd.setScript(ScriptServer::Reply("200 OK", "Server: \xe6\x97\xa5 \xe9\r\n"));
        const QStringList lines = Run(u"-I --json --check {fast}/a "_s + odd.url(u"/b"_s) + u" gopher://x"_s)
                                      .split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4); // the status, three objects
        QStringList seen;
        for (const QString &line : lines.sliced(1, 3)) {
            QJsonParseError error;
            const QJsonObject object = QJsonDocument::fromJson(line.toUtf8(), &error).object();
            QCOMPARE(error.error, QJsonParseError::NoError);
            const QJsonObject response = object[u"responses"_s][0].toObject();
            seen << object[u"url"_s].toString().replace(odd.url({}), u"{odd}"_s) + u' '
                    + QString::number(response[u"status"_s].toInt()) + u' '
                    + QString::fromUtf8(
                        QJsonDocument(response[u"headers"_s].toArray()).toJson(QJsonDocument::Compact))
                    + u' ' + response[u"http_version"_s].toString() + u' ' + object[u"error"_s].toString();
            for (const QJsonValue finding : object[u"findings"_s].toArray())
                seen.last() += u' ' + finding[u"id"_s].toString();
            seen.last() += u' ' + object[u"security"_s][u"grade"_s].toString();
        }
        QCOMPARE(seen,
            QStringList(
                {u"{fast}/a 200 [[\"X\",\"y\"]] HTTP/1.1  heuristic-freshness no-validator date-missing "
                 "no-https-redirect xcto http-version D"_s,
                    u"{odd}/b 200 [[\"Server\",\"日 é\"]] HTTP/1.1  heuristic-freshness no-validator "
                    u"date-missing "
                    "no-https-redirect xcto http-version D"_s,
                    u"gopher://x 0 []  gopher は不明なプロトコルです。 "_s}));
    }

    // Over https the JSON carries the server certificate.
    void certificate()
    {
        ScriptServer tls;
        QVERIFY(tls.startTls());
        tls.setScript(ScriptServer::Reply("200 OK", ""));
        qputenv("SSL_CERT_FILE", tls.caFile().toLocal8Bit());
        const QString seen = Run(u"-I --json "_s + tls.url());
        qunsetenv("SSL_CERT_FILE");
        const QJsonObject response
            = QJsonDocument::fromJson(seen.sliced(2).toUtf8())[u"responses"_s][0].toObject();
        QCOMPARE(response[u"certificate"_s][u"sha256"_s].toString(),
            QSslCertificate::fromPath(tls.caFile())
                .value(0)
                .digest(QCryptographicHash::Sha256)
                .toHex(':')
                .toUpper());
    }

    // With --http2, nginx over TLS answers every address in HTTP/2 on one connection; each answer carries the
    // certificate, those on the reused connection too.
    void http2()
    {
        NginxServer nginx;
        QVERIFY2(nginx.start(true) && nginx.createFile(u"a"_s, 1) && nginx.createFile(u"b"_s, 1),
            qPrintable(nginx.errorString()));
        qputenv("SSL_CERT_FILE", nginx.caFile().toLocal8Bit());
        const QStringList lines
            = Run(u"-I --json --http2 --parallel 1 "_s + nginx.url(u"a"_s) + u' ' + nginx.url(u"b"_s))
                  .split(u'\n', Qt::SkipEmptyParts);
        qunsetenv("SSL_CERT_FILE");
        QStringList seen;
        for (const QString &line : lines.sliced(1)) {
            const QJsonObject response = QJsonDocument::fromJson(line.toUtf8())[u"responses"_s][0].toObject();
            seen << response[u"http_version"_s].toString() + u' '
                    + QString::number(response[u"certificate"_s][u"sha256"_s].toString().size());
        }
        QCOMPARE(seen, QStringList({u"HTTP/2 95"_s, u"HTTP/2 95"_s}));
    }

    // SIGINT while the last address waits: what finished is printed, the status is 130.
    void interrupted()
    {
        bool sent = false;
        const QByteArray last = fast_.url(u"/c"_s).toUtf8();
        const QString seen = Run(u"-I {fast}/a {fast}/c {silent}/b"_s, [&](const QByteArray &out) {
            if (!sent && out.contains(last))
                sent = ::raise(SIGINT) == 0;
        });
        QCOMPARE(seen, u"130\n200  # ms  {fast}/a\n200  # ms  {fast}/c\n"_s);
    }
};

QTEST_GUILESS_MAIN(TestBulkCommand)
#include "test_bulk_command.moc"
