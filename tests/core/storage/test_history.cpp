#include "core/storage/history.h"
#include "support/sample_data.h"

#include <QtTest>

using namespace history;

class TestHistory : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    const QString path_ = dir_.filePath("rireki.txt");

private Q_SLOTS:
    // The file before ("~": none) and the URL recorded (none when empty), then the result (Appended,
    // already Listed, Failed), the file after and, after "¦", the menu's captions.
    void history_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("expected");
        testdata::AddTextRows({"~|a|A a¦1.a ", "a|b|A a\r\nb¦1.a 2.b ", "|a|A a¦1.a ",
            "a\nb|a|L a\nb¦1.a 2.b ", "A\r\na/|a|A A\r\na/\r\na¦1.A 2.a/ 3.a ", "a\r\n|b|A a\r\nb¦1.a 2.b ",
            "~|a\r\nb|A a  b¦1.a  b ",
            // An empty line before the first copy ends the search; one after it does not.
            "x\r\n\r\na|a|A x\r\n\r\na\r\na¦1.x 3.a 4.a ", "a\r\n\r\nb|a|L a\r\n\r\nb¦1.a 3.b ",
            "a\rb\r|c|A a\rb\rc¦1.a 2.b 3.c ", "a\rb|a|L a\rb¦1.a 2.b ",
            "x\r\ra|a|A x\r\ra\r\na¦1.x 3.a 4.a ",
            // The menu alone: empty lines leave gaps in the numbers; a line ends at CR LF, LF or CR.
            "~||F <unreadable>¦0.none ", "||F ¦", "a\r\n\r\n\r\nd\r\ne||F a\r\n\r\n\r\nd\r\ne¦1.a 4.d 5.e ",
            "a\nb\r\r\n\rc||F a\nb\r\r\n\rc¦1.a 2.b 5.c ",
            "http://a/?x=1&y=2||F http://a/?x=1&y=2¦1.http://a/?x=1&&y=2 ",
            "a\tb\x01"
            "c||F a\tb\x01"
            "c¦1.a b c ",
            // Captions show up to 100 UTF-16 units, never cut inside a character.
            "h𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚||F h"
            "𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚¦1.h"
            "𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚𝐚… ",
            // The 20th line from the end is among the last 20, the 21st is not; also far into a long file.
            "a\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx|a|"
            "L a\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx¦"
            "1.a 2.x 3.x 4.x 5.x 6.x 7.x 8.x 9.x 10.x 11.x 12.x 13.x 14.x 15.x 16.x 17.x 18.x 19.x 20.x ",
            "a\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx|a|"
            "A a\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\nx\r\na¦"
            "1.x 2.x 3.x 4.x 5.x 6.x 7.x 8.x 9.x 10.x 11.x 12.x 13.x 14.x 15.x 16.x 17.x 18.x 19.x 20.a "});
        const QString many = QString("x\r\n").repeated(30000) + "a";
        QTest::newRow("long file") << many << "a"
                                   << "L " + many
                + "¦1.x 2.x 3.x 4.x 5.x 6.x 7.x 8.x 9.x 10.x 11.x 12.x "
                  "13.x 14.x 15.x 16.x 17.x 18.x 19.x 20.a ";
    }

    void history()
    {
        QFETCH(QString, before);
        QFETCH(QString, url);
        QFile::remove(path_);
        QVERIFY(before == u"~" || testdata::WriteFile(path_, before.toUtf8()));
        // "ALF" in the order of AddResult; "0.none" when there is no list.
        QString seen(1, "ALF"[int(AddHistory(path_, url))]);
        seen += u' ' + QString::fromUtf8(testdata::ReadFile(path_)) + u'¦';
        for (const HistoryItem &item : LoadHistory(path_).value_or(QList<HistoryItem>{{0, "none"}}))
            seen += HistoryCaption(item) + u' ';
        QTEST(seen, "expected");
    }

    // Another window holds the file, empty, while this one records "b": it waits until the other's "a"
    // is written and puts its own address on a line of its own.
    void twoWindowsAtOnce()
    {
        QProcess other;
        other.start("sh",
            {"-c",
                "exec 9>\"$0\"; flock 9; echo locked; i=$(stat -c %i \"$0\"); "
                "until grep -q -- \"-> FLOCK .*:$i \" /proc/locks; do sleep 0.01; done; "
                "printf a >&9",
                path_});
        QVERIFY(other.waitForReadyRead());
        AddHistory(path_, "b");
        QCOMPARE(testdata::ReadFile(path_), "a\r\nb");
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "test_history.moc"
