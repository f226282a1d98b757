// The fetch commands and the state handling of the window, driven through
// the real transfer control against the scripted local server, and the URL
// box's conveniences: clipboard watch on focus, dropped text and a history
// choice.
#include "support/window_fixture.h"

#include <QClipboard>
#include <QFocusEvent>
#include <QImage>
#include <QMimeData>
#include <QtTest>

using window_fixture::busy;
using window_fixture::idle;
using window_fixture::kDeadlineMs;

namespace {

void FocusIn(QLineEdit *box, Qt::FocusReason reason)
{
    QFocusEvent event(QEvent::FocusIn, reason);
    QApplication::sendEvent(box, &event);
}

// "image": an image and no text; "links:" and an address: a list of two links; else text.
QMimeData *Data(const QString &content)
{
    auto *data = new QMimeData;
    if (content == u"image")
        data->setImageData(QImage(4, 4, QImage::Format_RGB32));
    else if (content.startsWith(u"links:"))
        data->setUrls({QUrl(content.mid(6)), QUrl(QStringLiteral("http://second.invalid/"))});
    else
        data->setText(content);
    return data;
}

} // namespace


class TestForm1Commands : public window_fixture::WindowTest {
    Q_OBJECT

private Q_SLOTS:
    void requestPreparation_data()
    {
        QTest::addColumn<QString>("entry");   // "GET", or Enter in "Text3" or in "Text1"
        QTest::addColumn<QString>("typed");   // the URL box
        QTest::addColumn<QString>("referer"); // the Referer box
        QTest::addColumn<bool>("automatic");  // "リファラ自動"
        // The URL box | the boxes shown | the second status line (it read "previous") | the request line
        // | the Referer box | the Referer line on the wire; "{host}" stands for 127.0.0.1 and this run's port.
        QTest::addColumn<QString>("after");

        const QString page = QStringLiteral("http://{host}/dir/page.html");
        const QString headPage = page + QStringLiteral("|||HEAD /dir/page.html HTTP/1.1|http://{host}/dir/|Referer: http://{host}/dir/");
        const QString unsafe = QStringLiteral("|URL か Referer に改行などの制御文字が含まれているため、要求を送信しませんでした。|previous|");
        QTest::newRow("Enter in the URL box") << "Text3" << page << "" << true << headPage;
        QTest::newRow("Enter in the Referer box") << "Text1" << page << "typed" << true << headPage;
        // The automatic Referer never carries the user's password or the fragment; the address keeps them.
        QTest::newRow("user, password and fragment") << "GET" << "http://alice:s3cret@{host}/dir/#sec/x" << "" << true
            << "http://alice:s3cret@{host}/dir/#sec/x||previous|GET /dir/ HTTP/1.1|http://{host}/dir/|Referer: http://{host}/dir/";
        // An empty Referer box holds an ideographic space; no Referer line goes out for it.
        QTest::newRow("ftp over http") << "GET" << "ftp://{host}/pub/" << "" << false
            << "http://{host}/pub/|FTP には対応していません。HTTP で接続を試みます。|previous|GET /pub/ HTTP/1.1|\u3000|";
        // Refused: nothing is sent; the get-header command clears the second status line all the same. (A line
        // break in the address is refused like one in the Referer box: see the URL box's drop.)
        QTest::newRow("no address") << "Text3" << "  example.com " << "r" << true
            << "example.com|URL の書式が正しくないため、読み込みできませんでした。|||r|";
        QTest::newRow("CR in the Referer box") << "GET" << page << "x\rX-Injected: 1" << false << page + unsafe + "|x\rX-Injected: 1|";
    }

    void requestPreparation()
    {
        QFETCH(QString, entry);
        QFETCH(QString, typed);
        QFETCH(QString, referer);
        QFETCH(bool, automatic);
        QFETCH(QString, after);
        const QString host = QStringLiteral("127.0.0.1:%1").arg(w_->server.port());
        typed.replace(QStringLiteral("{host}"), host);
        after.replace(QStringLiteral("{host}"), host);

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
        QStringList seen = {form.ui.Text3->text(), w_->boxes.texts().join(u','), form.ui.Label4->text()};
        const bool sent = !after.section(u'|', 3, 3).isEmpty();
        QTRY_VERIFY_WITH_TIMEOUT(idle(form) && w_->server.requests().size() == int(sent), kDeadlineMs);

        const QByteArray request = w_->server.requests().value(0);
        const qsizetype at = request.indexOf("\r\nReferer: ") + 2;
        const QByteArray wire = at < 2 ? QByteArray() : request.mid(at, request.indexOf("\r\n", at) - at);
        seen << QString::fromLatin1(window_fixture::LastRequestLine(w_->server)) << form.ui.Text1->text() << QString::fromUtf8(wire);
        QCOMPARE(seen.join(u'|'), after);
    }

    void responseOutcomes_data()
    {
        QTest::addColumn<QString>("url"); // "{server}": this run's server
        QTest::addColumn<ScriptServer::Script>("script");
        // The command | the state line | the second one up to its detail in brackets | completed, downloaded,
        // failed | each box's title and first line | the history file ("{url}": the address) | the header
        // box's first line | the pointer during the download ("-": none ran) and after it.
        QTest::addColumn<QString>("outcome");

        using S = ScriptServer;
        const QString server = QStringLiteral("{server}/f.bin");
        const QString head = QStringLiteral("HEAD|要求処理が完了し、すべてのデータが受信されました。||1 0 0||before");
        const QString get = QStringLiteral("GET|ホストコンピュータとの接続を正常に解除しました。|Header: 0 Data: 0 Fail: 0 Cancel: 0|1 0 1|情報:HTTP Status Code ");
        const auto reply = [](const char *status, qint64 body = 0) { return S::Reply(status, "Content-Length: 1000\r\n", body); };
        // Only an answer 200 is recorded in the history, after what was there.
        QTest::newRow("HEAD 200") << server << reply("200 OK") << head + "\r\n{url}|HTTP/1.1 200 OK|-/0";
        QTest::newRow("HEAD 204") << server << reply("204 No Content") << head + "|HTTP/1.1 204 No Content|-/0";
        // A GET not answered 200 counts as failed and downloads nothing.
        QTest::newRow("GET 206") << server << reply("206 Partial Content", 1000) << get + "206|before|HTTP/1.1 206 Partial Content|-/0";
        // An unasked-for switch of protocols is a final answer, and not a download.
        QTest::newRow("GET 101") << server << S::Reply("101 Switching Protocols", "Upgrade: websocket\r\nConnection: Upgrade\r\n", 1000)
                                 << get + "101|before|HTTP/1.1 101 Switching Protocols|-/0";
        // The body comes in pieces, so that the pointer is seen while they are read.
        QTest::newRow("GET 200") << server
                                 << S::Script{S::Send("HTTP/1.1 200 OK\r\nContent-Length: 196608\r\n\r\n"), S::Body(196608, 65536, 30), S::Close()}
                                 << "GET|ホストコンピュータとの接続を正常に解除しました。|100 %  192.00 KB|1 1 0|情報:データ取得を完了しました。|before\r\n{url}|HTTP/1.1 200 OK|16/0";
        // Without an answer only the reason is given: no count, no box, the header box as it was.
        QTest::newRow("GET refused") << QStringLiteral("http://127.0.0.1:%1/x").arg(S::RefusedPort()) << S::Script()
                                     << "GET|ホストコンピュータとの通信中にエラーが発生しました。|接続が拒否されました。|0 0 0||before|ヘッダフィールド|-/0";
    }

    void responseOutcomes()
    {
        QFETCH(QString, url);
        QFETCH(ScriptServer::Script, script);
        QFETCH(QString, outcome);
        url.replace(QStringLiteral("{server}"), w_->server.url(QString()));
        outcome.replace(QStringLiteral("{url}"), url);

        Form1 &form = *w_->form;
        QVERIFY(testdata::WriteFile(QStringLiteral("rireki.txt"), "before"));
        w_->server.setScript(script);
        form.ui.Text3->setText(url);
        QString during = QStringLiteral("-");
        const auto downloading = [&form] { return !form.ui.Command4->isEnabled() && form.ui.Label4->text().contains(u" %  "); };
        const auto watch = window_fixture::ActWhen(downloading, [&] { during = QString::number(form.cursor().shape()); });
        outcome.startsWith(u"GET") ? form.Command4_Click() : form.Command1_Click();
        // The last state line of the request, shown when the window is idle again.
        QTRY_COMPARE_WITH_TIMEOUT(idle(form) ? form.ui.Label1->text() : QString(), outcome.section(u'|', 1, 1), kDeadlineMs);

        QStringList seen = {outcome.section(u'|', 0, 0), form.ui.Label1->text(), form.ui.Label4->text().section(QStringLiteral(" ("), 0, 0),
                            QStringLiteral("%1 %2 %3").arg(form.lngCountHead).arg(form.lngCountData).arg(form.lngCountFail), {},
                            QString::fromLatin1(testdata::ReadFile(QStringLiteral("rireki.txt"))),
                            form.ui.Text2->toPlainText().section(u'\n', 0, 0), during + u'/' + QString::number(form.cursor().shape())};
        for (const RecordingBoxes::Box &box : w_->boxes.shown)
            seen[4] += box.title + u':' + box.text.section(QStringLiteral("\r\n"), 0, 0);
        QCOMPARE(seen.join(u'|'), outcome);
    }

    void release_data()
    {
        QTest::addColumn<bool>("get");
        QTest::addColumn<QString>("after"); // releases counted | the interruption marker | the pointer
        // A release during a HEAD marks nothing and leaves the pointer as it was (a cross here).
        QTest::newRow("HEAD") << false << "1|[]|2";
        QTest::newRow("GET") << true << "1|[Escape]|0";
    }

    // A release ends a request at once; the next GET completes normally.
    void release()
    {
        QFETCH(bool, get);
        Form1 &form = *w_->form;
        form.setCursor(Qt::CrossCursor);
        form.ui.Text3->setText(w_->server.url(QStringLiteral("/never")));
        get ? form.Command4_Click() : form.Command1_Click();
        QTRY_VERIFY_WITH_TIMEOUT(busy(form), kDeadlineMs);
        QCOMPARE(form.ui.Command4->isEnabled(), !get);

        form.ui.Command2->click();
        QVERIFY(idle(form));
        QTEST(QStringLiteral("%1|[%2]|%3").arg(form.lngCountCancel).arg(form.strTransferInfo).arg(form.cursor().shape()),
              "after");

        w_->server.setScript(ScriptServer::Reply("200 OK", "Content-Length: 10\r\n", 10));
        form.Command4_Click();
        QTRY_VERIFY_WITH_TIMEOUT(idle(form) && form.lngCountData == 1, kDeadlineMs);
        QCOMPARE(w_->boxes.shown.size(), 1); // the completion box alone: no box at the release, no interruption warning
    }

    void takeAddress_data()
    {
        // "focus" moved in, "window": came back with the window, "drop", or "history": chosen from the history
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("watch");   // clipboard watch
        QTest::addColumn<QString>("box");  // "restored": still the address restored at start
        QTest::addColumn<QString>("data"); // on the clipboard, or dropped
        QTest::addColumn<bool>("busy");    // a transfer already runs
        // The box afterwards | its selection | the boxes shown | the last request line | the restored address kept
        QTest::addColumn<QString>("after");

        const auto row = [](const char *name, const char *how, bool watch, const char *box, const char *data,
                            bool busy, const QString &after) {
            QTest::newRow(name) << how << watch << box << data << busy << after;
        };
        const QString bad = QStringLiteral("|URL の書式が正しくないため、読み込みできませんでした。|");
        row("first focus only selects", "focus", true, "restored", "{url}", false, "restored|restored|||");
        row("watch on: pasted and fetched", "focus", true, "other", "{url}", false, "{url}|{url}||HEAD /page HTTP/1.1|restored");
        row("watch off", "focus", false, "other", "{url}", false, "other|other|||restored");
        row("clipboard without text", "focus", true, "other", "image", false, "other|other|||restored");
        row("back from another window", "window", true, "other", "{url}", false, "other|other|||restored");
        // The focus that comes back when the warning closes does not paste again.
        row("longer than the box: nothing fetched", "focus", true, "other", "{long}", false, "other|other" + bad + "|restored");
        row("no address: one warning", "focus", true, "other", "not an address", false,
            "not an address|not an address" + bad + "|restored");
        // The drop's own focus move does not paste the clipboard over the dropped text.
        row("drop text", "drop", true, "other", "  {url}", false, "{url}|{url}||HEAD /page HTTP/1.1|");
        row("drop links: the first", "drop", true, "other", "links:{url}", false, "{url}|{url}||HEAD /page HTTP/1.1|");
        row("drop text with a line break", "drop", true, "other", "{url}\nX: 1", false,
            "{url}\nX: 1|{url}\nX: 1|URL か Referer に改行などの制御文字が含まれているため、要求を送信しませんでした。||");
        row("drop longer than the box", "drop", true, "other", "{long}", false, "other|" + bad + '|');
        row("drop without text", "drop", true, "other", "image", false, "other||||");
        row("drop while a transfer runs", "drop", true, "other", "{url}", true, "other|||GET /busy HTTP/1.1|");
        row("history, watch off: the box takes the focus", "history", false, "other", "{url}", false,
            "{url}|{url}||HEAD /page HTTP/1.1|");
        // With clipboard watch on the focus stays, so the clipboard is not pasted over the chosen address.
        row("history, watch on", "history", true, "other", "{url}", false, "{url}|||HEAD /page HTTP/1.1|");
    }

    void takeAddress()
    {
        QFETCH(QString, how);
        QFETCH(bool, watch);
        QFETCH(QString, box);
        QFETCH(QString, data);
        QFETCH(bool, busy);
        QFETCH(QString, after);

        QVERIFY(w_->openWindow("[String]\nURL=restored\n"));
        w_->server.setScript(ScriptServer::Reply("200 OK", "Content-Length: 0\r\n"));
        // "{url}" stands for the server's /page, "{long}" for that address made one character longer
        // than the URL box holds.
        const QString url = w_->server.url(QStringLiteral("/page"));
        const auto expand = [&url](QString text) {
            return text.replace(QStringLiteral("{url}"), url).replace(QStringLiteral("{long}"), url + u'?' + QString(32767 - url.size(), u'a'));
        };
        Form1 &form = *w_->form;
        const bool shown = how == u"drop" || how == u"history";
        if (shown) { // so that focus really moves
            form.show();
            QVERIFY(QTest::qWaitForWindowActive(&form));
            QCoreApplication::processEvents(); // the selection that the first focus left to do
            form.ui.Text1->setFocus();
            QGuiApplication::clipboard()->setText(QStringLiteral("http://clipboard.invalid/"));
        }
        form.ui.Check1->setChecked(watch);
        if (busy) {
            form.ui.Text3->setText(w_->server.url(QStringLiteral("/busy")));
            w_->server.setScript({});
            form.Command4_Click();
            QTRY_COMPARE_WITH_TIMEOUT(w_->server.requests().size(), 1, kDeadlineMs);
        }
        form.ui.Text3->setText(box);
        if (!shown) // the focus comes back to the box when a warning closes
            w_->boxes.onShow = [&form](const RecordingBoxes::Box &) { FocusIn(form.ui.Text3, Qt::ActiveWindowFocusReason); };
        std::unique_ptr<QMimeData> content(Data(expand(data)));
        if (how == u"history") {
            QVERIFY(testdata::WriteFile(QStringLiteral("rireki.txt"), expand(data).toUtf8()));
            form.menuTop_Click();
            form.ui.menuCpy[1]->trigger();
        } else if (how == u"drop") {
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, content.get(), Qt::LeftButton, {});
            QApplication::sendEvent(form.ui.Text3, &enter);
            QDropEvent event(QPointF(5, 5), Qt::CopyAction, content.get(), Qt::LeftButton, {});
            QApplication::sendEvent(form.ui.Text3, &event);
        } else {
            QGuiApplication::clipboard()->setMimeData(content.release());
            FocusIn(form.ui.Text3, how == u"focus" ? Qt::MouseFocusReason : Qt::ActiveWindowFocusReason);
        }
        if (how == u"focus" && form.Inet1->StillExecuting()) {
            // While that request runs, another focus changes nothing.
            QGuiApplication::clipboard()->setText(QStringLiteral("http://clipboard.invalid/"));
            FocusIn(form.ui.Text3, Qt::MouseFocusReason);
        }
        QTRY_VERIFY_WITH_TIMEOUT(busy || idle(form), kDeadlineMs);
        const QStringList seen = {form.ui.Text3->text(), form.ui.Text3->selectedText(), w_->boxes.texts().join(u','),
                                  QString::fromLatin1(window_fixture::LastRequestLine(w_->server)), form.strLastURL};
        QCOMPARE(seen.join(u'|'), expand(after));
    }
};


QTEST_MAIN(TestForm1Commands)
#include "test_form1_commands.moc"
