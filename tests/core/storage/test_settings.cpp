#include "core/storage/conversions.h"
#include "core/storage/settings.h"
#include "core/storage/storage_folders.h"
#include "support/sample_data.h"

#include <QtTest>

#include <sys/stat.h>

using namespace settings;
using namespace Qt::StringLiterals;

// A value as text: "-" for an empty optional, 1 and 0 for true and false.
const auto t = [](const auto &v) { return v ? QString::number(*v) : QStringLiteral("-"); };

static QString Describe(const Settings &s)
{
    return QStringList{t(s.top), t(s.left), t(s.ref), t(s.clip), t(s.rename), t(s.topMost), t(s.tipHint),
                       u'[' + s.url + u']', t(s.countHead), t(s.countData), t(s.countFail), t(s.countCancel)}
        .join(u' ');
}

const auto State = [](const QString &url) {
    return SavedState{INT_MIN, INT_MAX, 2, 1, 0, true, false, url, 0, INT_MAX, -1, 7};
};

class TestSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void conversions_data()
    {
        // Text, then what ToInt32, ToInt16 and ToBoolean make of it; "-" where they fail.
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        testdata::AddTextRows({"\t+7\t|7 7 1", "-3|-3 -3 1", "2.5|2 2 1", "3.5|4 4 1", "2.51|3 3 1", ".5|0 0 1",
                                "0.0|0 0 0", "5.|5 5 1", "32767|32767 32767 1", "-32768|-32768 -32768 1",
                                "32768|32768 - 1", "2147483647|2147483647 - 1", "2147483647.5|- - 1",
                                "2147483648|- - 1", "-2147483648.5|-2147483648 - 1", "99999999999999999999|- - 1",
                                " true |- - 1", "FALSE|- - 0", "yes|- - -", "|- - -", "1e3|- - -", "１２|- - -"});
    }

    void conversions()
    {
        QFETCH(QString, text);
        QTEST(t(ToInt32(text)) + u' ' + t(ToInt16(text)) + u' ' + t(ToBoolean(text)), "expected");
    }

    void loadSettings_data()
    {
        QTest::addColumn<QByteArray>("file"); // null: no file, or the one SaveSettings writes for url
        QTest::addColumn<QString>("url");     // not null: save first
        QTest::addColumn<QString>("expected");
        for (const char *row :
             {"first start|~|- - 0 0 0 - - [] - - - -",
              // Ref 2 greys, 7 keeps the box as it is, x unticks; counters beyond 32 bits fail.
              "values read one by one|[Position]\nTop=abc\nLeft=300\n[Check]\nRef=2\nClip=7\nRename=x\nTopMost=1\n"
              "TipHint=yes\n[Counter]\nGetHead=4294967296\nGetChuck=5\nFailure=-1\nCancel=2147483648|"
              "- 300 2 - 0 1 - [] - 5 -1 -",
              "hand-edited|; mine\r\n[counter]\r\ngethead = 12\r\n[Extra]\r\nTop=9\r\n[String]\r\n# the last one\r\n"
              "URL = \" http://a/?q=1;x#y=z \"\r\n[ position ]\r\nLEFT=15\r\ntop=30\r\ntop=45\r\n[Check]\r\n"
              "TopMost=false\r\n|30 15 0 0 0 0 - [ http://a/?q=1;x#y=z ] 12 - - -"}) {
            const QList<QByteArray> parts = QByteArray(row).split('|');
            QTest::newRow(parts[0]) << (parts[1] == "~" ? QByteArray() : parts[1]) << QString() << QString(parts[2]);
        }
        // A damaged byte costs nothing but itself.
        QTest::newRow("NUL in a value") << QByteArray("[String]\nURL=http://a/\0x\n[Position]\nLeft=30\n[Counter]\nGetHead=5\n", 64)
                                        << QString() << "- 30 0 0 0 - - [http://a/ x] 5 - - -";
        // 312 bytes: cut to 254, not inside a character.
        QTest::newRow("long URL cut") << "[String]\nURL=http://e.jp/" + QString(100, u'あ').toUtf8() << QString()
                                      << "- - 0 0 0 - - [http://e.jp/" + QString(80, u'あ') + "] - - - -";
        // Everything written comes back, the URL's blanks, quotes and signs included.
        for (const char *url : {"http://example.com/a b?x=1&y=2#top", "  blanks at both ends\t", "\"quoted\"",
                                "\" half", "\"\"", ";semicolon", "#hash", "=equals", "<<<END", "", "http://例え.jp/パス?q=値"}) {
            QTest::newRow(url) << QByteArray() << QString::fromUtf8(url)
                               << "-2147483648 2147483647 2 1 0 1 0 [" + QString::fromUtf8(url) + "] 0 2147483647 -1 7";
        }
    }

    void loadSettings()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, url);
        QTemporaryDir dir;
        const QString path = dir.filePath("settei.ini");
        QVERIFY(url.isNull() ? file.isNull() || testdata::WriteFile(path, file) : SaveSettings(path, State(url)));
        QTEST(Describe(LoadSettings(path)), "expected");
    }

    void notAPlainFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO") << "fifo";
        QTest::newRow("link to /dev/zero") << "zero";
        QTest::newRow("over 1 MiB") << "large";
    }

    // Read as absent without blocking or running out of memory, and never written over.
    void notAPlainFile()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString path = dir.filePath("settei.ini");
        const QByteArray large = "[Position]\nLeft=30\n" + QByteArray(1024 * 1024, ';');
        if (kind == u"fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == u"zero")
            QVERIFY(QFile::link("/dev/zero", path));
        else
            QVERIFY(testdata::WriteFile(path, large));
        QCOMPARE(Describe(LoadSettings(path)), u"- - 0 0 0 - - [] - - - -"_s);
        QVERIFY(!SaveSettings(path, State(u"x"_s)));
        // Still a FIFO, still the link (to no plain file), still the same large file.
        QCOMPARE(QFileInfo(path).isFile(), kind == u"large");
        if (kind == u"large")
            QCOMPARE(testdata::ReadFile(path), large);
    }

    // The program's folder (P a writable one), then where settings, history and downloads go;
    // H is the home folder. An installed program keeps its files in the per-user folders.
    void storageFolders_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("expected");
        testdata::AddTextRows({"P|P/settei.ini rireki.txt P/",
                               "/usr/bin|H/.config/Tobrell/settei.ini H/.config/Tobrell/rireki.txt H/Downloads/Tobrell/",
                               "P/missing|H/.config/Tobrell/settei.ini H/.config/Tobrell/rireki.txt H/Downloads/Tobrell/"});
    }

    void storageFolders()
    {
        QFETCH(QString, program);
        QTemporaryDir home, folder;
        qputenv("HOME", home.path().toUtf8());
        qunsetenv("XDG_CONFIG_HOME");
        const StorageFolders chosen = ChooseStorageFolders(program.replace(u'P', folder.path()));
        const QString seen = QStringList{chosen.settingsFile, chosen.historyFile, chosen.downloadBase}.join(u' ');
        QTEST(QString(seen).replace(home.path(), u"H"_s).replace(folder.path(), u"P"_s), "expected");
    }

    void save_data()
    {
        QTest::addColumn<QByteArray>("before"); // null: no file
        QTest::addColumn<bool>("fails");        // the file size limit is reached midway
        QTest::addColumn<QByteArray>("expected");
        const QByteArray position("[Position]\nTop=-2147483648\nLeft=2147483647\n\n\n");
        const QByteArray check("[Check]\nRef=2\nClip=1\nRename=0\nTopMost=True\nTipHint=False\n\n\n");
        const QByteArray counter("[Counter]\nGetHead=0\nGetChuck=2147483647\nFailure=-1\nCancel=7\n");
        // The URL written is "http://a/\r\nTop=999\n[Position]\0Left=5".
        const QByteArray url("URL=http://a/  Top=999 [Position] Left=5\n");
        QTest::newRow("new file") << QByteArray() << false << position + check + "[String]\n" + url + "\n\n" + counter;
        QTest::newRow("hand-edited file")
            << QByteArray("; mine\n\n[String]\n# the last one\nURL=old\nExtra=kept\nno value\n[Position]\nTop=1\nTop=2\n")
            << false
            << "; mine\n\n\n[String]\n\n# the last one\n" + url + "Extra=kept\nno value=\n\n\n" + position + check + counter;
        const QByteArray old("[Position]\nTop=1\n");
        QTest::newRow("write fails midway") << old << true << old;
    }

    void save()
    {
        QFETCH(QByteArray, before);
        QFETCH(bool, fails);
        QTemporaryDir dir;
        const QString path = dir.filePath("settei.ini");
        QVERIFY(before.isNull() || testdata::WriteFile(path, before));
        const bool written = testdata::UnderFileSizeLimit(fails ? 8 : -1, [&path] {
            return SaveSettings(path, State(u"http://a/\r\nTop=999\n[Position]"_s + QChar(0) + "Left=5"));
        });
        QCOMPARE(written, !fails);
        QTEST(testdata::ReadFile(path), "expected");
        QCOMPARE(testdata::Entries(dir.path()), QStringList{"settei.ini"});
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
