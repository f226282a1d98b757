#include "core/storage/settings.h"
#include "core/storage/storage_folders.h"
#include "support/window_fixture.h"

#include <QtTest>

#include <unistd.h>
#include <sys/stat.h>

using namespace settings;

class TestSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // settei.ini links to the user's file, which holds the text before ("~": none, "^": a NUL byte); the
    // close saves the URL ("full": on a full disk). Then what the start reads, why the save failed, the
    // user's file after ("kept": as it was) and the URL read again, set apart by "¦".
    void save_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("expected");
        testdata::AddTextRows({// Quotes at both ends of a value are kept.
            "~|\"例え\"|99 ¦¦[Position]\nTop=0\nLeft=0\n\n[Check]\nRef=0\nClip=0\nRename=0\nTopMost=False\n"
            "TipHint=False\n\n[String]\nURL=\"\"例え\"\"\n\n[Counter]\nGetHead=0\nGetChuck=0\nFailure=0\n"
            "Cancel=0\n¦\"例え\"",
            // The close changes values in their lines and adds keys at the end of their section; every
            // other line stays as it was.
            "; mine\r\n[counter]\r\ngethead = 12 \r\n[x]\r\nTop=9\r\nno value\r\n[String]\r\n# the last\r\n"
            "URL = \" http://a/?q=1;x#y=z \"\r\n[ position ]\r\nLEFT=15\r\ntop=30\r\ntop=45\r\n[Check]\r\n"
            "TopMost=false\r\n; the end|\t\"q\" |15  http://a/?q=1;x#y=z ¦¦; mine\r\n[counter]\r\ngethead = "
            "0 \r\nGetChuck=0\r\nFailure=0\r\nCancel=0\r\n[x]\r\nTop=9\r\nno value\r\n[String]\r\n# the "
            "last\r\nURL = \"\t\"q\" \"\r\n[ position ]\r\nLEFT=0\r\ntop=0\r\ntop=45\r\n[Check]\r\n"
            "TopMost=False\r\nRef=0\r\nClip=0\r\nRename=0\r\nTipHint=False\r\n; the end¦\t\"q\" ",
            // A damaged byte costs nothing but itself; a line break in a value never becomes a line; -2.5
            // rounds to the even neighbour.
            "[String]\nURL=http://a/^x\n[Position]\nLeft=-2.5|a\r\nb|-2 http://a/ x¦¦[String]\nURL=a  b\n"
            "[Position]\nLeft=0\nTop=0\n\n[Check]\nRef=0\nClip=0\nRename=0\nTopMost=False\nTipHint=False\n\n"
            "[Counter]\nGetHead=0\nGetChuck=0\nFailure=0\nCancel=0\n¦a  b",
            // 312 bytes: cut to 254, not inside a character.
            "[String]\nURL=http://e.jp/ああああああああああああああああああああああああああああああああああ"
            "あああああああああああああああああああああああああああああああああああああああああああああああ"
            "あああああああああああああああああああ|x|99 http://e.jp/あああああああああああああああああああ"
            "あああああああああああああああああああああああああああああああああああああああああああああああ"
            "ああああああああああああああ¦¦[String]\nURL=x\n\n[Position]\nTop=0\nLeft=0\n\n[Check]\nRef=0\n"
            "Clip=0\nRename=0\nTopMost=False\nTipHint=False\n\n[Counter]\nGetHead=0\nGetChuck=0\nFailure=0\n"
            "Cancel=0\n¦x",
            // The user's notes, and a "[" that the reader joins with the next line, are never written over.
            "My notes\n# list\n|x|99 ¦設定ファイルではないため、書き換えませんでした。¦kept¦",
            "[Check]\n[\nPosition]\nTop=5|x|99 ¦設定ファイルではないため、書き換えませんでした。¦kept¦",
            "[Position]\nTop=1\n|full|99 ¦ファイルを書き込めませんでした。 (File too large)¦kept¦"});
    }

    void save()
    {
        QFETCH(QString, before);
        QFETCH(QString, url);
        QTemporaryDir dir;
        QDir::setCurrent(dir.path());
        const QByteArray bytes = before.toUtf8().replace('^', '\0');
        QVERIFY(QFile::link("mine", "settei.ini"));
        if (before != u"~")
            QVERIFY(testdata::WriteFile("mine", bytes));
        // What the start reads of the window's left edge (99: nothing usable) and the URL.
        const Settings read = LoadSettings("settei.ini");
        const QString loaded = QString::number(read.left.value_or(99)) + u' ' + read.url;
        QString failure;
        testdata::UnderFileSizeLimit(
            url == u"full" ? 8 : -1, [&] { return SaveSettings("settei.ini", {.url = url}, &failure); });
        const QByteArray after = testdata::ReadFile("mine");
        QTEST(QStringList({loaded, failure, after == bytes ? "kept" : after, LoadSettings("settei.ini").url})
                  .join(u'¦'),
            "expected");
    }

    // settei.ini and the history file are folders: each failure is told once, as it happens.
    void filesTheWindowCannotWrite()
    {
        window_fixture::ScriptedWindow w;
        QVERIFY(
            w.openWindow({}) && QDir().mkdir("settei.ini") && QDir().mkdir("rireki.txt")); // in its folder
        w.form->strURL = "http://a/";
        w.form->AddHistory();
        w.form->AddHistory();
        w.form->close();
        QCOMPARE(w.boxes.texts().join(u'|').replace(w.program.path(), "P"),
            "履歴に記録できませんでした。\r\nP/rireki.txt\r\n同じ名前のフォルダがあります。 (Is a "
            "directory)|設定を保存できませんでした。\r\nP/settei.ini\r\n"
            "設定ファイルではないため、書き換えませんでした。");
    }

    // An installed program, or one whose folder its user may not write to, keeps its files in the
    // per-user folder. access(), which decides, asks about the real user: root becomes nobody for it.
    void storageFolders()
    {
        QTemporaryDir home, program;
        qputenv("HOME", home.path().toUtf8());
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(ChooseStorageFolders("/usr/bin").historyFile, home.path() + "/.config/Tobrell/rireki.txt");
        const bool root = ::getuid() == 0;
        QVERIFY(!::chmod(qPrintable(program.path()), 0555) && (!root || !::setreuid(65534, 0)));
        const QString settingsFile = ChooseStorageFolders(program.path()).settingsFile;
        QVERIFY(!root || !::setreuid(0, 0));
        QCOMPARE(settingsFile, home.path() + "/.config/Tobrell/settei.ini");
    }
};

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
