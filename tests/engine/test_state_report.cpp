// What the user reads about a transfer: the state line, the status code
// taken from the header block, and the reason given for a failure.
#include "engine/curl_failure_text.h"
#include "engine/state_report.h"
#include "support/sample_data.h"

#include <QtTest>

#include <cerrno>

using namespace Qt::StringLiterals;

class TestStateReport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // States 0 to 12 have a text; the neighbours -1 and 13 none.
    void stateMessages()
    {
        QStringList shown;
        for (int state = -1; state <= 13; ++state)
            shown << engine::StateMessage(state);
        QCOMPARE(shown, (QStringList{QString(),
                                     u"状態についての報告はありません。"_s,
                                     u"指定されたホストコンピュータのIPアドレスを調べています。"_s,
                                     u"指定されたホストコンピュータのIPアドレスを見つけました。"_s,
                                     u"ホストコンピュータとの接続処理を行っています。"_s,
                                     u"ホストコンピュータと正常に接続しました。"_s,
                                     u"ホストコンピュータに要求を送信しています。"_s,
                                     u"要求を正常に送信しました。"_s,
                                     u"ホストコンピュータからの応答を受信しています。"_s,
                                     u"ホストコンピュータからの応答を正常に受信しました。"_s,
                                     u"ホストコンピュータとの接続を解除しています。"_s,
                                     u"ホストコンピュータとの接続を正常に解除しました。"_s,
                                     u"ホストコンピュータとの通信中にエラーが発生しました。"_s,
                                     u"要求処理が完了し、すべてのデータが受信されました。"_s,
                                     QString()}));
    }

    void statusCode_data()
    {
        QTest::addColumn<QString>("block");
        QTest::addColumn<QString>("code");
        // Characters 10 to 12 of the status line first, then a three-digit number after the first space.
        testdata::AddTextRows({"HTTP/1.1 200 OK\r\nServer: x|200", "HTTP/1.1 204|204",
                                "HTTP/2 301 \r\nLocation: /|301", "HTTP/1.1 Status 503 Busy|503",
                                "HTTP/1.1 OK\r\nAge: 123|0", "HTTP/1.0 OK 1234|0", "HTTP/1.1 2001|200", "garbage|0",
                                "|0"});
    }

    void statusCode()
    {
        QFETCH(QString, block);
        QTEST(QString::number(engine::StatusCode(block)), "code");
    }

    void failureReasons_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("osErrno");
        QTest::addColumn<bool>("requestSent");
        QTest::addColumn<QString>("reason");
        // The ways a reason is chosen that no server here can provoke; the transfer tests meet a refused
        // connection, a refused scheme and an answer that is not HTTP on the wire.
        QTest::newRow("unreachable") << int(CURLE_COULDNT_CONNECT) << ENETUNREACH << false << "接続できませんでした。";
        QTest::newRow("time-out") << int(CURLE_OPERATION_TIMEDOUT) << 0 << true << "タイムアウトしました。";
        QTest::newRow("anything else") << int(CURLE_OUT_OF_MEMORY) << 0 << true << "通信エラー。";
    }

    void failureReasons()
    {
        QFETCH(int, result);
        QFETCH(int, osErrno);
        QFETCH(bool, requestSent);
        QFETCH(QString, reason);
        const auto code = CURLcode(result);
        QCOMPARE(CurlFailureText(code, osErrno, " detail\n", requestSent), reason + QStringLiteral(" (detail)"));
        // Without a detail of its own, libcurl's text for the code is given.
        QCOMPARE(CurlFailureText(code, osErrno, "", requestSent),
                 reason + QStringLiteral(" (") + QString::fromUtf8(curl_easy_strerror(code)) + u')');
    }
};

QTEST_GUILESS_MAIN(TestStateReport)
#include "test_state_report.moc"
