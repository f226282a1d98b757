#include "engine/download_text.h"

#include <QtTest>

#include <limits>

namespace {
constexpr qint64 kGiB = 1024LL * 1024 * 1024;
}

class TestDownloadText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void percentagesOfChunkedBody();
    void percentage_data();
    void percentage();
    void progressText_data();
    void progressText();
    void speedText_data();
    void speedText();
    void speedNotAvailableLeavesSngCalc();
    void declaredLength_data();
    void declaredLength();
};

// A 200,000-byte body read in chunks of 65536 shows 33, 66, 98 and 100.
void TestDownloadText::percentagesOfChunkedBody()
{
    constexpr qint64 kBody = 200000;
    QList<int> shown;
    for (qint64 received = 0; received < kBody;) {
        received += qMin<qint64>(65536, kBody - received);
        shown << download::Percentage(received, kBody);
    }
    QCOMPARE(shown, (QList<int>{33, 66, 98, 100}));
}

void TestDownloadText::percentage_data()
{
    QTest::addColumn<qint64>("received");
    QTest::addColumn<qint64>("declared");
    QTest::addColumn<int>("expected");

    QTest::newRow("nothing yet") << 0LL << 100LL << 0;
    QTest::newRow("no declared length") << 5000LL << 0LL << 0;
    QTest::newRow("negative declared length") << 5000LL << -1LL << 0;
    QTest::newRow("half rounds down to even") << 1LL << 8LL << 12;   // 12.5
    QTest::newRow("half rounds up to even") << 3LL << 8LL << 38;     // 37.5
    QTest::newRow("half of a large count to even") << 197000LL << 200000LL << 98; // 98.5
    QTest::newRow("nearly complete rounds up") << 199999LL << 200001LL << 100;
    QTest::newRow("declared smaller than body") << 300LL << 200LL << 150;
    QTest::newRow("3 GiB declared, 1 GiB received") << kGiB << 3 * kGiB << 33;
    QTest::newRow("beyond 32 bits") << 5 * kGiB << 10 * kGiB << 50;
    QTest::newRow("absurd excess stays an int")
        << std::numeric_limits<qint64>::max() << 1LL << std::numeric_limits<int>::max();
}

void TestDownloadText::percentage()
{
    QFETCH(qint64, received);
    QFETCH(qint64, declared);
    QFETCH(int, expected);
    QCOMPARE(download::Percentage(received, declared), expected);
}

void TestDownloadText::progressText_data()
{
    QTest::addColumn<qint64>("received");
    QTest::addColumn<qint64>("declared");
    QTest::addColumn<QString>("expected");

    QTest::newRow("half way") << 1310720LL << 2621440LL
                              << QStringLiteral("50 %  1.25 MB (1,310,720 / 2,621,440)");
    QTest::newRow("no declared length") << 65536LL << 0LL
                                        << QStringLiteral("0 %  64.00 KB (65,536 / 0)");
    QTest::newRow("3 GiB declared") << kGiB << 3 * kGiB
                                    << QStringLiteral("33 %  1.00 GB (1,073,741,824 / 3,221,225,472)");
}

void TestDownloadText::progressText()
{
    QFETCH(qint64, received);
    QFETCH(qint64, declared);
    QFETCH(QString, expected);
    QCOMPARE(download::ProgressText(received, declared), expected);
}

void TestDownloadText::speedText_data()
{
    QTest::addColumn<qint64>("declared");
    QTest::addColumn<double>("elapsed");
    QTest::addColumn<QString>("shownSpeed");
    QTest::addColumn<float>("sngCalc");

    QTest::newRow("whole seconds") << 1234567LL << 1.0 << QStringLiteral("1,234,567") << 1234567.0f;
    QTest::newRow("fraction of a second") << 1000LL << 0.004 << QStringLiteral("250,000") << 250000.0f;
    // Above 2^24 a float keeps only about seven significant digits.
    QTest::newRow("single precision") << 123456789LL << 1.0 << QStringLiteral("123,456,792")
                                      << 123456792.0f;
    QTest::newRow("half rounds away from zero") << 5LL << 2.0 << QStringLiteral("3") << 2.5f;
    QTest::newRow("no declared length") << 0LL << 3.0 << QStringLiteral("0") << 0.0f;
    QTest::newRow("3 GiB in two seconds") << 3 * kGiB << 2.0 << QStringLiteral("1,610,612,736")
                                          << 1610612736.0f;
    QTest::newRow("absurd declared length") << std::numeric_limits<qint64>::max() << 1e-9
                                            << QStringLiteral("9,223,372,036,854,775,807")
                                            << float(9.223372036854775807e27);
}

void TestDownloadText::speedText()
{
    QFETCH(qint64, declared);
    QFETCH(double, elapsed);
    QFETCH(QString, shownSpeed);
    QFETCH(float, sngCalc);

    float stored = -1;
    QCOMPARE(download::SpeedText(declared, elapsed, &stored),
             QStringLiteral("平均転送速度: ") + shownSpeed + QStringLiteral(" バイト/毎秒"));
    QCOMPARE(stored, sngCalc);
}

void TestDownloadText::speedNotAvailableLeavesSngCalc()
{
    float stored = 42;
    QCOMPARE(download::SpeedText(2621440, 0.0, &stored), QStringLiteral("平均転送速度: N/A"));
    QCOMPARE(stored, 42.0f);
}

void TestDownloadText::declaredLength_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("missing") << QString() << 0LL;
    QTest::newRow("plain") << QStringLiteral("200000") << 200000LL;
    QTest::newRow("surrounding spaces") << QStringLiteral(" 42 ") << 42LL;
    QTest::newRow("zero") << QStringLiteral("0") << 0LL;
    QTest::newRow("over 2 GiB") << QStringLiteral("3221225472") << 3 * kGiB;
    QTest::newRow("largest") << QStringLiteral("9223372036854775807") << std::numeric_limits<qint64>::max();
    QTest::newRow("out of range") << QStringLiteral("9223372036854775808") << 0LL;
    QTest::newRow("negative") << QStringLiteral("-5") << 0LL;
    QTest::newRow("not a number") << QStringLiteral("abc") << 0LL;
    QTest::newRow("trailing junk") << QStringLiteral("12abc") << 0LL;
    QTest::newRow("decimal fraction") << QStringLiteral("1.5") << 0LL;
    QTest::newRow("two values") << QStringLiteral("100, 100") << 0LL;
}

void TestDownloadText::declaredLength()
{
    QFETCH(QString, header);
    QFETCH(qint64, expected);
    QCOMPARE(download::DeclaredLength(header), expected);
}

QTEST_GUILESS_MAIN(TestDownloadText)
#include "test_download_text.moc"
