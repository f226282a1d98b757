#include "persist/history.h"
#include "support/sample_data.h"

#include <QtTest>

using namespace history;

// Lines "l1" to "l<count>", joined by CR LF.
static QByteArray Lines(int count)
{
    QByteArray text = "l1";
    for (int i = 2; i <= count; ++i)
        text += "\r\nl" + QByteArray::number(i);
    return text;
}

// The result named by its letter: Appended, already Listed or Failed.
const auto Result = [](char c) {
    return c == 'A' ? AddResult::Appended : c == 'L' ? AddResult::AlreadyListed : AddResult::Failed;
};

class TestHistory : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void addHistory_data()
    {
        // The file before ("~": none), the URL, the result (Appended, already Listed, Failed), the file after.
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("url");
        QTest::addColumn<AddResult>("result");
        QTest::addColumn<QByteArray>("after");
        for (const char *row : {"created|~|a|A|a", "second URL|a|b|A|a\r\nb", "empty file||a|A|a",
                                "listed|a\nb|a|L|a\nb", "case and slash differ|A\r\na/|a|A|A\r\na/\r\na",
                                "ends with a line break|a\r\n|b|A|a\r\nb", "line breaks in the URL|~|a\r\nb|A|a  b",
                                "empty line stops the scan|x\r\n\r\na|a|A|x\r\n\r\na\r\na",
                                "empty line after a copy|a\r\n\r\nb|a|L|a\r\n\r\nb", "empty URL|a||F|a",
                                "CR line breaks|a\rb\r|c|A|a\rb\rc", "listed among CR lines|a\rb|a|L|a\rb",
                                "empty CR line stops the scan|x\r\ra|a|A|x\r\ra\r\na"}) {
            const QList<QByteArray> parts = QByteArray(row).split('|');
            QTest::newRow(parts[0]) << (parts[1] == "~" ? QByteArray() : parts[1]) << QString(parts[2])
                                    << Result(parts[3][0]) << parts[4];
        }
        QTest::newRow("20th line from the end") << Lines(20) << "l1" << Result('L') << Lines(20);
        QTest::newRow("21st line from the end") << Lines(21) << "l1" << Result('A') << Lines(21) + "\r\nl1";
        QTest::newRow("again among the last 20") << "l15\r\n" + Lines(30) << "l15" << Result('L')
                                                 << "l15\r\n" + Lines(30);
        QTest::newRow("40,000 lines") << Lines(40000) << "l39990" << Result('L') << Lines(40000);
    }

    void addHistory()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, url);
        QTemporaryDir dir;
        const QString path = dir.filePath("rireki.txt");
        QVERIFY(before.isNull() || testdata::WriteFile(path, before));
        QTEST(AddHistory(path, url), "result");
        QTEST(testdata::ReadFile(path), "after");
    }

    void loadHistory_data()
    {
        // The file ("~": none), its items as "index:url" ("none" for no list) and the first item's menu caption.
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("caption");
        for (const char *row : {"no file|~|none|", "empty file|||", "3 lines|a\r\nb\r\nc|1:a 2:b 3:c|1.a",
                                "lines 2 and 3 empty|a\r\n\r\n\r\nd\r\ne|1:a 4:d 5:e|1.a",
                                "final line break|a\r\n|1:a|1.a",
                                "lone LF, lone CR, CR LF|a\nb\r\r\n\rc|1:a 2:b 5:c|1.a",
                                "invalid UTF-8|\xff" "a\r\n例|1:\xef\xbf\xbd" "a 2:例|1.\xef\xbf\xbd" "a",
                                "ampersand|http://a/?x=1&y=2|1:http://a/?x=1&y=2|1.http://a/?x=1&&y=2",
                                "controls|a\tb\x01" "c|1:a\tb\x01" "c|1.a b c"}) {
            const QList<QByteArray> parts = QByteArray(row).split('|');
            QTest::newRow(parts[0]) << (parts[1] == "~" ? QByteArray() : parts[1]) << QString::fromUtf8(parts[2])
                                    << QString::fromUtf8(parts[3]);
        }
        QTest::newRow("40,000 lines") << Lines(40000) << "1:l39981 2:l39982 3:l39983 4:l39984 5:l39985 6:l39986 "
                                                 "7:l39987 8:l39988 9:l39989 10:l39990 11:l39991 12:l39992 13:l39993 "
                                                 "14:l39994 15:l39995 16:l39996 17:l39997 18:l39998 19:l39999 "
                                                 "20:l40000" << "1.l39981";
        // Lines are kept up to 128 KiB and captions up to 100 UTF-16 units, never cut inside a character.
        QTest::newRow("caption of 101") << QByteArray(101, 'x') << "1:" + QString(101, u'x')
                                        << "1." + QString(100, u'x') + "…";
        const QString smiley = QStringLiteral("😀");
        QTest::newRow("long line") << "h" + smiley.repeated(50000).toUtf8() + "\r\nb"
                                   << "1:h" + smiley.repeated(32767) + " 2:b" << "1.h" + smiley.repeated(49) + "…";
    }

    void loadHistory()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath("rireki.txt");
        QVERIFY(content.isNull() || testdata::WriteFile(path, content));
        const std::optional<QList<HistoryItem>> items = LoadHistory(path);
        QStringList shown;
        for (const HistoryItem &item : items.value_or(QList<HistoryItem>()))
            shown << QString::number(item.index) + u':' + item.url;
        QTEST(items ? shown.join(u' ') : QStringLiteral("none"), "expected");
        QTEST(items && !items->isEmpty() ? HistoryCaption(items->first()) : QString(), "caption");
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "test_history.moc"
