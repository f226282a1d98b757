// Downloads through the window, the real transfer control and the scripted
// local server: what lands in the download folder and what the user is told.
#include "core/termination_signals.h"
#include "support/window_fixture.h"

#include <QtTest>

#include <csignal>

using namespace Qt::StringLiterals;
using namespace testdata;
using namespace window_fixture;

class TestDownloadWindow : public WindowTest {
    Q_OBJECT

private Q_SLOTS:
    void download_data()
    {
        // A file of the user's made first in the download folder, then the window starts again | the
        // path asked for | "-" for rename off, or what stops the download once its progress line has
        // moved three times (nohup: a SIGHUP ignored from the start) | then: the progress line, each entry of
        // the download folder with its length when it holds the start of the body, the boxes and the releases
        // counted. # stands for a measured speed or a part of the body, {program} for the program folder.
        QTest::addColumn<QString>("row");
        QTest::addColumn<ScriptServer::Script>("script");
        const ScriptServer::Script trickle
            = {ScriptServer::Send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n"),
                ScriptServer::Body(1000, 10, 20)};
        // With rename on, a taken name gets the first free counter, before the first dot. What a killed
        // download left is kept at the start.
        for (const char *row :
            {".tobrell-Ab3xY-body.bin|/body.bin||100 %  0.98 KB (1,000 / 1,000)|body.bin=the user's|"
             "body[0].bin=1000|前回はデータ取得の途中で終了しました。\r\n受信したデータは {program}/download/"
             "body.bin に保存しました。|データ取得を完了しました。\r\n平均転送速度: # バイト/毎秒|0",
                "index.html|/dir/||100 %  0.98 KB (1,000 / 1,000)|index.html=the user's|index[0].html=1000|"
                "データ取得を完了しました。\r\n平均転送速度: # バイト/毎秒|0",
                "a.tar.gz|/a.tar.gz?x=/y/a.tar.gz||100 %  0.98 KB (1,000 / 1,000)|a.tar.gz=the user's|"
                "a[0].tar.gz=1000|データ取得を完了しました。\r\n平均転送速度: # バイト/毎秒|0",
                ".htaccess|/.htaccess||100 %  0.98 KB (1,000 / 1,000)|.htaccess=the user's|[0].htaccess=1000|"
                "データ取得を完了しました。\r\n平均転送速度: # バイト/毎秒|0",
                "README|/README||100 %  0.98 KB (1,000 / 1,000)|README=the user's|README[0]=1000|"
                "データ取得を完了しました。\r\n平均転送速度: # バイト/毎秒|0",
                // A failure is never reported as success, and touches nothing of the user's.
                "body.bin/keep|/body.bin|-|100 %  0.98 KB (1,000 / 1,000)|body.bin=<unreadable>|"
                "データを保存できませんでした。\r\n{program}/download/"
                "body.bin\r\n同じ名前のフォルダがあります。 "
                "(Is a directory)|0"})
            QTest::addRow("%.20s", row)
                << row << ScriptServer::Reply("200 OK", "Content-Length: 1000\r\n", 1000);
        // Without a length there is no percentage, and the speed is 0.
        QTest::newRow("no length") << "notes|/body.bin||0.98 KB (1,000)|body.bin=1000|notes=the user's|"
                                      "データ取得を完了しました。\r\n平均転送速度: 0 バイト/毎秒|0"
                                   << ScriptServer::Reply("200 OK", {}, 1000);
        // A body cut off is a failure, kept beside the file already there even with rename off. Beyond
        // 32 bits the length still counts: 40 MiB of 3 GiB is 1 %.
        QTest::newRow("cut off") << "body.bin|/body.bin|-|1 %  40.00 MB (41,943,040 / 3,221,225,472)"
                                    "|body.bin=the user's|body[0].bin=41943040|接続が中断されました。\r\n"
                                    "受信したデータは {program}/download/body[0].bin に保存しました。|0"
                                 << ScriptServer::Reply("200 OK", "Content-Length: 3221225472\r\n", 40 << 20);
        // A release keeps the bytes received, with the designed boxes; the end of the session keeps them
        // silently, and the window closes once the download has unwound.
        QTest::newRow("release")
            << "notes|/body.bin|release|#|body.bin=#|notes=the user's|接続が中断されました。\r\n"
               "受信したデータは {program}/download/body.bin に保存しました。|"
               "データ取得を完了しました。\r\n|1"
            << trickle;
        QTest::newRow("SIGHUP") << "notes|/body.bin|SIGHUP|#|body.bin=#|notes=the user's||1" << trickle;
        // Unless it was started not to hear it (nohup).
        QTest::newRow("nohup")
            << "notes|/body.bin|nohup|100 %  0.98 KB (1,000 / 1,000)|body.bin=1000|notes=the user's|"
               "データ取得を完了しました。\r\n平均転送速度: # バイト/毎秒|0"
            << trickle;
    }

    void download()
    {
        QFETCH(QString, row);
        QFETCH(ScriptServer::Script, script);
        const QStringList field = row.split(u'|');
        const QString folder = w_->program.filePath(u"download/"_s);
        QVERIFY(
            QDir().mkpath(QFileInfo(folder + field[0]).path()) && WriteFile(folder + field[0], "the user's"));
        QVERIFY(w_->openWindow({}));
        Form1 &form = *w_->form;
        form.show();
        form.ui.Check3->setChecked(field[2] != u"-");
        w_->server.setScript(script);
        form.ui.Text3->setText(w_->server.url(field[1]));
        std::signal(SIGHUP, field[2] == u"nohup" ? SIG_IGN : SIG_DFL);
        TerminationSignals signal;
        connect(&signal, &TerminationSignals::received, &form, &QWidget::close);
        QSet<QString> seen;
        const auto stop
            = ActWhen([&] { return field[2].size() > 1 && (seen << form.ui.Label4->text()).size() > 3; },
                [&] { field[2] == u"release" ? form.ui.Command2->click() : void(::raise(SIGHUP)); });
        form.Command4_Click();
        // A command while the request runs changes nothing: no warning about the empty box, and the body
        // keeps its name.
        form.ui.Text3->clear();
        form.Command1_Click();
        QTRY_VERIFY_WITH_TIMEOUT(idle(form) && form.isVisible() == (field[2] != u"SIGHUP"), kDeadlineMs);

        QString outcome = form.ui.Label4->text();
        for (const QString &entry : Entries(folder)) {
            const QByteArray bytes = ReadFile(folder + entry);
            outcome += u'|' + entry + u'='
                + (bytes == Pattern(0, bytes.size()) ? QString::number(bytes.size()) : bytes);
        }
        outcome += QStringLiteral("|%1|%2").arg(w_->boxes.texts().join(u'|')).arg(form.lngCountCancel);
        // A measured speed, and what a stopped download had received, vary from run to run.
        const QRegularExpression varying(u"(?<=速度: )[1-9][0-9,]*|^[^|]*\\(\\d+ / 1,000\\)"
                                         u"|(?<==)[1-9]\\d?\\d?\\b"_s);
        QCOMPARE(outcome.replace(varying, u"#"_s),
            field.mid(3).join(u'|').replace(u"{program}"_s, w_->program.path()));
    }
};

QTEST_MAIN(TestDownloadWindow)
#include "test_download_window.moc"
