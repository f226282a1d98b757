#include "core/transfer/transfer_control.h"
#include "support/script_server.h"
#include "support/sample_data.h"

#include <QFile>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

constexpr int kChunk = 65536;
constexpr int kDeadlineMs = 15000;
const QList<int> kHead = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12};
const QList<int> kGet = {1, 2, 3, 4, 5, 6, 7, 8, 12, 9, 10};
const QList<int> kCut = {1, 2, 3, 4, 5, 6, 7, 8, 12, 9, 10, 11};

// What a test saw of one transfer.
struct Seen {
    QList<int> states;
    QString busy; // StillExecuting() as each state was emitted: T or F
    QList<qsizetype> chunks; // sizes GetChunk returned while reading the body
    qint64 bodyBytes = 0;
    bool bodyIntact = true; // every chunk continued ScriptServer::Pattern
    bool busyWhileBodyLeft = true; // StillExecuting() before every chunk but the closing empty one
};

// Reads the body like the window's download loop: 64 KiB chunks until an empty one.
void ReadBody(Transfer &control, Seen &seen)
{
    for (bool busy = control.StillExecuting();; busy = control.StillExecuting()) {
        const QByteArray chunk = control.GetChunk(kChunk);
        seen.busyWhileBodyLeft &= busy || chunk.isEmpty();
        seen.chunks << chunk.size();
        if (chunk.isEmpty())
            return;
        seen.bodyIntact &= chunk == testdata::Pattern(seen.bodyBytes, chunk.size());
        seen.bodyBytes += chunk.size();
    }
}

// Processes events until condition holds or the deadline passes. Unlike
// QTRY_ and qWaitFor, which look every 50 or 10 ms, it looks after every
// event, so that a loop of many exchanges runs at the speed of the sockets.
bool WaitUntil(const std::function<bool()> &condition)
{
    const QDeadlineTimer deadline(kDeadlineMs);
    QTimer wake; // processEvents() returns at the deadline even if nothing else happens
    wake.start(100);
    while (!condition() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return condition();
}

// Records every state event; then runs action (if any) inside the handler,
// as the window does.
void Observe(Transfer &control, Seen &seen, std::function<void(int)> action = {})
{
    QObject::connect(&control, &Transfer::StateChanged, &control, [&control, &seen, action](int state) {
        seen.states << state;
        seen.busy += control.StillExecuting() ? u'T' : u'F';
        if (action)
            action(state);
    });
}

} // namespace

class TestTransferControl : public QObject {
    Q_OBJECT

    bool execute(const QString &url, const QString &operation = QStringLiteral("GET"))
    {
        return control_->Execute(url, operation, QStringLiteral("Referer: x"));
    }

    std::unique_ptr<ScriptServer> server_;
    std::unique_ptr<TransferControl> control_;
    Seen seen_;

private Q_SLOTS:
    void init()
    {
        // Only the servers started here may be contacted, and only the system's CAs are trusted.
        for (const char *name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY",
                                 "SSL_CERT_FILE"})
            qunsetenv(name);
        server_ = std::make_unique<ScriptServer>();
        QVERIFY(server_->start());
        control_ = std::make_unique<TransferControl>();
        seen_ = {};
    }
    void cleanup()
    {
        control_.reset();
        server_.reset();
    }
    void exchange_data()
    {
        QTest::addColumn<QString>("operation");
        // Empty or a path: the scripted server; "tls": one over TLS that no CA vouches for
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("referer"); // the header line given
        QTest::addColumn<ScriptServer::Script>("script");
        QTest::addColumn<QList<int>>("states");
        QTest::addColumn<QString>("busy"); // StillExecuting at each state; empty where it depends on timing
        QTest::addColumn<QList<qsizetype>>("chunks"); // empty: the receiver of 12 reads nothing
        QTest::addColumn<QString>("reason"); // of a failure (state 11)
        QTest::addColumn<QString>("header"); // the block and the value of "x-NAME", joined by "|"; empty: not checked
        // The first request the scripted server received (%PORT%: its port); empty: not checked
        QTest::addColumn<QByteArray>("sent");

        using S = ScriptServer;
        using C = QList<qsizetype>;
        const QByteArray ok = "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n";
        // A server that thinks before the body.
        S::Step late = S::Body(5000);
        late.delayMs = 300;
        const C sizes = {65536, 65536, 65536, 3392, 0};
        const QList<int> unanswered{1, 2, 3, 4, 5, 6, 9, 10, 11};
        const QString lost = QStringLiteral("接続が切断されました。");
        const auto row = [](const char *name, const char *operation, const S::Script &script, const QList<int> &states,
                            const char *busy, const C &chunks, const QString &reason = {}, const QString &url = {}) {
            QTest::newRow(name) << operation << url << "Referer: x" << script << states << busy << chunks << reason << QString()
                                << QByteArray();
        };
        // The header block as received; a header's value is that of its first line, found in any letter case.
        const auto header = [](const char *name, const QByteArray &reply, const QString &block, const QString &value) {
            QTest::newRow(name) << "HEAD" << QString() << "Referer: x" << S::Script{S::Send(reply)} << kHead << "" << C{}
                                << QString() << block + u'|' + value << QByteArray();
        };
        // The request on the wire. No Accept-Encoding: the body must arrive as the server sent it. One
        // refused sends nothing: the server's first request is then the one that follows.
        const QByteArray agent = " HTTP/1.1\r\nHost: 127.0.0.1:%PORT%\r\nUser-Agent: Tobrell/1.00\r\nAccept: */*\r\n";
        const QByteArray refused = "HEAD /" + agent + "Referer: x\r\n\r\n";
        const auto request = [](const char *name, const char *operation, const QString &path, const QString &referer,
                                const QByteArray &sent, const QList<int> &states) {
            QTest::newRow(name) << operation << path << referer << S::Reply("200 OK", "Content-Length: 0\r\n") << states
                                << "" << C{} << QString() << QString() << sent;
        };
        request("HEAD, a Referer of blanks and U+3000 is not sent", "HEAD", "/x", u"Referer: \u3000 "_qs,
                "HEAD /x" + agent + "\r\n", kHead);
        request("GET, Japanese path and U+0100 (C4 80) encoded, U+3000 before the Referer trimmed", "GET",
                u"/日本 x\u0100?b=c"_qs, u"Referer: \u3000日本"_qs,
                "GET /%E6%97%A5%E6%9C%AC%20x%C4%80?b=c" + agent + "Referer: \xE6\x97\xA5\xE6\x9C\xAC\r\n\r\n", kGet);
        request("TAB in the header is sent", "HEAD", "/x", "Referer: a\tb", "HEAD /x" + agent + "Referer: a\tb\r\n\r\n", kHead);
        request("ESC and DEL in the header", "GET", "/x", "Referer: a\x1b[2J\x7f", refused, {});
        request("LF in the address", "HEAD", "/x\nX-Evil: 1", "Referer: a", refused, {});
        request("unknown operation", "POST", "/x", "Referer: a", refused, {});
        header("odd casing, spaces, repeated name", "HTTP/1.1 200 OK\r\nx-name:  first \r\nX-NAME: second\r\n\r\n",
               "HTTP/1.1 200 OK\r\nx-name:  first \r\nX-NAME: second", "first");
        header("UTF-8", "HTTP/1.1 200 OK\r\nX-Name: \xE6\x97\xA5\xE6\x9C\xAC\r\n\r\n", u"HTTP/1.1 200 OK\r\nX-Name: 日本"_qs,
               u"日本"_qs);
        header("not UTF-8: Latin-1", "HTTP/1.1 200 OK\r\nX-Name: caf\xE9 \x80\xFF\r\n\r\n",
               u"HTTP/1.1 200 OK\r\nX-Name: caf\u00E9 \u0080\u00FF"_qs, u"caf\u00E9 \u0080\u00FF"_qs);
        header("interim 100 Continue skipped",
               "HTTP/1.1 100 Continue\r\nX-Name: 1\r\n\r\nHTTP/1.1 301 Moved\r\nLocation: /y\r\n\r\n",
               "HTTP/1.1 301 Moved\r\nLocation: /y", "");
        row("HEAD", "HEAD", S::Reply("200 OK", "Content-Length: 5000\r\n"), kHead, "TTTTTTTTTTF", {});
        // The body came with the header block: read to its end before the closing states.
        row("GET, read at once", "GET", {S::Send(ok + testdata::Pattern(0, 5000))}, kGet, "TTTTTTTTTFF", {5000, 0});
        // The connection closes while GetChunk waits for the body's end.
        row("GET, read as it comes", "GET", {S::Send(ok), late}, kGet, "TTTTTTTTTTT", {5000, 0});
        row("GET 404, large body not read", "GET", S::Reply("404 Not Found", "Content-Length: 50000000\r\n", 50'000'000),
            kGet, "TTTTTTTTTFF", {});
        // libcurl reads the rest of an unasked-for 101 as the body: it is the final answer.
        const QByteArray switching = "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n\r\n";
        row("GET 101, 2 MB not read", "GET", {S::Send(switching), S::Body(2'000'000), S::Close()}, kGet, "TTTTTTTTTFF", {});
        row("GET, status 2000 before 103", "GET", {S::Send("HTTP/2 2000 103\r\n\r\n"), S::Body(10), S::Close()}, kGet,
            "TTTTTTTTTFF", {});
        row("body ends at close", "GET", S::Reply("200 OK", "", 200000), kGet, "", sizes);
        // Every byte that came reaches the reader, who learns from Failed() that
        // the body is incomplete: busy at 11 until the reader has it.
        row("body cut short", "GET", {S::Send(ok), S::Body(100), S::Close(50)}, kCut, "TTTTTTTTTTTT", {100, 0}, lost);
        row("closed without an answer", "GET", {S::Close()}, unanswered, "TTTTTTTTF", {}, lost);
        // Closed before the header block ends: a failure, whatever libcurl says.
        row("closed inside the header block", "HEAD", {S::Send("HTTP/1.1 200 OK\r\nA: b\r\n"), S::Close(50)},
            {1, 2, 3, 4, 5, 6, 7, 9, 10, 11}, "TTTTTTTTTF", {}, lost);
        row("not HTTP", "HEAD", {S::Send("GARBAGE LINE\r\n\r\n"), S::Close()}, unanswered, "", {},
            QStringLiteral("サーバーの応答を読み取れませんでした。"));
        // What current HTTP clients refuse is refused whichever libcurl the machine has.
        QByteArray manyLines = "HTTP/1.1 200 OK\r\n";
        for (int i = 0; i < 1001; ++i)
            manyLines += "X-Line: " + QByteArray::number(i) + "\r\n";
        const QList<std::pair<const char *, QByteArray>> unreadable = {
            {"differing Content-Length values", "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nContent-Length: 10\r\n"},
            {"garbled Content-Length", "HTTP/1.1 200 OK\r\nContent-Length: 12abc\r\n"},
            {"bare CR in a field", "HTTP/1.1 200 OK\r\nX-A: a\rb\r\n"},
            {"two Location fields", "HTTP/1.1 302 Found\r\nLocation: /a\r\nLocation: /b\r\n"},
            {"1,001 header lines", manyLines},
            {"chunked, then another coding", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked, another\r\n"},
            {"a 2 MB header line", "HTTP/1.1 200 OK\r\nX-Big: " + QByteArray(2 << 20, 'x') + "\r\n"}};
        for (const auto &[name, block] : unreadable)
            row(name, "GET", {S::Send(block + "\r\n"), S::Body(1000), S::Close()}, {1, 2, 3, 4, 5, 6, 7, 9, 10, 11}, "",
                {}, QStringLiteral("サーバーの応答を読み取れませんでした。"));
        row("refused", "HEAD", {}, {1, 2, 3, 11}, "TTTF", {}, QStringLiteral("接続が拒否されました。"),
            QStringLiteral("http://127.0.0.1:%1/").arg(ScriptServer::RefusedPort()));
        // glibc rejects a 64-character label without asking any name server.
        row("unknown host", "HEAD", {}, {1, 11}, "TF", {}, QStringLiteral("ホスト名が見つかりません。"),
            "http://" + QString(64, u'a') + ".invalid/");
        row("scheme not allowed", "HEAD", {}, {1, 11}, "TF", {}, QStringLiteral("URLが正しくありません。"),
            QStringLiteral("file:///etc/passwd"));
        // Refused for what it is; the terminal tests show the handshake succeed through the same
        // control once SSL_CERT_FILE names the server's CA.
        row("untrusted certificate", "HEAD", S::Reply("200 OK", "Content-Length: 10\r\n"), {1, 2, 3, 11}, "TTTF", {},
            QStringLiteral("証明書を検証できませんでした。"), QStringLiteral("tls"));
    }
    void exchange()
    {
        QFETCH(QString, operation);
        QFETCH(QString, url);
        QFETCH(QString, referer);
        QFETCH(ScriptServer::Script, script);
        QFETCH(QList<int>, states);
        QFETCH(QString, busy);
        QFETCH(QList<qsizetype>, chunks);
        QFETCH(QString, reason);
        QFETCH(QString, header);
        QFETCH(QByteArray, sent);

        ScriptServer tls;
        if (url == u"tls") {
            QVERIFY2(tls.startTls(), qPrintable(tls.errorString()));
            url = tls.url();
        }
        server_->setScript(script);
        tls.setScript(script);
        Observe(*control_, seen_, [&](int state) {
            if (state == 12 && !chunks.isEmpty())
                ReadBody(*control_, seen_);
        });
        if (url.isEmpty() || url.startsWith(u'/'))
            url = server_->url(url.isEmpty() ? QStringLiteral("/") : url);
        // Refused where no state follows. One at a time: a second is refused while this one runs.
        QCOMPARE(control_->Execute(url, operation, referer), !states.isEmpty());
        QCOMPARE(control_->StillExecuting(), !states.isEmpty());
        QVERIFY(states.isEmpty() || !execute(server_->url()));
        QVERIFY(seen_.states.isEmpty()); // state 1 comes after Execute has returned
        QTRY_COMPARE_WITH_TIMEOUT(seen_.states, states, kDeadlineMs);
        if (!busy.isEmpty())
            QCOMPARE(seen_.busy, busy);
        QVERIFY(!control_->StillExecuting());
        if (!header.isEmpty())
            QCOMPARE(control_->GetHeader() + u'|' + control_->GetHeader(QStringLiteral("x-NAME")), header);
        QCOMPARE(seen_.chunks, chunks);
        QVERIFY(seen_.bodyIntact && seen_.busyWhileBodyLeft);
        QVERIFY(control_->GetChunk(kChunk).isEmpty());
        QCOMPARE(control_->Failed(), !reason.isEmpty());
        const QString failure = control_->LastFailure();
        QVERIFY2(reason.isEmpty() ? failure.isEmpty() : failure.startsWith(reason + " (") && failure.endsWith(u')'),
                 qPrintable(failure));
        QTRY_COMPARE_WITH_TIMEOUT(server_->openConnections(), 0, kDeadlineMs);

        // The next request starts afresh: nothing of this one comes after.
        server_->setScript(ScriptServer::Reply("200 OK", "Content-Length: 0\r\n"));
        QVERIFY(execute(server_->url(), QStringLiteral("HEAD")));
        QTRY_COMPARE_WITH_TIMEOUT(seen_.states, states + kHead, kDeadlineMs);
        QVERIFY(!control_->StillExecuting() && !control_->Failed() && control_->LastFailure().isEmpty());
        if (!sent.isEmpty())
            QCOMPARE(server_->requests().first(), sent.replace("%PORT%", QByteArray::number(server_->port())));
    }
    void switchingThenOk_data()
    {
        QTest::addColumn<ScriptServer::Script>("script");
        using S = ScriptServer;
        const QByteArray switching = "HTTP/1.1 101 Switching Protocols\r\n\r\n";
        const QByteArray ok = "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n";
        QTest::newRow("one write") << S::Script{S::Send(switching + ok + testdata::Pattern(0, 1000)), S::Close()};
        QTest::newRow("several writes, delays")
            << S::Script{S::Send(switching), S::Send(ok, 2), S::Body(1000, 100, 1), S::Close(1)};
    }

    // An unasked-for 101 followed by a 200 on the same connection. The
    // receiver of 12 shows a box, as the window does for a status other
    // than 200, and reads nothing: the rest of the answer arrives while it
    // waits. However the pieces come, the last state is emitted with the
    // control idle, so the window can see that it is.
    void switchingThenOk()
    {
        QFETCH(ScriptServer::Script, script);
        server_->setScript(script);
        Observe(*control_, seen_, [this](int state) {
            if (state == 12)
                QVERIFY(WaitUntil([this] { return server_->openConnections() == 0; }));
        });
        for (int run = 0; run < 200; ++run) {
            seen_ = {};
            QVERIFY(execute(server_->url()));
            QVERIFY(WaitUntil([this] { return seen_.busy.endsWith(u'F'); }));
            QCOMPARE(seen_.states.last(), 10);
            QVERIFY(!control_->StillExecuting());
        }
    }

    void cancel_data()
    {
        QTest::addColumn<int>("cancelOn"); // state whose event cancels; 0: right after Execute; -1: 300 ms into reading
        QTest::addColumn<ScriptServer::Script>("script");
        QTest::addColumn<qint64>("bytes"); // the body handed out in all; -1: some, not all

        using S = ScriptServer;
        const QByteArray ok = "HTTP/1.1 200 OK\r\nContent-Length: 20000000\r\n\r\n";
        QTest::newRow("before connecting") << 0 << S::Script{S::Send(ok), S::Body(20'000'000)} << qint64(0);
        // The whole body has arrived when the connection closes (state 9).
        QTest::newRow("body complete, cancel at 9") << 9 << S::Script{S::Send(ok), S::Body(20'000'000)}
                                                    << qint64(20'000'000);
        QTest::newRow("slow body, cancel while reading") << -1 << S::Script{S::Send(ok), S::Body(20'000'000, 1000, 20)}
                                                         << qint64(-1);
    }
    // The reader goes on after a cancel: whatever arrived before it is still handed out.
    void cancel()
    {
        QFETCH(int, cancelOn);
        QFETCH(ScriptServer::Script, script);
        QFETCH(qint64, bytes);

        server_->setScript(script);
        bool followUp = false; // the request that shows nothing of the cancelled one follows
        Observe(*control_, seen_, [&](int state) {
            if (followUp)
                return;
            if (state == cancelOn)
                control_->Cancel();
            if (state != 12)
                return;
            if (cancelOn < 0)
                QTimer::singleShot(300, control_.get(), [this] { control_->Cancel(); });
            ReadBody(*control_, seen_);
        });
        QVERIFY(execute(server_->url()));
        if (cancelOn == 0)
            control_->Cancel();
        // Events not yet emitted are dropped; only the closing states of the connection it ends follow.
        const QList<int> states = cancelOn == 0 ? QList<int>{} : kGet;
        QTRY_COMPARE_WITH_TIMEOUT(seen_.states, states, kDeadlineMs);
        QVERIFY(!control_->StillExecuting());
        QVERIFY(!control_->Failed());
        QVERIFY(control_->GetChunk(kChunk).isEmpty());
        QVERIFY(seen_.bodyIntact);
        if (bytes >= 0)
            QCOMPARE(seen_.bodyBytes, bytes);
        else
            QVERIFY2(seen_.bodyBytes > 0 && seen_.bodyBytes < 20'000'000, qPrintable(QString::number(seen_.bodyBytes)));
        QTRY_COMPARE_WITH_TIMEOUT(server_->openConnections(), 0, kDeadlineMs);
        // Nothing of the cancelled request comes after: the next one's states follow its own.
        followUp = true;
        server_->setScript(ScriptServer::Reply("200 OK", "Content-Length: 0\r\n"));
        QVERIFY(execute(server_->url(), QStringLiteral("HEAD")));
        QTRY_COMPARE_WITH_TIMEOUT(seen_.states, states + kHead, kDeadlineMs);
    }
    void largeBodyStaysBounded()
    {
        const auto peakResidentKiB = [] {
            QFile status(QStringLiteral("/proc/self/status"));
            status.open(QIODevice::ReadOnly);
            static const QRegularExpression peak(QStringLiteral("VmHWM:\\s*(\\d+)"));
            return peak.match(QString::fromLatin1(status.readAll())).captured(1).toLongLong();
        };
        constexpr qint64 kLength = 384LL * 1024 * 1024;
        server_->setScript(ScriptServer::Reply("200 OK", "Content-Length: 402653184\r\n", kLength));
        const qint64 peakBefore = peakResidentKiB();
        QVERIFY(peakBefore > 0);
        Observe(*control_, seen_, [this](int state) {
            if (state != 12)
                return;
            // A reader that falls behind: what is kept of the body fills, and the server waits.
            QTRY_VERIFY_WITH_TIMEOUT(control_->BodyHeldBack(), kDeadlineMs);
            ReadBody(*control_, seen_);
        });
        QVERIFY(execute(server_->url()));
        QTRY_COMPARE_WITH_TIMEOUT(seen_.states, kGet, 120000);
        QCOMPARE(seen_.bodyBytes, kLength);
        QVERIFY(seen_.bodyIntact);
        const qint64 growthKiB = peakResidentKiB() - peakBefore;
        QVERIFY2(growthKiB < 64 * 1024, qPrintable(QStringLiteral("peak grew by %1 KiB").arg(growthKiB)));
    }
};

QTEST_GUILESS_MAIN(TestTransferControl)
#include "test_transfer_control.moc"
