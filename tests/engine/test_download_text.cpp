#include "engine/download_text.h"

#include <QtTest>

#include <cerrno>
#include <limits>

constexpr qint64 kGiB = 1024LL * 1024 * 1024;
constexpr qint64 kMax = std::numeric_limits<qint64>::max();

class TestDownloadText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void progressText_data()
    {
        QTest::addColumn<qint64>("received");
        QTest::addColumn<qint64>("declared");
        QTest::addColumn<QString>("progress");
        QTest::newRow("first chunk of 200,000") << 65536LL << 200000LL << "33 %  64.00 KB (65,536 / 200,000)";
        QTest::newRow("no declared length") << 5000LL << 0LL << "0 %  4.88 KB (5,000 / 0)";
        QTest::newRow("half rounds down to even") << 1LL << 8LL << "12 %  0.00 KB (1 / 8)";
        QTest::newRow("half way") << 1310720LL << 2621440LL << "50 %  1.25 MB (1,310,720 / 2,621,440)";
        QTest::newRow("3 GiB declared") << kGiB << 3 * kGiB << "33 %  1.00 GB (1,073,741,824 / 3,221,225,472)";
        QTest::newRow("absurd excess stays an int") << kMax << 1LL
                                                    << "2147483647 %   (9,223,372,036,854,775,807 / 1)";
    }

    void progressText()
    {
        QFETCH(qint64, received);
        QFETCH(qint64, declared);
        QTEST(download::ProgressText(received, declared), "progress");
    }

    void speedText_data()
    {
        QTest::addColumn<qint64>("declared");
        QTest::addColumn<double>("elapsed");
        QTest::addColumn<QString>("speed");
        QTest::newRow("fraction of a second") << 1000LL << 0.004 << "250,000 バイト/毎秒";
        // Above 2^24 a float keeps only about seven significant digits.
        QTest::newRow("single precision") << 123456789LL << 1.0 << "123,456,792 バイト/毎秒";
        QTest::newRow("half rounds away from zero") << 5LL << 2.0 << "3 バイト/毎秒";
        QTest::newRow("3 GiB in two seconds") << 3 * kGiB << 2.0 << "1,610,612,736 バイト/毎秒";
        QTest::newRow("absurd declared length") << kMax << 1e-9 << "9,223,372,036,854,775,807 バイト/毎秒";
        QTest::newRow("no time elapsed") << 2621440LL << 0.0 << "N/A";
    }

    void speedText()
    {
        QFETCH(qint64, declared);
        QFETCH(double, elapsed);
        QFETCH(QString, speed);
        QCOMPARE(download::SpeedText(declared, elapsed), QStringLiteral("平均転送速度: ") + speed);
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

QTEST_GUILESS_MAIN(TestDownloadText)
#include "test_download_text.moc"
