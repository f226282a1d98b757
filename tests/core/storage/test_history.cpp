#include "core/storage/history.h"
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

// Rows "name|file|...": the file ("~" for none) as bytes, the other fields as text.
static void AddRows(std::initializer_list<const char *> rows)
{
    for (const char *row : rows) {
        const QList<QByteArray> parts = QByteArray(row).split('|');
        QTestData &data = QTest::newRow(parts[0]) << (parts[1] == "~" ? QByteArray() : parts[1]);
        for (const QByteArray &field : parts.mid(2))
            data << QString::fromUtf8(field);
    }
}

class TestHistory : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    const QString path_ = dir_.filePath("rireki.txt");

private Q_SLOTS:
    void init()
    {
        QFile::remove(path_);
    }

    void addHistory_data()
    {
        // The file before, the URL, then the result (Appended, already Listed, Failed) and the file after.
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("expected");
        AddRows({"created|~|a|A a", "second URL|a|b|A a\r\nb", "empty file||a|A a", "listed|a\nb|a|L a\nb",
                 "case and slash differ|A\r\na/|a|A A\r\na/\r\na", "ends with a line break|a\r\n|b|A a\r\nb",
                 "line breaks in the URL|~|a\r\nb|A a  b", "empty line stops the scan|x\r\n\r\na|a|A x\r\n\r\na\r\na",
                 "empty line after a copy|a\r\n\r\nb|a|L a\r\n\r\nb", "empty URL|a||F a", "CR line breaks|a\rb\r|c|A a\rb\rc",
                 "listed among CR lines|a\rb|a|L a\rb", "empty CR line stops the scan|x\r\ra|a|A x\r\ra\r\na"});
        QTest::newRow("20th line from the end") << Lines(20) << "l1" << QString("L " + Lines(20));
        QTest::newRow("21st line from the end") << Lines(21) << "l1" << QString("A " + Lines(21) + "\r\nl1");
        QTest::newRow("40,000 lines, again among the last 20") << "l39990\r\n" + Lines(40000) << "l39990"
                                                               << QString("L l39990\r\n" + Lines(40000));
    }

    void addHistory()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, url);
        QVERIFY(before.isNull() || testdata::WriteFile(path_, before));
        const char result = "ALF"[int(AddHistory(path_, url))]; // in the order of AddResult
        QTEST(result + (u' ' + QString::fromUtf8(testdata::ReadFile(path_))), "expected");
    }

    void loadHistory_data()
    {
        // The file, then its items as "index:url" ("none" for no list) and the first item's menu caption.
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected");
        AddRows({"no file|~|none []", "empty file||[]", "3 lines|a\r\nb\r\nc|1:a 2:b 3:c [1.a]",
                 "lines 2 and 3 empty|a\r\n\r\n\r\nd\r\ne|1:a 4:d 5:e [1.a]", "final line break|a\r\n|1:a [1.a]",
                 "lone LF, lone CR, CR LF|a\nb\r\r\n\rc|1:a 2:b 5:c [1.a]",
                 "invalid UTF-8|\xff" "a\r\n例|1:\xef\xbf\xbd" "a 2:例 [1.\xef\xbf\xbd" "a]",
                 "ampersand|http://a/?x=1&y=2|1:http://a/?x=1&y=2 [1.http://a/?x=1&&y=2]",
                 "controls|a\tb\x01" "c|1:a\tb\x01" "c [1.a b c]"});
        QString last20;
        for (int i = 1; i <= 20; ++i)
            last20 += QStringLiteral("%1:l%2 ").arg(i).arg(39980 + i);
        QTest::newRow("40,000 lines") << Lines(40000) << last20 + "[1.l39981]";
        // Lines are kept up to 128 KiB and captions up to 100 UTF-16 units, never cut inside a character.
        QTest::newRow("caption of 101") << QByteArray(101, 'x') << "1:" + QString(101, u'x') + " [1." + QString(100, u'x') + "…]";
        const QString smiley = QStringLiteral("😀");
        QTest::newRow("long line") << "h" + smiley.repeated(50000).toUtf8() + "\r\nb"
                                   << "1:h" + smiley.repeated(32767) + " 2:b [1.h" + smiley.repeated(49) + "…]";
    }

    void loadHistory()
    {
        QFETCH(QByteArray, content);
        QVERIFY(content.isNull() || testdata::WriteFile(path_, content));
        const std::optional<QList<HistoryItem>> items = LoadHistory(path_);
        QString shown = items ? QString() : QStringLiteral("none ");
        for (const HistoryItem &item : items.value_or(QList<HistoryItem>()))
            shown += QString::number(item.index) + u':' + item.url + u' ';
        QTEST(shown + u'[' + (items && !items->isEmpty() ? HistoryCaption(items->first()) : QString()) + u']', "expected");
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "test_history.moc"
