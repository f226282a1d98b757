// What the user reads about a transfer: the state line, the status code
// taken from the header block, and the reason given for a failure.
#include "engine/curl_failure_text.h"
#include "engine/state_report.h"

#include <QtTest>

#include <cerrno>

class TestStateReport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void stateMessages_data();
    void stateMessages();
    void statusCode_data();
    void statusCode();
    void failureReasons_data();
    void failureReasons();
};

void TestStateReport::stateMessages_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("text");

    const char16_t *const texts[] = {
        u"状態についての報告はありません。",
        u"指定されたホストコンピュータのIPアドレスを調べています。",
        u"指定されたホストコンピュータのIPアドレスを見つけました。",
        u"ホストコンピュータとの接続処理を行っています。",
        u"ホストコンピュータと正常に接続しました。",
        u"ホストコンピュータに要求を送信しています。",
        u"要求を正常に送信しました。",
        u"ホストコンピュータからの応答を受信しています。",
        u"ホストコンピュータからの応答を正常に受信しました。",
        u"ホストコンピュータとの接続を解除しています。",
        u"ホストコンピュータとの接続を正常に解除しました。",
        u"ホストコンピュータとの通信中にエラーが発生しました。",
        u"要求処理が完了し、すべてのデータが受信されました。",
    };
    for (int state = 0; state <= 12; ++state)
        QTest::addRow("%d", state) << state << QString::fromUtf16(texts[state]);
    QTest::newRow("-1") << -1 << QString();
    QTest::newRow("13") << 13 << QString();
}

void TestStateReport::stateMessages()
{
    QFETCH(int, state);
    QTEST(engine::StateMessage(state), "text");
}

void TestStateReport::statusCode_data()
{
    QTest::addColumn<QString>("block");
    QTest::addColumn<int>("code");

    QTest::newRow("ordinary") << "HTTP/1.1 200 OK\r\nServer: x" << 200;
    QTest::newRow("no reason phrase") << "HTTP/1.1 204" << 204;
    QTest::newRow("HTTP/2 shape") << "HTTP/2 301 \r\nLocation: /" << 301;
    QTest::newRow("digits only on later line") << "HTTP/1.1 OK\r\nAge: 123" << 0;
    QTest::newRow("four digits are no code") << "HTTP/1.0 OK 1234" << 0;
    QTest::newRow("no space") << "garbage" << 0;
    QTest::newRow("empty block") << "" << 0;
    QTest::newRow("code among words") << "HTTP/1.1 Status 503 Busy" << 503;
}

void TestStateReport::statusCode()
{
    QFETCH(QString, block);
    QTEST(engine::StatusCode(block), "code");
}

void TestStateReport::failureReasons_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("osErrno");
    QTest::addColumn<bool>("requestSent");
    QTest::addColumn<QString>("reason");

    QTest::newRow("host unknown") << int(CURLE_COULDNT_RESOLVE_HOST) << 0 << false << "ホスト名が見つかりません。";
    QTest::newRow("refused") << int(CURLE_COULDNT_CONNECT) << ECONNREFUSED << false << "接続が拒否されました。";
    QTest::newRow("unreachable") << int(CURLE_COULDNT_CONNECT) << ENETUNREACH << false << "接続できませんでした。";
    QTest::newRow("time-out") << int(CURLE_OPERATION_TIMEDOUT) << 0 << true << "タイムアウトしました。";
    QTest::newRow("certificate") << int(CURLE_PEER_FAILED_VERIFICATION) << 0 << false << "証明書を検証できませんでした。";
    QTest::newRow("cut") << int(CURLE_PARTIAL_FILE) << 0 << true << "接続が切断されました。";
    QTest::newRow("bad address") << int(CURLE_URL_MALFORMAT) << 0 << false << "URLが正しくありません。";
    QTest::newRow("scheme refused") << int(CURLE_UNSUPPORTED_PROTOCOL) << 0 << false << "URLが正しくありません。";
    QTest::newRow("answer not HTTP") << int(CURLE_UNSUPPORTED_PROTOCOL) << 0 << true
                                     << "サーバーの応答を読み取れませんでした。";
    QTest::newRow("anything else") << int(CURLE_OUT_OF_MEMORY) << 0 << true << "通信エラー。";
}

void TestStateReport::failureReasons()
{
    QFETCH(int, result);
    QFETCH(int, osErrno);
    QFETCH(bool, requestSent);
    QFETCH(QString, reason);
    QCOMPARE(CurlFailureText(CURLcode(result), osErrno, "detail", requestSent), reason + QStringLiteral(" (detail)"));
    // Without a detail of its own, libcurl's text for the code is given.
    QCOMPARE(CurlFailureText(CURLcode(result), osErrno, "", requestSent),
             reason + QStringLiteral(" (") + QString::fromUtf8(curl_easy_strerror(CURLcode(result))) + u')');
}

QTEST_GUILESS_MAIN(TestStateReport)
#include "test_state_report.moc"
