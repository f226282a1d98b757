// Downloads through the window, the real transfer control and the scripted
// local server: what lands in the download folder and what the user is told.
#include "support/sample_data.h"
#include "support/window_fixture.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QtTest>

using window_fixture::idle;
using window_fixture::kDeadlineMs;

namespace {

const QString kInterrupted = QStringLiteral("接続が中断されました。");
const QString kCompleted = QStringLiteral("データ取得を完了しました。\r\n");
const QString kCompletedWithSpeed = kCompleted + QStringLiteral("平均転送速度: # バイト/毎秒");

// Box texts with a measured speed other than 0 replaced by "#".
QStringList withoutSpeed(const QStringList &texts)
{
    static const QRegularExpression speed(QStringLiteral("平均転送速度: [1-9][0-9,]* "));
    QStringList result;
    for (QString text : texts)
        result.append(text.replace(speed, QStringLiteral("平均転送速度: # ")));
    return result;
}

} // namespace

class TestDownloadWindow : public QObject {
    Q_OBJECT

    QString folder() const { return w_->program.path() + QStringLiteral("/download/"); }

    std::unique_ptr<window_fixture::ScriptedWindow> w_;

    void get(const QString &path)
    {
        w_->form->ui.Text3->setText(w_->server.url(path));
        w_->form->Command4_Click();
        QTRY_COMPARE_WITH_TIMEOUT(w_->form->lngCountData, 1, kDeadlineMs);
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w_->form), kDeadlineMs);
    }

private Q_SLOTS:
    void init()
    {
        w_ = std::make_unique<window_fixture::ScriptedWindow>();
        QVERIFY(w_->start());
    }

    void cleanup()
    {
        // Whatever happened, no temporary file is left behind.
        QCOMPARE(QDir(folder()).entryList(QStringList{QStringLiteral(".tobrell-*")}, QDir::Hidden | QDir::Files),
                 QStringList());
        w_.reset();
    }

    void bodyAgainstDeclaredLength_data()
    {
        QTest::addColumn<ScriptServer::Script>("script");
        QTest::addColumn<qint64>("saved");
        QTest::addColumn<QString>("progress");
        QTest::addColumn<QStringList>("boxes");

        const auto reply = [](const QByteArray &headers, qint64 sent) {
            return ScriptServer::Reply("200 OK", headers + "Connection: close\r\n", sent);
        };
        QTest::newRow("as declared") << reply("Content-Length: 200000\r\n", 200000) << qint64(200000)
                                     << "100 %  195.31 KB (200,000 / 200,000)"
                                     << QStringList{kCompletedWithSpeed};
        // The connection closes before the declared end: an incomplete body.
        QTest::newRow("declared larger") << reply("Content-Length: 300000\r\n", 200000) << qint64(200000)
                                         << "67 %  195.31 KB (200,000 / 300,000)"
                                         << QStringList{kInterrupted, kCompleted};
        QTest::newRow("declared smaller") << reply("Content-Length: 100000\r\n", 200000) << qint64(100000)
                                          << "100 %  97.66 KB (100,000 / 100,000)"
                                          << QStringList{kCompletedWithSpeed};
        // The speed is worked out from the declared length, none here.
        QTest::newRow("not declared") << reply("", 200000) << qint64(200000) << "0 %  195.31 KB (200,000 / 0)"
                                      << QStringList{kCompleted + "平均転送速度: 0 バイト/毎秒"};
        // The length the body is read by is the one shown: the last of two, none for a chunked body.
        QTest::newRow("two lengths") << reply("Content-Length: 1000\r\nContent-Length: 10\r\n", 1000) << qint64(10)
                                     << "100 %  0.01 KB (10 / 10)" << QStringList{kCompletedWithSpeed};
        QTest::newRow("chunked with a length")
            << ScriptServer::Script{ScriptServer::Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n"
                                                       "Content-Length: 100\r\n\r\n3e8\r\n"),
                                    ScriptServer::Body(1000), ScriptServer::Send("\r\n0\r\n\r\n"), ScriptServer::Close()}
            << qint64(1000) << "0 %  0.98 KB (1,000 / 0)" << QStringList{kCompleted + "平均転送速度: 0 バイト/毎秒"};
        // Beyond 32 bits the length still counts: 40 MiB of 3 GiB is 1 %.
        QTest::newRow("3 GiB declared, cut short") << reply("Content-Length: 3221225472\r\n", 40 << 20) << qint64(40 << 20)
                                                   << "1 %  40.00 MB (41,943,040 / 3,221,225,472)"
                                                   << QStringList{kInterrupted, kCompleted};
    }

    void bodyAgainstDeclaredLength()
    {
        QFETCH(ScriptServer::Script, script);
        QFETCH(qint64, saved);
        QFETCH(QString, progress);
        QFETCH(QStringList, boxes);

        w_->server.setScript(script);
        get(QStringLiteral("/dir/body.bin"));

        QCOMPARE(testdata::ReadFile(folder() + QStringLiteral("body.bin")), testdata::Pattern(0, saved));
        QCOMPARE(w_->form->ui.Label4->text(), progress);
        QCOMPARE(withoutSpeed(w_->boxes.texts()), boxes);
        QCOMPARE(w_->form->cursor().shape(), Qt::ArrowCursor); // the busy pointer is gone
    }

    void saving_data()
    {
        QTest::addColumn<QString>("present"); // "name=bytes" made in the program folder first; "name/" a folder
        QTest::addColumn<bool>("rename");
        QTest::addColumn<QString>("path");    // requested
        QTest::addColumn<QString>("savedAs"); // below the download folder; empty: nothing saved
        QTest::addColumn<QString>("warning"); // the start of the one warning box; empty: the completion box

        QTest::newRow("rename off replaces") << "download/body.bin=older and longer" << false << "/body.bin"
                                             << "body.bin" << "";
        QTest::newRow("rename on picks a free name") << "download/body.bin=older and longer" << true << "/body.bin"
                                                     << "body[0].bin" << "";
        QTest::newRow("a name that would leave the folder") << "" << true << "/a/.." << "index.html" << "";
        // Failures are never reported as success, and nothing of the user's is touched.
        QTest::newRow("a folder holds the name") << "download/body.bin/keep=kept" << false << "/body.bin" << ""
                                                 << "データを保存できませんでした。\r\n{folder}body.bin\r\n";
        QTest::newRow("a file called download") << "download=not a folder" << true << "/body.bin" << ""
                                                << "ダウンロード用のフォルダを用意できませんでした。\r\n{program}/download\r\n";
    }

    void saving()
    {
        QFETCH(QString, present);
        QFETCH(bool, rename);
        QFETCH(QString, path);
        QFETCH(QString, savedAs);
        QFETCH(QString, warning);
        warning.replace(QStringLiteral("{folder}"), folder()).replace(QStringLiteral("{program}"), w_->program.path());

        const QString presentPath = w_->program.path() + u'/' + present.section(u'=', 0, 0);
        const QByteArray presentBytes = present.section(u'=', 1).toUtf8();
        if (!present.isEmpty()) {
            QVERIFY(QDir(folder()).removeRecursively() && QDir().mkpath(QFileInfo(presentPath).path()));
            QVERIFY(testdata::WriteFile(presentPath, presentBytes));
        }
        w_->form->ui.Check3->setChecked(rename);
        w_->server.setScript(ScriptServer::Reply("200 OK", "Content-Length: 1000\r\n", 1000));
        get(path);

        if (warning.isEmpty()) {
            QCOMPARE(withoutSpeed(w_->boxes.texts()), QStringList{kCompletedWithSpeed});
            QCOMPARE(w_->form->strSavePath, folder() + savedAs);
            QCOMPARE(testdata::ReadFile(folder() + savedAs), testdata::Pattern(0, 1000));
        } else {
            QCOMPARE(w_->boxes.shown.size(), 1);
            QCOMPARE(w_->boxes.shown[0].title, QStringLiteral("警告"));
            QVERIFY2(w_->boxes.shown[0].text.startsWith(warning), qPrintable(w_->boxes.shown[0].text));
        }
        if (!present.isEmpty() && savedAs != present.section(u'=', 0, 0).section(u'/', 1))
            QCOMPARE(testdata::ReadFile(presentPath), presentBytes);
    }

    // A body that trickles in: the progress line moves, and a release keeps what arrived.
    void slowBodyShowsProgressAndReleaseKeepsIt()
    {
        w_->server.setScript({ScriptServer::Send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n"),
                              ScriptServer::Body(1000, 10, 20)});
        w_->form->ui.Text3->setText(w_->server.url(QStringLiteral("/slow.bin")));
        QStringList progress;
        const window_fixture::ActWhen release(
            [&] {
                const QString text = w_->form->ui.Label4->text();
                if (text.endsWith(QStringLiteral(" / 1,000)")) && !progress.contains(text))
                    progress << text;
                return progress.size() >= 3;
            },
            [this] { w_->form->ui.Command2->click(); });
        w_->form->Command4_Click();
        QTRY_COMPARE_WITH_TIMEOUT(w_->form->lngCountData, 1, kDeadlineMs);
        QTRY_VERIFY_WITH_TIMEOUT(idle(*w_->form), kDeadlineMs);

        QVERIFY2(release.done, qPrintable(progress.join(u'|')));
        QCOMPARE(w_->boxes.texts(), QStringList({kInterrupted, kCompleted}));
        QCOMPARE(w_->form->lngCountCancel, 1);
        QVERIFY(w_->form->strTransferInfo.isEmpty());
        const QByteArray saved = testdata::ReadFile(folder() + QStringLiteral("slow.bin"));
        QVERIFY(saved.size() > 0 && saved.size() < 1000);
        QCOMPARE(saved, testdata::Pattern(0, saved.size()));
        QVERIFY2(w_->form->ui.Label4->text().endsWith(QStringLiteral("(%1 / 1,000)").arg(saved.size())),
                 qPrintable(w_->form->ui.Label4->text()));
    }

    void requestWhileTransferRunsChangesNothing_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::newRow("get header") << "Command1";
        QTest::newRow("get data") << "Command4";
        QTest::newRow("Enter in the URL box") << "Text3";
        QTest::newRow("Enter in the Referer box") << "Text1";
    }

    // A command given while a download runs must not redirect its bytes to
    // another file, nor touch the boxes the user is typing in.
    void requestWhileTransferRunsChangesNothing()
    {
        QFETCH(QString, entry);
        Form1 &form = *w_->form;
        QVERIFY(testdata::WriteFile(folder() + QStringLiteral("notes.txt"), "the user's notes"));
        form.ui.Check3->setChecked(false);
        w_->server.setScript({ScriptServer::Send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n", 300),
                              ScriptServer::Body(1000), ScriptServer::Close()});
        const QString report = w_->server.url(QStringLiteral("/report.pdf"));
        form.ui.Text3->setText(report);
        form.Command4_Click();

        const QString typed = QStringLiteral(" ") + w_->server.url(QStringLiteral("/notes.txt"));
        form.ui.Text3->setText(typed);
        form.ui.Text1->setText(QStringLiteral("typed Referer"));
        if (entry == u"Command1")
            form.Command1_Click();
        else if (entry == u"Command4")
            form.Command4_Click();
        else
            QTest::keyClick(entry == u"Text3" ? form.ui.Text3 : form.ui.Text1, Qt::Key_Return);
        QCOMPARE(form.strURL, report);
        QCOMPARE(form.ui.Text3->text(), typed);
        QCOMPARE(form.ui.Text1->text(), QStringLiteral("typed Referer"));
        QVERIFY(w_->boxes.shown.isEmpty());

        QTRY_COMPARE_WITH_TIMEOUT(form.lngCountData, 1, kDeadlineMs);
        QTRY_VERIFY_WITH_TIMEOUT(idle(form), kDeadlineMs);
        QCOMPARE(w_->server.requests().size(), 1);
        QCOMPARE(testdata::ReadFile(folder() + QStringLiteral("report.pdf")), testdata::Pattern(0, 1000));
        QCOMPARE(testdata::ReadFile(folder() + QStringLiteral("notes.txt")), QByteArray("the user's notes"));
    }

    void closingDuringDownloadSavesAndCloses()
    {
        w_->server.setScript({ScriptServer::Send("HTTP/1.1 200 OK\r\nContent-Length: 10000000\r\n\r\n"),
                            ScriptServer::Body(10000000, 16384, 20)});
        w_->form->show();
        w_->form->ui.Text3->setText(w_->server.url(QStringLiteral("/slow.bin")));
        const window_fixture::ActWhen close(
            [this] { return w_->form->ui.Label4->text().contains(QStringLiteral(" / 10,000,000)")); },
            [this] { QVERIFY(!w_->form->close()); });
        w_->form->Command4_Click();
        QTRY_VERIFY_WITH_TIMEOUT(!w_->form->isVisible(), kDeadlineMs);

        QVERIFY(!w_->form->Inet1->StillExecuting());
        QCOMPARE(w_->boxes.texts().join(u'|'), QString());
        const QByteArray saved = testdata::ReadFile(folder() + QStringLiteral("slow.bin"));
        QVERIFY(saved.size() > 0);
        QCOMPARE(saved, testdata::Pattern(0, saved.size()));
    }
};


QTEST_MAIN(TestDownloadWindow)
#include "test_download_window.moc"
