#include "core/storage/conversions.h"

#include <QtTest>

using namespace settings;

class TestConversions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The ends of each type's range are read; one beyond is nothing ("-"). The 16-bit reading second.
    void ranges_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("read");
        QTest::newRow("largest") << "2147483647"
                                 << "2147483647 -";
        QTest::newRow("smallest") << " -2147483648 "
                                  << "-2147483648 -";
        QTest::newRow("beyond") << "2147483648"
                                << "- -";
        QTest::newRow("16-bit ends") << "32767"
                                     << "32767 32767";
        QTest::newRow("rounded to the 16-bit end") << "-32767.5"
                                                   << "-32768 -32768";
        QTest::newRow("16-bit beyond") << "32767.5"
                                       << "32768 -";
    }
    void ranges()
    {
        QFETCH(QString, text);
        const auto shown = [](auto value) { return value ? QString::number(*value) : QStringLiteral("-"); };
        QTEST(shown(ToInt32(text)) + u' ' + shown(ToInt16(text)), "read");
    }
};

QTEST_GUILESS_MAIN(TestConversions)
#include "test_conversions.moc"
