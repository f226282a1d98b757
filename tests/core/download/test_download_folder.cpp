// The download folder and the hidden file a download streams into until it
// takes its name.
#include "core/download/download_file.h"
#include "core/download/file_naming.h"
#include "support/sample_data.h"

#include <QtTest>

#include <sys/fsuid.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace testdata;

class TestDownloadFolder : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    const QString folder_ = dir_.path() + u'/';

private Q_SLOTS:
    // A commit writes over an entry only when asked to. The first failure is
    // the reason the commit gives.
    void commit()
    {
        QVERIFY(WriteFile(folder_ + u"new"_s, "old"));
        DownloadFile file;
        for (const bool replace : {false, true}) {
            QVERIFY(file.open(folder_, u"new"_s) && file.append("new"));
            QCOMPARE(file.commit(folder_ + u"new"_s, replace), replace);
            QCOMPARE(ReadFile(folder_ + u"new"_s), replace ? "new" : "old");
        }
        QVERIFY(!file.open(folder_ + u"gone"_s, u"f"_s) && !file.append("f")
            && !file.commit(folder_ + u"f"_s, true));
        QVERIFY(file.errorString().startsWith(u"フォルダが見つかりません。"_s));
    }

    // A home the user may not write to (root too: with another file system
    // user, root gives up overriding permissions) is the reason given, not
    // the folders it then lacks.
    void unwritableHome()
    {
        QVERIFY(QDir().mkdir(folder_ + u"home"_s) && !::chmod(qPrintable(folder_ + u"home"_s), 0555)
            && !::chmod(qPrintable(folder_), 0755));
        ::setfsuid(65534);
        const QString problem = naming::MakeSaveFolder(folder_ + u"home/Downloads"_s).problem;
        ::setfsuid(::geteuid());
        QVERIFY(problem.endsWith(u"download\r\n書き込む権限がありません。 (Permission denied)"_s));
    }
};

QTEST_GUILESS_MAIN(TestDownloadFolder)
#include "test_download_folder.moc"
