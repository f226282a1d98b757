// What the user reads about a transfer: the status code taken from the
// header block, the reason given for a time-out, and the progress, speed and
// write failure of a download.
#include "core/download/download_text.h"
#include "core/transfer/curl_failure_text.h"
#include "core/transfer/state_report.h"
#include "support/sample_data.h"

#include <QtTest>

class TestTransferTexts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // "status": the status code of a block; "progress": ProgressText of the bytes received and declared;
    // "speed": SpeedText of the bytes declared and the seconds taken; "file": FileErrorText of an errno;
    // "curl": CurlFailureText of a libcurl code without a detail of its own.
    void texts_data()
    {
        for (const char *column : {"text", "input", "shown"})
            QTest::addColumn<QString>(column);
        testdata::AddTextRows({
            // Characters 10 to 12 of the status line first, then a three-digit number after the first
            // space.
            "status|HTTP/1.1 200 OK\r\nServer: x|200",
            "status|HTTP/1.1 204|204",
            "status|HTTP/2 301 \r\nLocation: /|301",
            "status|HTTP/1.1 Status 503 Busy|503",
            "status|HTTP/1.1 OK\r\nAge: 123|0",
            "status|HTTP/1.0 OK 1234|0",
            "status|HTTP/1.1 2001|200",
            "status|garbage|0",
            "status||0",
            // 32.8 % rounds up, 12.5 % down to even, a speed of half a byte up; beyond 32 bits the length
            // still counts; above 2^24 a float keeps only about seven significant digits; an absurd excess
            // stays an int.
            "progress|65536 200000|33 %  64.00 KB (65,536 / 200,000)",
            "progress|5000 0|4.88 KB (5,000)",
            "progress|1 8|12 %  0.00 KB (1 / 8)",
            "progress|1310720 2621440|50 %  1.25 MB (1,310,720 / 2,621,440)",
            "progress|1073741824 3221225472|33 %  1.00 GB (1,073,741,824 / 3,221,225,472)",
            "progress|123456789 123456789|100 %  117.74 MB (123,456,789 / 123,456,789)",
            "progress|9223372036854775807 1|2147483647 %   (9,223,372,036,854,775,807 / 1)",
            "progress|0 9223372036854775807|0 %  0.00 KB (0 / 9,223,372,036,854,775,807)",
            "speed|200000 0.004|平均転送速度: 50,000,000 バイト/毎秒",
            "speed|0 2|平均転送速度: 0 バイト/毎秒",
            "speed|8 16|平均転送速度: 1 バイト/毎秒",
            "speed|2621440 0|平均転送速度: N/A",
            "speed|3221225472 2|平均転送速度: 1,610,612,736 バイト/毎秒",
            "speed|123456789 1|平均転送速度: 123,456,792 バイト/毎秒",
            "speed|1 1e-9|平均転送速度: 1,000,000,000 バイト/毎秒",
            "speed|9223372036854775807 1e-9|平均転送速度: 9,223,372,036,854,775,807 バイト/毎秒",
            // ENOSPC, EACCES and any other.
            "file|28|ディスクの空き容量が足りません。 (No space left on device)",
            "file|13|書き込む権限がありません。 (Permission denied)",
            "file|5|ファイルを書き込めませんでした。 (Input/output error)",
            // A time-out, which no server here provokes.
            "curl|28|タイムアウトしました。 (Timeout was reached)",
        });
    }

    void texts()
    {
        QFETCH(QString, text);
        QFETCH(QString, input);
        const QStringList numbers = input.split(u' ');
        const qint64 first = numbers[0].toLongLong();
        QTEST(text == u"status"       ? QString::number(engine::StatusCode(input))
                : text == u"progress" ? download::ProgressText(first, numbers.value(1).toLongLong())
                : text == u"speed"    ? download::SpeedText(first, numbers.value(1).toDouble())
                : text == u"file"     ? download::FileErrorText(input.toInt())
                                      : CurlFailureText(CURLcode(input.toInt()), 0, "", true),
            "shown");
    }
};

QTEST_GUILESS_MAIN(TestTransferTexts)
#include "test_transfer_texts.moc"
