// What the user reads about a transfer: the state line, the status code
// taken from the header block, the reason given for a failure, and the
// progress, speed and write failure of a download.
#include "engine/curl_failure_text.h"
#include "engine/download_text.h"
#include "engine/state_report.h"
#include "support/sample_data.h"

#include <QtTest>

#include <cerrno>

using namespace Qt::StringLiterals;

class TestTransferTexts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // States 0 to 12 have a text; the neighbours -1 and 13 none.
    void stateMessages()
    {
        QStringList shown;
        for (int state = -1; state <= 13; ++state)
            shown << engine::StateMessage(state);
        QCOMPARE(shown.join(u'|'), u"|状態についての報告はありません。|指定されたホストコンピュータのIPアドレスを調べています。|"
                                   u"指定されたホストコンピュータのIPアドレスを見つけました。|ホストコンピュータとの接続処理を行っています。|"
                                   u"ホストコンピュータと正常に接続しました。|ホストコンピュータに要求を送信しています。|要求を正常に送信しました。|"
                                   u"ホストコンピュータからの応答を受信しています。|ホストコンピュータからの応答を正常に受信しました。|"
                                   u"ホストコンピュータとの接続を解除しています。|ホストコンピュータとの接続を正常に解除しました。|"
                                   u"ホストコンピュータとの通信中にエラーが発生しました。|要求処理が完了し、すべてのデータが受信されました。|"_s);
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
    void progressAndSpeed_data()
    {
        for (const char *column : {"received", "declared", "elapsed", "progress", "speed"})
            QTest::addColumn<QString>(column);
        // 32.8 % rounds up, 12.5 % down to even, a speed of half a byte up; beyond 32 bits the length still
        // counts; above 2^24 a float keeps only about seven significant digits; an absurd excess stays an int.
        testdata::AddTextRows({"65536|200000|0.004|33 %  64.00 KB (65,536 / 200,000)|平均転送速度: 50,000,000 バイト/毎秒",
                               "5000|0|2|4.88 KB (5,000)|平均転送速度: 0 バイト/毎秒",
                               "1|8|16|12 %  0.00 KB (1 / 8)|平均転送速度: 1 バイト/毎秒",
                               "1310720|2621440|0|50 %  1.25 MB (1,310,720 / 2,621,440)|平均転送速度: N/A",
                               "1073741824|3221225472|2|33 %  1.00 GB (1,073,741,824 / 3,221,225,472)|平均転送速度: 1,610,612,736 バイト/毎秒",
                               "123456789|123456789|1|100 %  117.74 MB (123,456,789 / 123,456,789)|平均転送速度: 123,456,792 バイト/毎秒",
                               "9223372036854775807|1|1e-9|2147483647 %   (9,223,372,036,854,775,807 / 1)|平均転送速度: 1,000,000,000 バイト/毎秒",
                               "0|9223372036854775807|1e-9|0 %  0.00 KB (0 / 9,223,372,036,854,775,807)|平均転送速度: 9,223,372,036,854,775,807 バイト/毎秒"});
    }

    void progressAndSpeed()
    {
        QFETCH(QString, received);
        QFETCH(QString, declared);
        QFETCH(QString, elapsed);
        QTEST(download::ProgressText(received.toLongLong(), declared.toLongLong()), "progress");
        QTEST(download::SpeedText(declared.toLongLong(), elapsed.toDouble()), "speed");
    }

    void fileErrorText_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("reason");
        QTest::newRow("disk full") << ENOSPC << "ディスクの空き容量が足りません。";
        QTest::newRow("no permission") << EACCES << "書き込む権限がありません。";
        QTest::newRow("anything else") << EIO << "ファイルを書き込めませんでした。";
    }

    void fileErrorText()
    {
        QFETCH(int, error);
        QFETCH(QString, reason);
        QCOMPARE(download::FileErrorText(error), reason + QStringLiteral(" (") + qt_error_string(error) + u')');
    }
};

QTEST_GUILESS_MAIN(TestTransferTexts)
#include "test_transfer_texts.moc"
