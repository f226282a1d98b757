// Downloads through the window, the real transfer control and the scripted
// local server: what lands in the download folder and what the user is told.
#include "support/sample_data.h"
#include "support/window_fixture.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QtTest>

#include <cerrno>

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

class TestDownloadWindow : public window_fixture::WindowTest {
    Q_OBJECT

    QString folder() const { return w_->program.path() + QStringLiteral("/download/"); }

private Q_SLOTS:
    void cleanup()
    {
        // Whatever happened, no temporary file is left behind.
        QCOMPARE(QDir(folder()).entryList(QStringList{QStringLiteral(".tobrell-*")}, QDir::Hidden | QDir::Files),
                 QStringList());
        w_.reset();
    }

    void download_data()
    {
        QTest::addColumn<QString>("present"); // a file of the user's made in the program folder first
        QTest::addColumn<bool>("rename");
        QTest::addColumn<ScriptServer::Script>("script");
        QTest::addColumn<QString>("savedAs"); // below the download folder; empty: nothing saved
        QTest::addColumn<qint64>("saved");    // its length
        QTest::addColumn<QString>("progress"); // empty: not checked
        QTest::addColumn<QStringList>("boxes"); // {program}: the program folder

        using S = ScriptServer;
        const auto reply = [](const QByteArray &headers, qint64 sent) {
            return S::Reply("200 OK", headers + "Connection: close\r\n", sent);
        };
        const auto row = [](const char *name, const S::Script &script, const char *savedAs, qint64 saved,
                            const QString &progress, const QString &box, const char *present = "", bool rename = true) {
            QTest::newRow(name) << present << rename << script << savedAs << saved << progress << box.split(u'|');
        };
        const QString done = kCompletedWithSpeed;
        const S::Script kilo = reply("Content-Length: 1000\r\n", 1000);
        const QString whole = QStringLiteral("100 %  0.98 KB (1,000 / 1,000)");
        // The length the body is read by is the one shown: none for a chunked body.
        // The speed is worked out from the declared length: 0 without one.
        row("chunked with a length",
            {S::Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 100\r\n\r\n3e8\r\n"),
             S::Body(1000), S::Send("\r\n0\r\n\r\n"), S::Close()},
            "body.bin", 1000, "0 %  0.98 KB (1,000 / 0)", kCompleted + "平均転送速度: 0 バイト/毎秒");
        // The connection closes before the declared end: an incomplete body is kept. Beyond 32 bits the
        // length still counts: 40 MiB of 3 GiB is 1 %.
        row("3 GiB declared, cut short", reply("Content-Length: 3221225472\r\n", 40 << 20), "body.bin", 40 << 20,
            "1 %  40.00 MB (41,943,040 / 3,221,225,472)", kInterrupted + '|' + kCompleted);
        // An interrupted body never takes the place of a file already there: it goes to a free name.
        const QString keptBeside = kInterrupted + QStringLiteral("\r\n受信したデータは {program}/download/body[0].bin に保存しました。|")
            + kCompleted;
        row("cut short, rename off, name taken", reply("Content-Length: 1000\r\n", 300), "body[0].bin", 300, "",
            keptBeside, "download/body.bin", false);
        row("rename off replaces", kilo, "body.bin", 1000, whole, done, "download/body.bin", false);
        row("rename on picks a free name", kilo, "body[0].bin", 1000, whole, done, "download/body.bin");
        // Failures are never reported as success, and nothing of the user's is touched.
        row("a folder holds the name", kilo, "", 0, whole,
            "データを保存できませんでした。\r\n{program}/download/body.bin\r\n同じ名前のフォルダがあります。 ("
                + qt_error_string(EISDIR) + ')',
            "download/body.bin/keep", false);
        row("a file called download", kilo, "", 0, "",
            "ダウンロード用のフォルダを用意できませんでした。\r\n{program}/download\r\n"
            "同じ名前のファイルがあり、フォルダとして使えません。",
            "download");
    }

    void download()
    {
        QFETCH(QString, present);
        QFETCH(bool, rename);
        QFETCH(ScriptServer::Script, script);
        QFETCH(QString, savedAs);
        QFETCH(qint64, saved);
        QFETCH(QString, progress);
        QFETCH(QStringList, boxes);

        const QString presentPath = w_->program.filePath(present);
        if (!present.isEmpty()) {
            QVERIFY(QDir(folder()).removeRecursively() && QDir().mkpath(QFileInfo(presentPath).path()));
            QVERIFY(testdata::WriteFile(presentPath, "the user's"));
        }
        w_->form->ui.Check3->setChecked(rename);
        w_->server.setScript(script);
        w_->form->ui.Text3->setText(w_->server.url(QStringLiteral("/body.bin")));
        w_->form->Command4_Click();
        QTRY_VERIFY_WITH_TIMEOUT(w_->form->lngCountData == 1 && idle(*w_->form), kDeadlineMs);

        boxes.replaceInStrings(QStringLiteral("{program}"), w_->program.path());
        QCOMPARE(withoutSpeed(w_->boxes.texts()), boxes);
        QCOMPARE(w_->boxes.shown.last().title, savedAs.isEmpty() ? QStringLiteral("警告") : QStringLiteral("情報"));
        if (!progress.isEmpty())
            QCOMPARE(w_->form->ui.Label4->text(), progress);
        QCOMPARE(w_->form->cursor().shape(), Qt::ArrowCursor); // the busy pointer is gone
        if (!savedAs.isEmpty()) {
            QCOMPARE(w_->form->strSavePath, folder() + savedAs);
            QCOMPARE(testdata::ReadFile(folder() + savedAs), testdata::Pattern(0, saved));
        }
        if (!present.isEmpty() && present != QStringLiteral("download/") + savedAs)
            QCOMPARE(testdata::ReadFile(presentPath), QByteArray("the user's"));
    }

    void interrupt_data()
    {
        QTest::addColumn<QString>("entry"); // the command given while the request runs
        QTest::addColumn<bool>("close");    // close the window instead of releasing the download
        QTest::addColumn<QStringList>("boxes");
        QTest::newRow("get header, release") << "Command1" << false << QStringList{kInterrupted, kCompleted};
        // Like a release, but silent; the window closes once the download has unwound.
        QTest::newRow("get data, closing the window") << "Command4" << true << QStringList();
        // Enter in the URL and Referer boxes runs the get-header command: the window tests show that it does.
    }

    // A body that trickles in: the progress line moves, and what arrived before the interruption is kept.
    // A command given before the body came must not redirect its bytes to another file, nor touch the
    // boxes the user is typing in.
    void interrupt()
    {
        QFETCH(QString, entry);
        QFETCH(bool, close);
        QFETCH(QStringList, boxes);
        Form1 &form = *w_->form;
        w_->server.setScript({ScriptServer::Send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n", 300),
                              ScriptServer::Body(1000, 10, 20)});
        form.show();
        QStringList progress;
        const auto interruption = window_fixture::ActWhen(
            [&] {
                const QString text = form.ui.Label4->text();
                if (text.endsWith(QStringLiteral(" / 1,000)")) && !progress.contains(text))
                    progress << text;
                return progress.size() >= 3;
            },
            [&] {
                if (close)
                    QVERIFY(!form.close());
                else
                    form.ui.Command2->click();
            });
        const QString slow = w_->server.url(QStringLiteral("/slow.bin"));
        form.ui.Text3->setText(slow);
        form.Command4_Click();
        const QString typed = QStringLiteral(" ") + w_->server.url(QStringLiteral("/notes.txt"));
        form.ui.Text3->setText(typed);
        form.ui.Text1->setText(QStringLiteral("typed Referer"));
        entry == u"Command1" ? form.Command1_Click() : form.Command4_Click();
        QCOMPARE((QStringList{form.strURL, form.ui.Text3->text(), form.ui.Text1->text()} << w_->boxes.texts()),
                 (QStringList{slow, typed, QStringLiteral("typed Referer")}));
        QTRY_COMPARE_WITH_TIMEOUT(form.lngCountData, 1, kDeadlineMs);
        QTRY_VERIFY_WITH_TIMEOUT(idle(form), kDeadlineMs);

        QVERIFY2(!interruption->isActive(), qPrintable(progress.join(u'|')));
        QTRY_COMPARE_WITH_TIMEOUT(form.isVisible(), !close, kDeadlineMs);
        QCOMPARE(w_->boxes.texts(), boxes);
        QCOMPARE(form.lngCountCancel, 1);
        QCOMPARE(w_->server.requests().size(), 1);
        const QByteArray saved = testdata::ReadFile(folder() + QStringLiteral("slow.bin"));
        QVERIFY(saved.size() > 0 && saved.size() < 1000);
        QCOMPARE(saved, testdata::Pattern(0, saved.size()));
        QVERIFY2(form.ui.Label4->text().endsWith(QStringLiteral("(%1 / 1,000)").arg(saved.size())),
                 qPrintable(form.ui.Label4->text()));
    }
};

QTEST_MAIN(TestDownloadWindow)
#include "test_download_window.moc"
