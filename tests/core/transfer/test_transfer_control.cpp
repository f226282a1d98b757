// What the terminal's HEAD does not show of the transfer control: a GET's
// states and when the control is busy, the body handed to its reader, held
// back while the reader lags, and kept after a failure or a cancel.
#include "core/transfer/transfer_control.h"
#include "support/sample_data.h"
#include "support/script_server.h"

#include <QtTest>

class TestTransferControl : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void exchange_data()
    {
        // "HEAD" or "GET"; the receiver of state 12 reads the body in 64 KiB chunks until an empty one,
        // for "GET late" once the body is held back or the transfer has ended; "GET cancel" cancels
        // when the connection closes.
        QTest::addColumn<QString>("operation");
        QTest::addColumn<ScriptServer::Script>("script");
        // The states, StillExecuting at each (T or F), the body bytes read, whether it failed (1) and why.
        QTest::addColumn<QString>("seen");
        using S = ScriptServer;
        const S::Script large = S::Reply("200 OK", "Content-Length: 4000000\r\n", 4'000'000);
        QTest::newRow("HEAD") << "HEAD" << S::Reply("200 OK", "Content-Length: 5000\r\n")
                              << "1 2 3 4 5 6 7 8 9 10 12 TTTTTTTTTTF 0 0";
        QTest::newRow("GET late") << "GET late" << large << "1 2 3 4 5 6 7 8 12 9 10 TTTTTTTTTTT 4000000 0";
        // Whatever arrived before a cancel or a failure still reaches the reader, and the control is busy
        // until it has. The states that follow a GET's 12 wait until the reader asks for the body: here,
        // after the failure, it has all of it.
        QTest::newRow("GET cancel") << "GET cancel" << large
                                    << "1 2 3 4 5 6 7 8 12 9 10 TTTTTTTTTTF 4000000 0";
        QTest::newRow("GET cut short")
            << "GET late"
            << S::Script{S::Send("HTTP/1.1 200 OK\r\nContent-Length: 500000\r\n\r\n"), S::Body(200000),
                   S::Close()}
            << "1 2 3 4 5 6 7 8 12 9 10 11 TTTTTTTTTFFF 200000 1接続が切断されました。 "
               "(transfer closed with 300000 bytes remaining to read)";
    }
    void exchange()
    {
        QFETCH(QString, operation);
        QFETCH(ScriptServer::Script, script);
        QFETCH(QString, seen);
        ScriptServer server;
        QVERIFY(server.start());
        server.setScript(script);
        TransferControl control;
        QString states, busy;
        qint64 bytes = 0;
        bool intact = true; // every chunk continues the pattern, and came while the control was busy
        const bool cancel = operation.endsWith(u"cancel");
        QObject::connect(&control, &Transfer::StateChanged, &control, [&](int state) {
            states += QString::number(state) + u' ';
            busy += control.StillExecuting() ? u'T' : u'F';
            if (state == 9 && cancel)
                control.Cancel();
            if (state != 12 || operation == u"HEAD")
                return;
            if (operation.endsWith(u"late"))
                QTRY_VERIFY_WITH_TIMEOUT(control.BodyHeldBack() || control.LastFacts().port != 0, 15000);
            for (bool before = control.StillExecuting();; before = control.StillExecuting()) {
                const QByteArray chunk = control.GetChunk(65536);
                if (chunk.isEmpty())
                    return;
                intact &= chunk == testdata::Pattern(bytes, chunk.size()) && (before || cancel);
                bytes += chunk.size();
            }
        });
        QVERIFY(control.Execute(server.url(), operation.section(u' ', 0, 0), QStringLiteral("Referer: x")));
        QTRY_COMPARE_WITH_TIMEOUT(states + busy + u' ' + QString::number(bytes) + u' '
                + QString::number(control.Failed()) + control.LastFailure(),
            seen, 15000);
        QVERIFY(intact && !control.StillExecuting());
    }
};

QTEST_GUILESS_MAIN(TestTransferControl)
#include "test_transfer_control.moc"
