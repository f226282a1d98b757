// The fetch commands and the state handling of the window, driven through
// the real transfer control against the scripted local server.
#include "support/window_fixture.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest>

using window_fixture::busy;
using window_fixture::idle;
using window_fixture::kDeadlineMs;

class TestForm1Commands : public QObject {
    Q_OBJECT

    std::unique_ptr<window_fixture::ScriptedWindow> w_;

private Q_SLOTS:
    void init()
    {
        w_ = std::make_unique<window_fixture::ScriptedWindow>();
        QVERIFY(w_->start());
    }

    void requestPreparation_data()
    {
        QTest::addColumn<QString>("entry");    // "GET", or Enter in "Text3" or in "Text1"
        QTest::addColumn<QString>("typed");    // the URL box
        QTest::addColumn<QString>("referer");  // the Referer box
        QTest::addColumn<bool>("automatic");   // "リファラ自動"
        QTest::addColumn<QString>("shown");    // the URL box afterwards; empty: as typed
        QTest::addColumn<QString>("box");
        QTest::addColumn<QByteArray>("request"); // request line | Referer box afterwards, as sent; empty: nothing sent

        // "{host}" stands for this run's server, 127.0.0.1 and its port.
        const QString page = QStringLiteral("http://{host}/dir/page.html");
        const QByteArray headPage = "HEAD /dir/page.html|http://{host}/dir/";
        const QString unsafe =
            QStringLiteral("URL か Referer に改行などの制御文字が含まれているため、要求を送信しませんでした。");
        QTest::newRow("Enter in the URL box") << "Text3" << page << "" << true << "" << "" << headPage;
        QTest::newRow("Enter in the Referer box") << "Text1" << page << "typed" << true << "" << "" << headPage;
        // The automatic Referer never carries the user's password or the fragment; the address keeps them.
        QTest::newRow("user, password and fragment") << "GET" << "http://alice:s3cret@{host}/dir/#sec/x" << "" << true
                                                     << "" << "" << QByteArray("GET /dir/|http://{host}/dir/");
        // An empty Referer box holds an ideographic space; no Referer line goes out for it.
        QTest::newRow("ftp over http") << "GET" << "ftp://{host}/pub/" << "" << false << "http://{host}/pub/"
                                       << "FTP には対応していません。HTTP で接続を試みます。"
                                       << QByteArray("GET /pub/|\xE3\x80\x80");
        // Refused: nothing is sent; the get-header command clears the second status line all the same.
        QTest::newRow("no address") << "Text3" << "  example.com " << "r" << true << "example.com"
                                    << "URL の書式が正しくないため、読み込みできませんでした。" << QByteArray();
        QTest::newRow("LF in the address") << "GET" << "http://{host}/a\nX-Injected: 1" << "" << false << "" << unsafe
                                           << QByteArray();
        QTest::newRow("CR in the Referer box") << "GET" << page << "x\rX-Injected: 1" << false << "" << unsafe
                                               << QByteArray();
    }

    void requestPreparation()
    {
        QFETCH(QString, entry);
        QFETCH(QString, typed);
        QFETCH(QString, referer);
        QFETCH(bool, automatic);
        QFETCH(QString, shown);
        QFETCH(QString, box);
        QFETCH(QByteArray, request);
        const QString host = QStringLiteral("127.0.0.1:%1").arg(w_->server.port());
        typed.replace(QStringLiteral("{host}"), host);
        shown = shown.isEmpty() ? typed : shown.replace(QStringLiteral("{host}"), host);
        request.replace("{host}", host.toUtf8());

        Form1 &form = *w_->form;
        w_->server.setScript(ScriptServer::Reply("200 OK", "Content-Length: 0\r\n"));
        form.ui.Label4->setText(QStringLiteral("previous"));
        form.ui.Check2->setChecked(automatic);
        form.ui.Text1->setText(referer);
        form.ui.Text3->setText(typed);
        if (entry == u"GET")
            form.Command4_Click();
        else
            QTest::keyClick(entry == u"Text3" ? form.ui.Text3 : form.ui.Text1, Qt::Key_Return);

        QCOMPARE(form.ui.Text3->text(), shown);
        QCOMPARE(w_->boxes.texts(), box.isEmpty() ? QStringList() : QStringList{box});
        QCOMPARE(form.ui.Label4->text(), entry == u"GET" ? QStringLiteral("previous") : QString());
        if (request.isEmpty()) {
            QVERIFY(idle(form));
            QCOMPARE(w_->server.connectionCount(), 0);
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(idle(form) && w_->server.requests().size() == 1, kDeadlineMs);
        const QByteArray sent = w_->server.requests().first();
        const QList<QByteArray> expected = request.split('|');
        QCOMPARE(form.ui.Text1->text().toUtf8(), expected[1]);
        QVERIFY2(sent.startsWith(expected[0] + " HTTP/1.1\r\n"), sent.constData());
        const QByteArray wireReferer = QString::fromUtf8(expected[1]).trimmed().toUtf8();
        QVERIFY2(wireReferer.isEmpty() ? !sent.contains("Referer") : sent.contains("\r\nReferer: " + wireReferer + "\r\n"),
                 sent.constData());
    }

    void responseOutcomes_data()
    {
        QTest::addColumn<bool>("get");
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QByteArray>("headers");
        QTest::addColumn<QString>("box"); // empty: no box

        const QByteArray plain = "Content-Length: 1000\r\nConnection: close\r\n";
        QTest::newRow("HEAD 404") << false << QByteArray("404 Not Found") << plain << "";
        QTest::newRow("GET 404") << true << QByteArray("404 Not Found") << plain << "HTTP Status Code 404";
        // An unasked-for switch of protocols is a final answer, and not a download.
        QTest::newRow("GET 101") << true << QByteArray("101 Switching Protocols")
                                 << QByteArray("Upgrade: websocket\r\nConnection: Upgrade\r\n")
                                 << "HTTP Status Code 101";
    }

    // A GET not answered 200 counts as failed and downloads nothing; a HEAD only shows the header.
    void responseOutcomes()
    {
        QFETCH(bool, get);
        QFETCH(QByteArray, status);
        QFETCH(QByteArray, headers);
        QFETCH(QString, box);

        Form1 &form = *w_->form;
        w_->server.setScript(ScriptServer::Reply(status, headers, get ? 1000 : 0));
        form.ui.Text3->setText(w_->server.url(QStringLiteral("/f.bin")));
        get ? form.Command4_Click() : form.Command1_Click();
        QTRY_VERIFY_WITH_TIMEOUT(idle(form) && form.lngCountHead == 1, kDeadlineMs);

        // A GET's response is complete (12) before its connection closes (9, 10).
        QCOMPARE(form.ui.Label1->text(), get ? QStringLiteral("ホストコンピュータとの接続を正常に解除しました。")
                                             : QStringLiteral("要求処理が完了し、すべてのデータが受信されました。"));
        QCOMPARE(form.lngCountData, 0);
        QCOMPARE(form.lngCountFail, get ? 1 : 0);
        QCOMPARE(w_->boxes.texts(), box.isEmpty() ? QStringList() : QStringList{box});
        const QString shown = form.ui.Text2->toPlainText();
        QVERIFY2(shown.startsWith(QStringLiteral("HTTP/1.1 ") + QString::fromLatin1(status) + u'\n'), qPrintable(shown));
    }

    // A release ends a GET at once and marks it interrupted; the next GET completes normally.
    void releaseDuringGet()
    {
        Form1 &form = *w_->form;
        form.ui.Text3->setText(w_->server.url(QStringLiteral("/never")));
        form.Command4_Click();
        QTRY_VERIFY_WITH_TIMEOUT(busy(form), kDeadlineMs);
        QVERIFY(!form.ui.Command4->isEnabled());

        form.ui.Command2->click();
        QVERIFY(idle(form));
        QCOMPARE(form.lngCountCancel, 1);
        QCOMPARE(form.strTransferInfo, QStringLiteral("Escape"));

        w_->server.setScript(ScriptServer::Reply("200 OK", "Content-Length: 10\r\n", 10));
        form.Command4_Click();
        QTRY_VERIFY_WITH_TIMEOUT(idle(form) && form.lngCountData == 1, kDeadlineMs);
        QCOMPARE(w_->boxes.shown.size(), 1); // the completion box alone: no box at the release, no interruption warning
    }

    void failedGetReturnsToIdleAndSaysWhy()
    {
        Form1 &form = *w_->form;
        form.ui.Text3->setText(QStringLiteral("http://127.0.0.1:%1/x").arg(ScriptServer::RefusedPort()));
        form.Command4_Click();
        QTRY_COMPARE_WITH_TIMEOUT(form.ui.Label1->text(), QStringLiteral("ホストコンピュータとの通信中にエラーが発生しました。"),
                                  kDeadlineMs);
        QTRY_VERIFY_WITH_TIMEOUT(idle(form), kDeadlineMs);
        QVERIFY2(form.ui.Label4->text().startsWith(QStringLiteral("接続が拒否されました。 (")), qPrintable(form.ui.Label4->text()));
        QVERIFY(w_->boxes.shown.isEmpty());
        QCOMPARE(form.lngCountHead + form.lngCountData + form.lngCountFail + form.lngCountCancel, 0);
    }
};


QTEST_MAIN(TestForm1Commands)
#include "test_form1_commands.moc"
