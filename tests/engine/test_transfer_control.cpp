#include "engine/transfer_control.h"
#include "support/nginx_server.h"
#include "support/script_server.h"

#include <QFile>
#include <QPointer>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

constexpr int kChunk = 65536;
constexpr int kDeadlineMs = 15000;

// What a test saw of one transfer.
struct Seen {
    QList<int> states;
    QString busy; // StillExecuting() as each state was emitted: T or F
    QList<qsizetype> chunks; // sizes GetChunk returned while reading the body
    qint64 bodyBytes = 0;
    bool bodyIntact = true; // every chunk continued ScriptServer::Pattern
    bool busyAtEnd = true;  // StillExecuting() when GetChunk returned empty
};

// Reads the body like the window's download loop: 64 KiB chunks until an
// empty one (or maxChunks).
void ReadBody(Transfer &control, Seen &seen, int maxChunks = INT_MAX)
{
    for (int i = 0; i < maxChunks; ++i) {
        const QByteArray chunk = control.GetChunk(kChunk);
        seen.chunks << chunk.size();
        if (chunk.isEmpty()) {
            seen.busyAtEnd = control.StillExecuting();
            return;
        }
        seen.bodyIntact = seen.bodyIntact
            && chunk == ScriptServer::Pattern(seen.bodyBytes, chunk.size());
        seen.bodyBytes += chunk.size();
    }
}

// Records every state event; then runs action (if any) inside the handler,
// as the window does.
void Observe(Transfer &control, Seen &seen, std::function<void(int)> action = {})
{
    QObject::connect(&control, &Transfer::StateChanged, &control,
                     [&control, &seen, action = std::move(action)](int state) {
                         seen.states << state;
                         seen.busy += control.StillExecuting() ? u'T' : u'F';
                         if (action)
                             action(state);
                     });
}

QList<int> States(std::initializer_list<int> states)
{
    return QList<int>(states);
}

const QList<int> kHead = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12};
const QList<int> kGet = {1, 2, 3, 4, 5, 6, 7, 8, 12, 9, 10};

qint64 PeakResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

} // namespace

class TestTransferControl : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void headerTextIsSafe_data();
    void headerTextIsSafe();
    void requestBytes_data();
    void requestBytes();
    void refusedRequest_data();
    void refusedRequest();
    void refusedWhileExecuting();
    void stateOrder_data();
    void stateOrder();
    void headerBlock_data();
    void headerBlock();
    void failures_data();
    void failures();
    void https_data();
    void https();
    void chunks_data();
    void chunks();
    void cancel_data();
    void cancel();
    void destroyWhileRunning_data();
    void destroyWhileRunning();
    void largeBodyStaysBounded();
    void cutShortBodyIsHandedOut();

private:
    bool execute(const QString &operation, const QString &header = QStringLiteral("Referer: x"));

    std::unique_ptr<ScriptServer> server_;
    std::unique_ptr<TransferControl> control_;
    Seen seen_;
};

void TestTransferControl::initTestCase()
{
    // Only the servers started here may be contacted.
    for (const char *name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        qunsetenv(name);
}

void TestTransferControl::init()
{
    server_ = std::make_unique<ScriptServer>();
    QVERIFY(server_->start());
    control_ = std::make_unique<TransferControl>();
    seen_ = {};
}

void TestTransferControl::cleanup()
{
    control_.reset();
    server_.reset();
}

bool TestTransferControl::execute(const QString &operation, const QString &header)
{
    return control_->Execute(server_->url(QStringLiteral("/x")), operation, header);
}

void TestTransferControl::headerTextIsSafe_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("safe");

    QTest::newRow("plain") << "Referer: http://127.0.0.1/a" << true;
    QTest::newRow("ideographic space") << u"Referer: \u3000"_qs << true;
    QTest::newRow("empty") << "" << true;
    QTest::newRow("CR") << "Referer: a\rX-Evil: 1" << false;
    QTest::newRow("LF") << "Referer: a\nX-Evil: 1" << false;
    QTest::newRow("NUL") << QStringLiteral("Referer: a") + QChar(0) + u'b' << false;
}

void TestTransferControl::headerTextIsSafe()
{
    QFETCH(QString, text);
    QFETCH(bool, safe);
    QCOMPARE(::headerTextIsSafe(text), safe);
}

void TestTransferControl::requestBytes_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("header");
    QTest::addColumn<QByteArray>("expected"); // %PORT% stands for the server's port

    const QByteArray agent = "User-Agent: Tobrell/1.00\r\nAccept: */*\r\n";
    QTest::newRow("HEAD") << "HEAD" << "/x" << "Referer: http://127.0.0.1/"
                          << "HEAD /x HTTP/1.1\r\nHost: 127.0.0.1:%PORT%\r\n" + agent
            + "Referer: http://127.0.0.1/\r\n\r\n";
    QTest::newRow("GET, U+3000 as E3 80 80") << "GET" << "/a?b=c" << u"Referer: \u3000日本"_qs
                                             << "GET /a?b=c HTTP/1.1\r\nHost: 127.0.0.1:%PORT%\r\n"
            + agent + "Referer: \xE3\x80\x80\xE6\x97\xA5\xE6\x9C\xAC\r\n\r\n";
    QTest::newRow("empty Referer value still sent")
        << "HEAD" << "/x" << "Referer: "
        << "HEAD /x HTTP/1.1\r\nHost: 127.0.0.1:%PORT%\r\n" + agent + "Referer:\r\n\r\n";
    QTest::newRow("no header") << "GET" << "/x" << ""
                               << "GET /x HTTP/1.1\r\nHost: 127.0.0.1:%PORT%\r\n" + agent + "\r\n";
    QTest::newRow("path with Japanese and space")
        << "GET" << u"/日本 x"_qs << "Referer: r"
        << "GET /%E6%97%A5%E6%9C%AC%20x HTTP/1.1\r\nHost: 127.0.0.1:%PORT%\r\n" + agent
            + "Referer: r\r\n\r\n";
}

void TestTransferControl::requestBytes()
{
    QFETCH(QString, operation);
    QFETCH(QString, path);
    QFETCH(QString, header);
    QFETCH(QByteArray, expected);

    server_->setScript(ScriptServer::Reply("200 OK", "Content-Length: 0\r\n"));
    Observe(*control_, seen_);
    QVERIFY(control_->Execute(server_->url(path), operation, header));
    QTRY_COMPARE_WITH_TIMEOUT(server_->requests().size(), 1, kDeadlineMs);
    QCOMPARE(server_->requests().first(),
             expected.replace("%PORT%", QByteArray::number(server_->port())));
    QTRY_VERIFY_WITH_TIMEOUT(!control_->StillExecuting(), kDeadlineMs);
}

void TestTransferControl::refusedRequest_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("header");

    QTest::newRow("CR LF in the header") << "GET" << "/x" << "Referer: a\r\nX-Evil: 1";
    QTest::newRow("LF in the header") << "HEAD" << "/x" << "Referer: a\nX-Evil: 1";
    QTest::newRow("CR LF in the address") << "GET" << "/x\r\nX-Evil: 1" << "Referer: a";
    QTest::newRow("unknown operation") << "POST" << "/x" << "Referer: a";
}

void TestTransferControl::refusedRequest()
{
    QFETCH(QString, operation);
    QFETCH(QString, path);
    QFETCH(QString, header);

    QSignalSpy states(control_.get(), &Transfer::StateChanged);
    server_->setScript(ScriptServer::Reply("200 OK", "Content-Length: 0\r\n"));
    QVERIFY(!control_->Execute(server_->url(path), operation, header));
    QVERIFY(!control_->StillExecuting());
    QVERIFY(!states.wait(300));
    QCOMPARE(server_->connectionCount(), 0);
}

void TestTransferControl::refusedWhileExecuting()
{
    server_->setScript({}); // never answers
    QVERIFY(execute(QStringLiteral("GET")));
    QTRY_COMPARE_WITH_TIMEOUT(server_->requests().size(), 1, kDeadlineMs);
    QVERIFY(!execute(QStringLiteral("HEAD")));
    QVERIFY(!control_->Execute(server_->url(QStringLiteral("/y")), QStringLiteral("GET"),
                               QStringLiteral("Referer: y")));
    QVERIFY(control_->StillExecuting());
    control_->Cancel();
    QVERIFY(!control_->StillExecuting());
    QCOMPARE(server_->connectionCount(), 1);
}

void TestTransferControl::stateOrder_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<ScriptServer::Script>("script");
    QTest::addColumn<bool>("readBody");
    QTest::addColumn<QList<int>>("states");
    QTest::addColumn<QString>("busy");

    const QByteArray ok = "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n";
    using S = ScriptServer;
    QTest::newRow("HEAD 200") << "HEAD" << S::Reply("200 OK", "Content-Length: 5000\r\n")
                              << false << kHead << "TTTTTTTTTTF";
    QTest::newRow("HEAD 404, server keeps the connection open")
        << "HEAD" << S::Script{S::Send("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\n")}
        << false << kHead << "TTTTTTTTTTF";
    S::Step lateBody = S::Body(5000);
    lateBody.delayMs = 50;
    // The body arrives with the header block, so it is read to its end
    // before the connection's closing states are emitted.
    QTest::newRow("GET 200, body read at once")
        << "GET" << S::Script{S::Send(ok + S::Pattern(0, 5000))} << true << kGet << "TTTTTTTTTFF";
    // The connection closes while GetChunk waits for the body's end.
    QTest::newRow("GET 200, body read as it comes")
        << "GET" << S::Script{S::Send(ok), lateBody} << true << kGet << "TTTTTTTTTTT";
    QTest::newRow("GET 200 after 100 Continue")
        << "GET" << S::Script{S::Send("HTTP/1.1 100 Continue\r\n\r\n"), S::Send(ok, 50), lateBody}
        << true << kGet << "TTTTTTTTTTT";
    QTest::newRow("GET 404, body not read")
        << "GET" << S::Reply("404 Not Found", "Content-Length: 5000\r\n", 5000) << false << kGet
        << "TTTTTTTTTFF";
    QTest::newRow("GET 404, large body not read")
        << "GET" << S::Reply("404 Not Found", "Content-Length: 50000000\r\n", 50'000'000) << false
        << kGet << "TTTTTTTTTFF";
    // The bytes that came before the break are still handed out, so the
    // control stays busy at 11 until the reader has them.
    QTest::newRow("GET, body cut short")
        << "GET" << S::Script{S::Send(ok), S::Body(100), S::Close(50)} << true
        << States({1, 2, 3, 4, 5, 6, 7, 8, 12, 9, 10, 11}) << "TTTTTTTTTTTT";
    QTest::newRow("closed without an answer")
        << "GET" << S::Script{S::Close()} << false << States({1, 2, 3, 4, 5, 6, 9, 10, 11})
        << "TTTTTTTTF";
    QTest::newRow("closed inside the header block")
        << "HEAD" << S::Script{S::Send("HTTP/1.1 200 OK\r\nA: b\r\n"), S::Close(50)} << false
        << States({1, 2, 3, 4, 5, 6, 7, 9, 10, 11}) << "TTTTTTTTTF";
}

void TestTransferControl::stateOrder()
{
    QFETCH(QString, operation);
    QFETCH(ScriptServer::Script, script);
    QFETCH(bool, readBody);
    QFETCH(QList<int>, states);
    QFETCH(QString, busy);

    server_->setScript(script);
    Observe(*control_, seen_, [&](int state) {
        if (state == 12 && readBody)
            ReadBody(*control_, seen_);
    });
    QVERIFY(execute(operation));
    QVERIFY(control_->StillExecuting());
    QVERIFY(seen_.states.isEmpty()); // state 1 comes after Execute has returned
    QTRY_COMPARE_WITH_TIMEOUT(seen_.states, states, kDeadlineMs);
    QCOMPARE(seen_.busy, busy);
    QVERIFY(!control_->StillExecuting());
    QCOMPARE(control_->Failed(), states.last() == 11);
    QCOMPARE(control_->LastFailure().isEmpty(), states.last() != 11);
    QTRY_COMPARE_WITH_TIMEOUT(server_->openConnections(), 0, kDeadlineMs);
    if (readBody && !control_->Failed()) {
        QCOMPARE(seen_.bodyBytes, 5000);
        QVERIFY(seen_.bodyIntact);
        QVERIFY(!seen_.busyAtEnd);
    }
}

void TestTransferControl::headerBlock_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("block");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");

    const QByteArray repeated =
        "HTTP/1.1 200 OK\r\ncontent-LENGTH:  42 \r\nX-Twice: first\r\nx-twice: second\r\n\r\n";
    const QString repeatedText =
        "HTTP/1.1 200 OK\r\ncontent-LENGTH:  42 \r\nX-Twice: first\r\nx-twice: second";
    QTest::newRow("odd casing") << repeated << repeatedText << "Content-Length" << "42";
    QTest::newRow("repeated name: first wins") << repeated << repeatedText << "X-TWICE" << "first";
    QTest::newRow("absent") << repeated << repeatedText << "Date" << "";
    QTest::newRow("status 404") << QByteArray("HTTP/1.1 404 Not Found\r\n\r\n")
                                << "HTTP/1.1 404 Not Found" << "Content-Length" << "";
    QTest::newRow("UTF-8") << QByteArray("HTTP/1.1 200 OK\r\nX-Name: \xE6\x97\xA5\xE6\x9C\xAC\r\n\r\n")
                           << u"HTTP/1.1 200 OK\r\nX-Name: 日本"_qs << "x-name" << u"日本"_qs;
    QTest::newRow("not UTF-8: Latin-1")
        << QByteArray("HTTP/1.1 200 OK\r\nX-Name: caf\xE9 \x80\xFF\r\n\r\n")
        << u"HTTP/1.1 200 OK\r\nX-Name: caf\u00E9 \u0080\u00FF"_qs << "X-Name"
        << u"caf\u00E9 \u0080\u00FF"_qs;
    QTest::newRow("interim 100 Continue skipped")
        << QByteArray("HTTP/1.1 100 Continue\r\nX-Early: 1\r\n\r\nHTTP/1.1 301 Moved\r\nLocation: /y\r\n\r\n")
        << "HTTP/1.1 301 Moved\r\nLocation: /y" << "X-Early" << "";
    QTest::newRow("bare LF line ends") << QByteArray("HTTP/1.1 200 OK\nA: b\n\n")
                                       << "HTTP/1.1 200 OK\r\nA: b" << "a" << "b";
}

void TestTransferControl::headerBlock()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, block);
    QFETCH(QString, name);
    QFETCH(QString, value);

    server_->setScript({ScriptServer::Send(reply)});
    Observe(*control_, seen_);
    QVERIFY(execute(QStringLiteral("HEAD")));
    QTRY_COMPARE_WITH_TIMEOUT(seen_.states, kHead, kDeadlineMs);
    QCOMPARE(control_->GetHeader(), block);
    QCOMPARE(control_->GetHeader(name), value);
}

void TestTransferControl::failures_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QList<int>>("states");
    QTest::addColumn<QString>("reason");

    QTest::newRow("refused") << QStringLiteral("http://127.0.0.1:%1/").arg(ScriptServer::RefusedPort())
                             << States({1, 2, 3, 11}) << u"接続が拒否されました。"_qs;
    // glibc rejects a 64-character label without asking any name server.
    QTest::newRow("unknown host") << "http://" + QString(64, u'a') + ".invalid/" << States({1, 11})
                                  << u"ホスト名が見つかりません。"_qs;
    QTest::newRow("scheme not allowed") << "file:///etc/passwd" << States({1, 11})
                                        << u"URLが正しくありません。"_qs;
}

void TestTransferControl::failures()
{
    QFETCH(QString, url);
    QFETCH(QList<int>, states);
    QFETCH(QString, reason);

    Observe(*control_, seen_);
    QVERIFY(control_->Execute(url, QStringLiteral("GET"), QStringLiteral("Referer: x")));
    QTRY_COMPARE_WITH_TIMEOUT(seen_.states, states, kDeadlineMs);
    QCOMPARE(seen_.busy.back(), u'F');
    QVERIFY(control_->Failed());
    const QString failure = control_->LastFailure();
    QVERIFY2(failure.startsWith(reason + " (") && failure.endsWith(u')') && failure.size() > reason.size() + 4,
             qPrintable(failure));
    QVERIFY(control_->GetChunk(kChunk).isEmpty());

    // The next request starts afresh.
    server_->setScript(ScriptServer::Reply("200 OK", "Content-Length: 0\r\n"));
    QVERIFY(execute(QStringLiteral("HEAD")));
    QVERIFY(!control_->Failed());
    QVERIFY(control_->LastFailure().isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!control_->StillExecuting(), kDeadlineMs);
    QVERIFY(!control_->Failed());
}

void TestTransferControl::https_data()
{
    QTest::addColumn<bool>("trustTestCa");
    QTest::addColumn<QList<int>>("states");

    QTest::newRow("test CA named by SSL_CERT_FILE") << true << kHead;
    QTest::newRow("system CA store only") << false << States({1, 2, 3, 11});
}

void TestTransferControl::https()
{
    QFETCH(bool, trustTestCa);
    QFETCH(QList<int>, states);

    NginxServer nginx(NginxServer::Scheme::Https);
    QVERIFY2(nginx.start(), qPrintable(nginx.errorString()));
    QVERIFY(nginx.createFile(QStringLiteral("a.txt"), 10));
    // The variable is read when the request starts.
    const QByteArray caFile = qgetenv("SSL_CERT_FILE");
    if (trustTestCa)
        qputenv("SSL_CERT_FILE", QFile::encodeName(nginx.caFile()));
    else
        qunsetenv("SSL_CERT_FILE");
    Observe(*control_, seen_);
    const bool started = control_->Execute(nginx.url(QStringLiteral("a.txt")), QStringLiteral("HEAD"),
                                           QStringLiteral("Referer: x"));
    if (caFile.isNull())
        qunsetenv("SSL_CERT_FILE");
    else
        qputenv("SSL_CERT_FILE", caFile);
    QVERIFY(started);
    QTRY_COMPARE_WITH_TIMEOUT(seen_.states, states, kDeadlineMs);
    if (trustTestCa)
        QCOMPARE(control_->GetHeader(QStringLiteral("Content-Length")), QStringLiteral("10"));
    else
        QVERIFY2(control_->LastFailure().startsWith(u"証明書を検証できませんでした。 ("_qs),
                 qPrintable(control_->LastFailure()));
}

void TestTransferControl::chunks_data()
{
    QTest::addColumn<ScriptServer::Script>("script");
    QTest::addColumn<QList<qsizetype>>("chunks");

    using S = ScriptServer;
    const QList<qsizetype> sizes = {65536, 65536, 65536, 3392, 0};
    QTest::newRow("Content-Length") << S::Reply("200 OK", "Content-Length: 200000\r\n", 200000) << sizes;
    QTest::newRow("no Content-Length") << S::Reply("200 OK", "", 200000) << sizes;
    QTest::newRow("chunked, with a trailer")
        << S::Script{S::Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\n"
                             + S::Pattern(0, 3) + "\r\n0\r\nX-Trailer: t\r\n\r\n")}
        << QList<qsizetype>{3, 0};
    QTest::newRow("small pieces, slowly")
        << S::Script{S::Send("HTTP/1.1 200 OK\r\nContent-Length: 200000\r\n\r\n"), S::Body(200000, 7000, 2)}
        << sizes;
    QTest::newRow("empty body") << S::Reply("200 OK", "Content-Length: 0\r\n") << QList<qsizetype>{0};
}

void TestTransferControl::chunks()
{
    QFETCH(ScriptServer::Script, script);
    QFETCH(QList<qsizetype>, chunks);

    server_->setScript(script);
    Observe(*control_, seen_, [&](int state) {
        if (state == 12)
            ReadBody(*control_, seen_);
    });
    QVERIFY(execute(QStringLiteral("GET")));
    QTRY_COMPARE_WITH_TIMEOUT(seen_.states, kGet, kDeadlineMs);
    QCOMPARE(seen_.chunks, chunks);
    QVERIFY(seen_.bodyIntact);
    QVERIFY(!seen_.busyAtEnd);
    QVERIFY(control_->GetChunk(kChunk).isEmpty());
    QVERIFY(!control_->Failed());
    QVERIFY(control_->GetHeader(QStringLiteral("X-Trailer")).isEmpty());
}

void TestTransferControl::cancel_data()
{
    QTest::addColumn<ScriptServer::Script>("script");
    QTest::addColumn<int>("cancelOn"); // state whose handler cancels; 0: right after Execute
    QTest::addColumn<int>("chunksFirst"); // GetChunk calls before the cancel
    QTest::addColumn<bool>("whileWaiting"); // cancel from a timer inside GetChunk's wait
    QTest::addColumn<QList<int>>("states");
    QTest::addColumn<QList<qsizetype>>("chunks");

    using S = ScriptServer;
    const S::Script slow = {S::Send("HTTP/1.1 200 OK\r\nContent-Length: 10000000\r\n\r\n"),
                            S::Body(10'000'000, 1000, 20)};
    const QList<int> all = {1, 2, 3, 4, 5, 6, 7, 8, 12, 9, 10};
    QTest::newRow("before connecting") << slow << 0 << 0 << false << QList<int>{} << QList<qsizetype>{};
    QTest::newRow("while connecting") << slow << 3 << 0 << false << States({1, 2, 3}) << QList<qsizetype>{};
    QTest::newRow("waiting for the response")
        << S::Script{} << 6 << 0 << false << States({1, 2, 3, 4, 5, 6, 9, 10}) << QList<qsizetype>{};
    QTest::newRow("between chunks") << slow << 12 << 1 << false << all << QList<qsizetype>{kChunk};
    QTest::newRow("inside GetChunk's wait") << slow << 12 << 0 << true << all << QList<qsizetype>{0};
}

void TestTransferControl::cancel()
{
    QFETCH(ScriptServer::Script, script);
    QFETCH(int, cancelOn);
    QFETCH(int, chunksFirst);
    QFETCH(bool, whileWaiting);
    QFETCH(QList<int>, states);
    QFETCH(QList<qsizetype>, chunks);

    server_->setScript(script);
    bool emptyAfterCancel = false;
    const auto cancelNow = [&] {
        control_->Cancel();
        emptyAfterCancel = !control_->StillExecuting() && control_->GetChunk(kChunk).isEmpty();
    };
    Observe(*control_, seen_, [&](int state) {
        if (state != cancelOn)
            return;
        if (whileWaiting) {
            QTimer::singleShot(100, cancelNow);
            ReadBody(*control_, seen_);
            return;
        }
        ReadBody(*control_, seen_, chunksFirst);
        cancelNow();
    });
    QVERIFY(execute(QStringLiteral("GET")));
    if (cancelOn == 0)
        cancelNow();
    QSignalSpy spy(control_.get(), &Transfer::StateChanged);
    QTRY_COMPARE_WITH_TIMEOUT(seen_.states, states, kDeadlineMs);
    QVERIFY(!spy.wait(300)); // nothing follows
    QCOMPARE(seen_.states, states);
    QVERIFY(emptyAfterCancel);
    QVERIFY(!control_->Failed());
    QCOMPARE(seen_.chunks, chunks);
    QTRY_COMPARE_WITH_TIMEOUT(server_->openConnections(), 0, kDeadlineMs);
}

void TestTransferControl::destroyWhileRunning_data()
{
    QTest::addColumn<int>("destroyOn"); // state whose handler starts the time-out
    QTest::addColumn<bool>("thenRead");

    QTest::newRow("waiting for the response") << 6 << false;
    QTest::newRow("inside GetChunk") << 12 << true;
}

void TestTransferControl::destroyWhileRunning()
{
    QFETCH(int, destroyOn);
    QFETCH(bool, thenRead);

    server_->setScript({ScriptServer::Send("HTTP/1.1 200 OK\r\nContent-Length: 9000000\r\n\r\n", 100),
                        ScriptServer::Body(9'000'000, 1000, 20)});
    QPointer<TransferControl> control = control_.release();
    bool returnedEmpty = false;
    Observe(*control, seen_, [&](int state) {
        if (state != destroyOn)
            return;
        QTimer::singleShot(50, [&] { delete control.data(); });
        if (thenRead)
            returnedEmpty = control->GetChunk(kChunk).isEmpty(); // control is gone when it returns
    });
    QVERIFY(control->Execute(server_->url(), QStringLiteral("GET"), QString()));
    QTRY_VERIFY_WITH_TIMEOUT(control.isNull(), kDeadlineMs);
    QCOMPARE(returnedEmpty, thenRead);
    QTRY_COMPARE_WITH_TIMEOUT(server_->openConnections(), 0, kDeadlineMs);
}

void TestTransferControl::largeBodyStaysBounded()
{
    constexpr qint64 kLength = 384LL * 1024 * 1024;
    server_->setScript(ScriptServer::Reply("200 OK", "Content-Length: " + QByteArray::number(kLength) + "\r\n",
                                           kLength));
    const qint64 peakBefore = PeakResidentKiB();
    Observe(*control_, seen_, [&](int state) {
        if (state == 12)
            ReadBody(*control_, seen_);
    });
    QVERIFY(execute(QStringLiteral("GET")));
    QTRY_COMPARE_WITH_TIMEOUT(seen_.states, kGet, 120000);
    QCOMPARE(seen_.bodyBytes, kLength);
    QVERIFY(seen_.bodyIntact);
    QCOMPARE(seen_.chunks.size(), kLength / kChunk + 1);
    QCOMPARE(seen_.chunks.count(kChunk), kLength / kChunk);
    const qint64 growthKiB = PeakResidentKiB() - peakBefore;
    QVERIFY2(growthKiB < 64 * 1024, qPrintable(QStringLiteral("peak grew by %1 KiB").arg(growthKiB)));
}

void TestTransferControl::cutShortBodyIsHandedOut()
{
    // 200,000 bytes of 300,000 declared, then the server closes: every byte
    // that arrived reaches the reader, who learns from Failed() that the
    // body is incomplete.
    server_->setScript(ScriptServer::Reply("200 OK", "Content-Length: 300000\r\n", 200000));
    Observe(*control_, seen_, [&](int state) {
        if (state == 12)
            ReadBody(*control_, seen_);
    });
    QVERIFY(execute(QStringLiteral("GET")));
    QTRY_VERIFY_WITH_TIMEOUT(seen_.states.contains(11), kDeadlineMs);
    QCOMPARE(seen_.bodyBytes, qint64(200000));
    QVERIFY(seen_.bodyIntact);
    QVERIFY(!seen_.busyAtEnd);
    QVERIFY(control_->Failed());
}

QTEST_GUILESS_MAIN(TestTransferControl)
#include "test_transfer_control.moc"
