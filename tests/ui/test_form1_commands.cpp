// The fetch commands and the state handling of the window, driven through
// the real transfer control against the scripted local server.
#include "support/window_fixture.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest>

using window_fixture::busy;
using window_fixture::idle;
using window_fixture::kDeadlineMs;

namespace {

const QString kBadFormat = QStringLiteral("URL の書式が正しくないため、読み込みできませんでした。");
const QString kControlCharacters =
    QStringLiteral("URL か Referer に改行などの制御文字が含まれているため、要求を送信しませんでした。");

} // namespace

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
        QTest::addColumn<QString>("entry");    // "HEAD", "GET", Enter in "Text3" or in "Text1"
        QTest::addColumn<QString>("typed");    // the URL box
        QTest::addColumn<QString>("referer");  // the Referer box
        QTest::addColumn<bool>("automatic");   // "リファラ自動"
        QTest::addColumn<QString>("shown");    // the URL box afterwards
        QTest::addColumn<QString>("refererAfter");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QByteArray>("request"); // its request line and Referer line; empty: nothing sent

        // "{host}" stands for this run's server, 127.0.0.1 and its port.
        const QString page = QStringLiteral("http://{host}/dir/page.html");
        const QString dir = QStringLiteral("http://{host}/dir/");
        const QByteArray headPage = "HEAD /dir/page.html HTTP/1.1\r\n|Referer: ";
        QTest::newRow("automatic Referer: the directory") << "HEAD" << page << "typed" << true << page << dir
                                                          << QStringList() << headPage + "http://{host}/dir/";
        QTest::newRow("Enter in the URL box") << "Text3" << page << "" << true << page << dir << QStringList()
                                              << headPage + "http://{host}/dir/";
        QTest::newRow("Enter in the Referer box") << "Text1" << page << "" << true << page << dir << QStringList()
                                                  << headPage + "http://{host}/dir/";
        // The automatic Referer never carries the user's password or the fragment; the address keeps them.
        QTest::newRow("user and password") << "HEAD" << "http://alice:s3cret@{host}/dir/u.txt" << "" << true
                                           << "http://alice:s3cret@{host}/dir/u.txt" << dir << QStringList()
                                           << QByteArray("HEAD /dir/u.txt HTTP/1.1\r\n|Referer: http://{host}/dir/");
        QTest::newRow("fragment") << "GET" << "http://{host}/dir/#sec/x" << "" << true << "http://{host}/dir/#sec/x"
                                  << dir << QStringList() << QByteArray("GET /dir/ HTTP/1.1\r\n|Referer: http://{host}/dir/");
        QTest::newRow("empty Referer box: ideographic space") << "HEAD" << page << "" << false << page << "\u3000"
                                                              << QStringList() << headPage + "\xE3\x80\x80";
        QTest::newRow("typed Referer, TAB too") << "HEAD" << page << "http://例え.jp/ü\tx" << false << page
                                                << "http://例え.jp/ü\tx" << QStringList()
                                                << headPage + QStringLiteral("http://例え.jp/ü\tx").toUtf8();
        QTest::newRow("ftp over http") << "GET" << "ftp://{host}/pub/" << "" << false << "http://{host}/pub/" << "\u3000"
                                       << QStringList{"FTP には対応していません。HTTP で接続を試みます。"}
                                       << QByteArray("GET /pub/ HTTP/1.1\r\n|");
        // Refused: nothing is sent; only the get-header command clears the second status line.
        QTest::newRow("no address, get header") << "HEAD" << "  example.com " << "r" << true << "example.com" << "r"
                                                << QStringList{kBadFormat} << QByteArray();
        QTest::newRow("no address, get data") << "GET" << "example.com" << "r" << true << "example.com" << "r"
                                              << QStringList{kBadFormat} << QByteArray();
        QTest::newRow("LF in the address") << "GET" << "http://{host}/a\nX-Injected: 1" << "" << false
                                           << "http://{host}/a\nX-Injected: 1" << "\u3000"
                                           << QStringList{kControlCharacters} << QByteArray();
        for (const QString &text : {u"x\rX-Injected: 1"_qs, u"x\x1b[2J"_qs, u"x\x7f"_qs}) { // CR, ESC, DEL
            QTest::addRow("U+%04X in the Referer box", text[1].unicode())
                << "GET" << page << text << false << page << text << QStringList{kControlCharacters} << QByteArray();
        }
    }

    void requestPreparation()
    {
        QFETCH(QString, entry);
        QFETCH(QString, typed);
        QFETCH(QString, referer);
        QFETCH(bool, automatic);
        QFETCH(QString, shown);
        QFETCH(QString, refererAfter);
        QFETCH(QStringList, boxes);
        QFETCH(QByteArray, request);
        const QString host = QStringLiteral("127.0.0.1:%1").arg(w_->server.port());
        for (QString *text : {&typed, &shown, &refererAfter})
            text->replace(QStringLiteral("{host}"), host);
        request.replace("{host}", host.toUtf8());

        Form1 &form = *w_->form;
        w_->server.setScript(ScriptServer::Reply("200 OK", "Content-Length: 0\r\n"));
        form.ui.Label4->setText(QStringLiteral("previous"));
        form.ui.Check2->setChecked(automatic);
        form.ui.Text1->setText(referer);
        form.ui.Text3->setText(typed);
        if (entry == u"HEAD")
            form.Command1_Click();
        else if (entry == u"GET")
            form.Command4_Click();
        else
            QTest::keyClick(entry == u"Text3" ? form.ui.Text3 : form.ui.Text1, Qt::Key_Return);

        QCOMPARE(form.ui.Text3->text(), shown);
        QCOMPARE(form.ui.Text1->text(), refererAfter);
        QCOMPARE(w_->boxes.texts(), boxes);
        for (const RecordingBoxes::Box &box : std::as_const(w_->boxes.shown))
            QCOMPARE(box.title, QStringLiteral("警告"));
        QCOMPARE(form.ui.Label4->text(), entry == u"GET" ? QStringLiteral("previous") : QString());
        if (request.isEmpty()) {
            QVERIFY(idle(form));
            QCOMPARE(w_->server.connectionCount(), 0);
            return;
        }
        QCOMPARE(form.ui.Command4->isEnabled(), entry != u"GET");
        QTRY_COMPARE_WITH_TIMEOUT(w_->server.requests().size(), 1, kDeadlineMs);
        QTRY_VERIFY_WITH_TIMEOUT(idle(form), kDeadlineMs);
        const QByteArray sent = w_->server.requests().first();
        const QList<QByteArray> expected = request.split('|');
        QVERIFY2(sent.startsWith(expected[0]), sent.constData());
        QVERIFY2(sent.contains("\r\n" + expected[1]) && (expected[1].isEmpty() || sent.contains(expected[1] + "\r\n")),
                 sent.constData());
    }

    void responseOutcomes_data()
    {
        QTest::addColumn<bool>("get");
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QByteArray>("headers");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<int>("data");
        QTest::addColumn<int>("fail");

        const QByteArray plain = "Content-Length: 1000\r\nConnection: close\r\n";
        QTest::newRow("HEAD 200") << false << QByteArray("200 OK") << plain << QStringList() << 0 << 0;
        QTest::newRow("HEAD 404") << false << QByteArray("404 Not Found") << plain << QStringList() << 0 << 0;
        QTest::newRow("GET 404") << true << QByteArray("404 Not Found") << plain << QStringList{"HTTP Status Code 404"} << 0 << 1;
        QTest::newRow("GET 200") << true << QByteArray("200 OK") << plain
                                 << QStringList{"データ取得を完了しました。\r\n平均転送速度: "} << 1 << 0;
        // An unasked-for switch of protocols is a final answer, and not a download.
        QTest::newRow("GET 101") << true << QByteArray("101 Switching Protocols")
                                 << QByteArray("Upgrade: websocket\r\nConnection: Upgrade\r\n")
                                 << QStringList{"HTTP Status Code 101"} << 0 << 1;
    }

    void responseOutcomes()
    {
        QFETCH(bool, get);
        QFETCH(QByteArray, status);
        QFETCH(QByteArray, headers);
        QFETCH(QStringList, boxes);
        QFETCH(int, data);
        QFETCH(int, fail);

        Form1 &form = *w_->form;
        w_->server.setScript(ScriptServer::Reply(status, headers, get ? 1000 : 0));
        form.ui.Text3->setText(w_->server.url(QStringLiteral("/f.bin")));
        get ? form.Command4_Click() : form.Command1_Click();
        QTRY_COMPARE_WITH_TIMEOUT(form.lngCountHead, 1, kDeadlineMs);
        QTRY_VERIFY_WITH_TIMEOUT(idle(form), kDeadlineMs);

        // A GET's response is complete (12) before its connection closes (9, 10).
        QCOMPARE(form.ui.Label1->text(), get ? QStringLiteral("ホストコンピュータとの接続を正常に解除しました。")
                                             : QStringLiteral("要求処理が完了し、すべてのデータが受信されました。"));
        QCOMPARE(form.lngCountData, data);
        QCOMPARE(form.lngCountFail, fail);
        QCOMPARE(w_->boxes.shown.size(), boxes.size());
        for (int i = 0; i < boxes.size(); ++i)
            QVERIFY2(w_->boxes.shown[i].text.startsWith(boxes[i]), qPrintable(w_->boxes.shown[i].text));
        const QString shown = form.ui.Text2->toPlainText();
        QVERIFY2(shown.startsWith(QStringLiteral("HTTP/1.1 ") + QString::fromLatin1(status) + u'\n'), qPrintable(shown));
        QCOMPARE(QFile::exists(w_->program.path() + QStringLiteral("/download/f.bin")), data == 1);
    }

    void release_data()
    {
        QTest::addColumn<bool>("get");
        QTest::newRow("during HEAD") << false;
        QTest::newRow("during GET") << true;
    }

    // A release ends the request at once; after a GET's, the next GET completes normally.
    void release()
    {
        QFETCH(bool, get);
        Form1 &form = *w_->form;
        form.strTransferInfo = QStringLiteral("kept");
        form.ui.Text3->setText(w_->server.url(QStringLiteral("/never")));
        get ? form.Command4_Click() : form.Command1_Click();
        QTRY_VERIFY_WITH_TIMEOUT(busy(form), kDeadlineMs);
        QCOMPARE(form.ui.Command4->isEnabled(), !get);

        form.ui.Command2->click();
        QVERIFY(idle(form));
        QCOMPARE(form.lngCountCancel, 1);
        QCOMPARE(form.strTransferInfo, get ? QStringLiteral("Escape") : QStringLiteral("kept"));
        QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
        QVERIFY(w_->boxes.shown.isEmpty());
        if (!get)
            return;

        w_->server.setScript(ScriptServer::Reply("200 OK", "Content-Length: 10\r\n", 10));
        form.Command4_Click();
        QTRY_COMPARE_WITH_TIMEOUT(form.lngCountData, 1, kDeadlineMs);
        QTRY_VERIFY_WITH_TIMEOUT(idle(form), kDeadlineMs);
        QCOMPARE(w_->boxes.shown.size(), 1);
        QVERIFY2(w_->boxes.shown[0].text.startsWith(QStringLiteral("データ取得を完了しました。\r\n平均転送速度: ")),
                 qPrintable(w_->boxes.shown[0].text));
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
