#include "engine/download_text.h"

#include <QtTest>

#include <cerrno>

#include <limits>

namespace {
constexpr qint64 kGiB = 1024LL * 1024 * 1024;
constexpr qint64 kMax = std::numeric_limits<qint64>::max();
} // namespace

class TestDownloadText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void percentage_data();
    void percentage();
    void speedText_data();
    void speedText();
    void fileErrorText_data();
    void fileErrorText();
};

void TestDownloadText::percentage_data()
{
    QTest::addColumn<qint64>("received");
    QTest::addColumn<qint64>("declared");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("progress"); // checked when given

    // A 200,000-byte body read in chunks of 65536 shows 33, 66, 98 and 100.
    QTest::newRow("first chunk") << 65536LL << 200000LL << 33 << "";
    QTest::newRow("second chunk") << 131072LL << 200000LL << 66 << "";
    QTest::newRow("third chunk") << 196608LL << 200000LL << 98 << "";
    QTest::newRow("whole body") << 200000LL << 200000LL << 100 << "";
    QTest::newRow("no declared length") << 5000LL << 0LL << 0 << "";
    QTest::newRow("half rounds down to even") << 1LL << 8LL << 12 << "";
    QTest::newRow("absurd excess stays an int") << kMax << 1LL << std::numeric_limits<int>::max() << "";
    QTest::newRow("half way") << 1310720LL << 2621440LL << 50 << "50 %  1.25 MB (1,310,720 / 2,621,440)";
    QTest::newRow("3 GiB declared") << kGiB << 3 * kGiB << 33 << "33 %  1.00 GB (1,073,741,824 / 3,221,225,472)";
}

void TestDownloadText::percentage()
{
    QFETCH(qint64, received);
    QFETCH(qint64, declared);
    QFETCH(int, expected);
    QFETCH(QString, progress);
    QCOMPARE(download::Percentage(received, declared), expected);
    if (!progress.isEmpty())
        QCOMPARE(download::ProgressText(received, declared), progress);
}

void TestDownloadText::speedText_data()
{
    QTest::addColumn<qint64>("declared");
    QTest::addColumn<double>("elapsed");
    QTest::addColumn<QString>("speed");
    QTest::addColumn<float>("sngCalc");

    QTest::newRow("fraction of a second") << 1000LL << 0.004 << "250,000" << 250000.0f;
    // Above 2^24 a float keeps only about seven significant digits.
    QTest::newRow("single precision") << 123456789LL << 1.0 << "123,456,792" << 123456792.0f;
    QTest::newRow("half rounds away from zero") << 5LL << 2.0 << "3" << 2.5f;
    QTest::newRow("3 GiB in two seconds") << 3 * kGiB << 2.0 << "1,610,612,736" << 1610612736.0f;
    QTest::newRow("absurd declared length") << kMax << 1e-9 << "9,223,372,036,854,775,807" << float(9.223372e27);
    // No time elapsed: no speed, and sngCalc keeps its value.
    QTest::newRow("N/A") << 2621440LL << 0.0 << "N/A" << -1.0f;
}

void TestDownloadText::speedText()
{
    QFETCH(qint64, declared);
    QFETCH(double, elapsed);
    QFETCH(QString, speed);
    QFETCH(float, sngCalc);

    float stored = -1;
    const QString shown = speed == u"N/A" ? speed : speed + QStringLiteral(" バイト/毎秒");
    QCOMPARE(download::SpeedText(declared, elapsed, &stored), QStringLiteral("平均転送速度: ") + shown);
    QCOMPARE(stored, sngCalc);
}

void TestDownloadText::fileErrorText_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("reason");
    QTest::newRow("disk full") << ENOSPC << "ディスクの空き容量が足りません。";
    QTest::newRow("no permission") << EACCES << "書き込む権限がありません。";
    QTest::newRow("read-only file system") << EROFS << "読み取り専用のファイルシステムです。";
    QTest::newRow("folder gone") << ENOENT << "フォルダが見つかりません。";
    QTest::newRow("anything else") << EIO << "ファイルを書き込めませんでした。";
}

void TestDownloadText::fileErrorText()
{
    QFETCH(int, error);
    QFETCH(QString, reason);
    QCOMPARE(download::FileErrorText(error), reason + QStringLiteral(" (") + qt_error_string(error) + u')');
}

QTEST_GUILESS_MAIN(TestDownloadText)
#include "test_download_text.moc"
