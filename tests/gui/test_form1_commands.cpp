// The window driven as its user drives it, through the real transfer control
// and the scripted local server: the fetch commands and what they report, the
// URL box's clipboard watch, drops and history choices, the popup menu and the
// keyboard.
#include "support/window_fixture.h"

using namespace window_fixture;

class TestForm1Commands : public WindowTest {
    Q_OBJECT

private Q_SLOTS:
    // Each row: steps separated by ";", then what the window shows once it has settled. The window
    // starts with "restored" restored into the URL box, every option off and the server answering
    // "200 OK" with an empty body. Steps:
    //   url=T, referer=T   the URL or Referer box holds T
    //   auto, watch        automatic Referer, clipboard watch on
    //   reply=R            the server answers R, then a body as long as R's Content-Length, in
    //                      64 KiB pieces 30 ms apart, and closes the connection
    //   mute               the server never answers
    //   Enter, Enter1      Enter in the URL box, in the Referer box
    //   GET                the get-data command
    //   release            the release button, once a request is under way
    //   clip=T             the clipboard holds T
    //   focus, back        the focus moves into the URL box, or comes back with the window
    //   drop=T             T is dropped on the URL box ("links:" and an address: a list of two links)
    //   history=T          the history file holds T, whose entry is chosen from the popup menu
    //   show               the window is shown, with the focus in the Referer box
    //   right@X,Y          a right click at X,Y of the window
    //   key=K@X,Y          the keys K on the control at X,Y of the window
    // {h} stands for "http://127.0.0.1:" and this run's port, {long} for a text one character longer
    // than the URL box holds.
    // Seen, separated by "¦": the URL box ("busy" before it unless the window is at rest), its
    // selection, each box's title and first line, the state line and the second status line
    // ("start" for both as they are after start), the requests completed, downloaded, failed and
    // released, each request's first line and Referer line, the Referer box, the history file
    // (<unreadable> while there is none), the header box's first line, the pointer afterwards (2, a
    // cross, as before; 0 the arrow) and, after "/", while a download was a third done (16, busy),
    // and "popup" while the popup menu is open.
    void commands_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("seen");
        testdata::AddTextRows({
            // The automatic Referer replaces the typed one. Enter in the Referer box gets the headers,
            // as it does in the URL box; the get-header command clears the second status line; an
            // answer 200 is recorded in the history.
            "url={h}/dir/page.html;referer=typed;auto;Enter1|{h}/dir/page.html¦¦¦"
            "要求処理が完了し、すべてのデータが受信されました。¦¦1 0 0 0¦"
            "HEAD /dir/page.html HTTP/1.1\r\nReferer: {h}/dir/¦{h}/dir/¦{h}/dir/page.html¦HTTP/1.1 200 OK¦2",
            // Refused: nothing is sent.
            "url=  example.com ;referer=r;Enter|example.com¦¦"
            "警告:URL の書式が正しくないため、読み込みできませんでした。¦Tobrell ver 1.00 Feb 2006¦¦"
            "0 0 0 0¦¦r¦<unreadable>¦ヘッダフィールド¦2",
            "url={h}/p;referer=x\rX-Injected: 1;GET|{h}/p¦¦"
            "警告:URL か Referer に改行などの制御文字が含まれているため、要求を送信しませんでした。¦start¦"
            "0 0 0 0¦¦x\rX-Injected: 1¦<unreadable>¦ヘッダフィールド¦2",
            // Only an answer 200 is recorded in the history.
            "url={h}/f.bin;reply=HTTP/1.1 204 No Content\r\n\r\n;Enter|{h}/f.bin¦¦¦"
            "要求処理が完了し、すべてのデータが受信されました。¦¦1 0 0 0¦HEAD /f.bin HTTP/1.1¦　¦"
            "<unreadable>¦HTTP/1.1 204 No Content¦2",
            // A GET not answered 200 counts as failed and downloads nothing; an unasked-for switch of
            // protocols is a final answer too.
            "url={h}/f.bin;reply=HTTP/1.1 206 Partial Content\r\nContent-Length: 1000\r\n\r\n;GET|"
            "{h}/f.bin¦¦情報:HTTP Status Code 206¦ホストコンピュータとの接続を正常に解除しました。¦"
            "Header: 0 Data: 0 Fail: 0 Cancel: 0¦1 0 1 0¦GET /f.bin HTTP/1.1¦　¦<unreadable>¦"
            "HTTP/1.1 206 Partial Content¦2",
            "url={h}/f.bin;reply=HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\n"
            "Connection: Upgrade\r\nContent-Length: 1000\r\n\r\n;GET|"
            "{h}/f.bin¦¦情報:HTTP Status Code 101¦ホストコンピュータとの接続を正常に解除しました。¦"
            "Header: 0 Data: 0 Fail: 0 Cancel: 0¦1 0 1 0¦GET /f.bin HTTP/1.1¦　¦<unreadable>¦"
            "HTTP/1.1 101 Switching Protocols¦2",
            "url={h}/f.bin;reply=HTTP/1.1 200 OK\r\nContent-Length: 196608\r\n\r\n;GET|"
            "{h}/f.bin¦¦情報:データ取得を完了しました。¦ホストコンピュータとの接続を正常に解除しました。¦"
            "100 %  192.00 KB (196,608 / 196,608)¦1 1 0 0¦GET /f.bin HTTP/1.1¦　¦{h}/f.bin¦"
            "HTTP/1.1 200 OK¦0/16",
            // Without an answer only the reason is given: no count, no box; the get-data button works
            // again.
            "url={h}/x;reply=;GET|{h}/x¦¦¦ホストコンピュータとの通信中にエラーが発生しました。¦"
            "接続が切断されました。 (Empty reply from server)¦0 0 0 0¦GET /x HTTP/1.1¦　¦<unreadable>¦"
            "ヘッダフィールド¦2",
            // A release ends a request at once; during a HEAD it leaves the pointer as it was. After a
            // released GET the next one completes normally, with no interruption warning.
            "mute;url={h}/never;Enter;release|{h}/never¦¦¦ホストコンピュータとの接続を正常に解除しました。¦¦"
            "0 0 0 1¦HEAD /never HTTP/1.1¦　¦<unreadable>¦ヘッダフィールド¦2",
            "mute;url={h}/never;GET;release;reply=HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n;GET|"
            "{h}/never¦¦情報:データ取得を完了しました。¦ホストコンピュータとの接続を正常に解除しました。¦"
            "100 %  0.01 KB (10 / 10)¦1 1 0 1¦GET /never HTTP/1.1\r\nGET /never HTTP/1.1¦　¦{h}/never¦"
            "HTTP/1.1 200 OK¦0",
            // Clipboard watch: the first focus, on the restored address, only selects it; the next
            // one pastes and fetches.
            "watch;clip={h}/page;focus|restored¦restored¦¦start¦0 0 0 0¦¦¦<unreadable>¦ヘッダフィールド¦2",
            "watch;clip={h}/page;focus;focus|{h}/page¦{h}/page¦¦"
            "要求処理が完了し、すべてのデータが受信されました。¦¦1 0 0 0¦HEAD /page HTTP/1.1¦　¦{h}/page¦"
            "HTTP/1.1 200 OK¦2",
            "url=other;clip={h}/page;focus|other¦other¦¦start¦0 0 0 0¦¦¦<unreadable>¦ヘッダフィールド¦2",
            "watch;url=other;clip={h}/page;back|other¦other¦¦start¦0 0 0 0¦¦¦<unreadable>¦ヘッダフィールド¦2",
            // One warning each: the focus that comes back when it closes does not paste again.
            "watch;url=other;clip={long};focus|other¦other¦"
            "警告:URL の書式が正しくないため、読み込みできませんでした。¦start¦0 0 0 0¦¦¦<unreadable>¦"
            "ヘッダフィールド¦2",
            "watch;url=other;clip=not an address;focus|not an address¦not an address¦"
            "警告:URL の書式が正しくないため、読み込みできませんでした。¦Tobrell ver 1.00 Feb 2006¦¦"
            "0 0 0 0¦¦¦<unreadable>¦ヘッダフィールド¦2",
            // A drop is fetched at once; its own focus move does not paste the clipboard over it. A
            // text longer than the box holds is refused, not cut.
            "show;watch;clip=http://clipboard.invalid/;drop=  {h}/page|{h}/page¦{h}/page¦¦"
            "要求処理が完了し、すべてのデータが受信されました。¦¦1 0 0 0¦HEAD /page HTTP/1.1¦　¦{h}/page¦"
            "HTTP/1.1 200 OK¦2",
            "show;watch;drop=links:{h}/page|{h}/page¦{h}/page¦¦"
            "要求処理が完了し、すべてのデータが受信されました。¦¦1 0 0 0¦HEAD /page HTTP/1.1¦　¦{h}/page¦"
            "HTTP/1.1 200 OK¦2",
            "show;url=other;drop={long}|other¦¦警告:URL の書式が正しくないため、読み込みできませんでした。¦"
            "start¦0 0 0 0¦¦¦<unreadable>¦ヘッダフィールド¦2",
            // While a request is under way a drop changes nothing.
            "mute;url={h}/busy;GET;drop={h}/page|busy {h}/busy¦¦¦要求を正常に送信しました。¦"
            "Header: 0 Data: 0 Fail: 0 Cancel: 0¦0 0 0 0¦GET /busy HTTP/1.1¦　¦<unreadable>¦"
            "ヘッダフィールド¦2",
            // A history choice is fetched; with clipboard watch off the URL box takes the focus, with
            // it on the focus stays, so that the clipboard is not pasted over the choice.
            "show;history={h}/page|{h}/page¦{h}/page¦¦"
            "要求処理が完了し、すべてのデータが受信されました。¦¦1 0 0 0¦HEAD /page HTTP/1.1¦　¦{h}/page¦"
            "HTTP/1.1 200 OK¦2",
            "show;watch;clip=http://clipboard.invalid/;history={h}/page|{h}/page¦¦¦"
            "要求処理が完了し、すべてのデータが受信されました。¦¦1 0 0 0¦HEAD /page HTTP/1.1¦　¦{h}/page¦"
            "HTTP/1.1 200 OK¦2",
            // The popup menu opens on a right click on the bare window, the status frame and its
            // labels, and from the keyboard on any control but the two single-line text boxes, which
            // have their own menu. Tab leaves the header box; Enter presses the focused button.
            "show;right@5,5|restored¦¦¦start¦0 0 0 0¦¦¦<unreadable>¦ヘッダフィールド¦2 popup",
            "show;right@18,254|restored¦¦¦start¦0 0 0 0¦¦¦<unreadable>¦ヘッダフィールド¦2 popup",
            "show;right@30,270|restored¦¦¦start¦0 0 0 0¦¦¦<unreadable>¦ヘッダフィールド¦2 popup",
            "show;right@285,290|restored¦¦¦start¦0 0 0 0¦¦¦<unreadable>¦ヘッダフィールド¦2 popup",
            "show;right@30,290|restored¦¦¦start¦0 0 0 0¦¦¦<unreadable>¦ヘッダフィールド¦2 popup",
            "show;right@20,185|restored¦¦¦start¦0 0 0 0¦¦¦<unreadable>¦ヘッダフィールド¦2",
            "show;right@80,230|restored¦¦¦start¦0 0 0 0¦¦¦<unreadable>¦ヘッダフィールド¦2",
            "show;key=Shift+F10@80,230|restored¦¦¦start¦0 0 0 0¦¦¦<unreadable>¦ヘッダフィールド¦2 popup",
            "show;key=Menu@270,205|restored¦¦¦start¦0 0 0 0¦¦¦<unreadable>¦ヘッダフィールド¦2 popup",
            "show;key=Menu@20,50|restored¦¦¦start¦0 0 0 0¦¦¦<unreadable>¦ヘッダフィールド¦2 popup",
            "show;key=Shift+F10@20,50|restored¦¦¦start¦0 0 0 0¦¦¦<unreadable>¦ヘッダフィールド¦2 popup",
            "show;key=Shift+F10@20,20|restored¦restored¦¦start¦0 0 0 0¦¦¦<unreadable>¦ヘッダフィールド¦2",
            "show;key=Tab@20,50|restored¦restored¦¦start¦0 0 0 0¦¦¦<unreadable>¦ヘッダフィールド¦2",
            "show;key=Return@80,230|restored¦¦警告:URL の書式が正しくないため、読み込みできませんでした。¦"
            "Tobrell ver 1.00 Feb 2006¦¦0 0 0 0¦¦¦<unreadable>¦ヘッダフィールド¦2",
        });
    }

    void commands()
    {
        QFETCH(QString, steps);
        QFETCH(QString, seen);
        QVERIFY(w_->openWindow("[String]\nURL=restored\n"));
        Form1 &form = *w_->form;
        Form1Ui &ui = form.ui;
        const QString server = w_->server.url("");
        w_->server.setScript(ScriptServer::Reply("200 OK", "Content-Length: 0\r\n"));
        form.setCursor(Qt::CrossCursor);
        QString during;
        const auto watch = ActWhen([&ui] { return ui.Label4->text().startsWith("33 %"); },
            [&] { during = '/' + QString::number(form.cursor().shape()); });

        for (const QString &step : steps.split(u';')) {
            const QString verb = step.section(QRegularExpression("[=@]"), 0, 0);
            const QString arg = step.section(u'=', 1)
                                    .section(u'@', 0, 0)
                                    .replace("{h}", server)
                                    .replace("{long}", QString(32768, u'a'));
            const QPoint point(
                step.section(u'@', 1).section(u',', 0, 0).toInt(), step.section(u',', 1).toInt());
            if (verb == "url" || verb == "referer")
                (verb == "url" ? ui.Text3 : ui.Text1)->setText(arg);
            else if (verb == "auto" || verb == "watch")
                (verb == "auto" ? ui.Check2 : ui.Check1)->setChecked(true);
            else if (verb == "reply") {
                const qint64 body = QRegularExpression("Length: (\\d+)").match(arg).captured(1).toLongLong();
                w_->server.setScript({ScriptServer::Send(arg.toLatin1()), ScriptServer::Body(body, 65536, 30),
                    ScriptServer::Close()});
            } else if (verb == "mute")
                w_->server.setScript({});
            else if (verb.startsWith("Enter"))
                QTest::keyClick(verb == "Enter" ? ui.Text3 : ui.Text1, Qt::Key_Return);
            else if (verb == "GET")
                form.Command4_Click();
            else if (verb == "clip")
                QGuiApplication::clipboard()->setText(arg);
            else if (verb == "right") // the window hears of a right click that its controls leave
                QTest::mouseClick(&form, Qt::RightButton, {}, point);
            else if (verb == "release") {
                // Once the request is on the wire, so that what the server saw is known; meanwhile
                // "ヘッダ取得" cannot be pressed.
                QTRY_VERIFY_WITH_TIMEOUT(
                    !ui.Command1->isEnabled() && !w_->server.requests().isEmpty(), kDeadlineMs);
                ui.Command2->click();
                QVERIFY(idle(form));
            } else if (verb == "focus" || verb == "back") {
                QFocusEvent event(
                    QEvent::FocusIn, verb == "focus" ? Qt::MouseFocusReason : Qt::ActiveWindowFocusReason);
                QApplication::sendEvent(ui.Text3, &event);
            } else if (verb == "drop") {
                QMimeData data;
                arg.startsWith("links:") ? data.setUrls({arg.mid(6), QUrl("http://second.invalid/")})
                                         : data.setText(arg);
                QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
                QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
                QApplication::sendEvent(ui.Text3, &enter);
                QApplication::sendEvent(ui.Text3, &drop);
            } else if (verb == "history") {
                QVERIFY(testdata::WriteFile("rireki.txt", arg.toUtf8()));
                form.menuTop_Click();
                QVERIFY(!ui.menuCpy[0]->isVisible()); // "無し" gives way to the entries
                ui.menuCpy[1]->trigger();
            } else if (verb == "show") {
                form.show();
                QVERIFY(QTest::qWaitForWindowActive(&form));
                QCoreApplication::processEvents(); // the selection that the first focus left to do
                ui.Text1->setFocus();
            } else if (verb == "key") {
                form.childAt(point)->setFocus();
                QTest::keySequence(form.focusWidget(), QKeySequence(arg));
            }
        }
        const auto describe = [&] {
            QStringList boxes;
            for (const RecordingBoxes::Box &box : w_->boxes.shown)
                boxes << box.title + ':' + box.text.section("\r\n", 0, 0);
            return QStringList({(idle(form) ? "" : "busy ") + ui.Text3->text(), ui.Text3->selectedText(),
                                   boxes.join(','), ui.Label1->text(), ui.Label4->text(),
                                   QString::asprintf("%d %d %d %d", form.lngCountHead, form.lngCountData,
                                       form.lngCountFail, form.lngCountCancel),
                                   QString::fromLatin1(w_->server.requests().join())
                                       .remove(QRegularExpression("\r\n(?!Referer|GET|HEAD)[^\r]*")),
                                   ui.Text1->text(), testdata::ReadFile("rireki.txt"),
                                   ui.Text2->toPlainText().section('\n', 0, 0),
                                   QString::number(form.cursor().shape()) + during
                                       + (ui.menuTop->isVisible() ? " popup" : "")})
                .join(u'¦')
                .replace(server, "{h}")
                .replace("Tobrell ver 1.00 Feb 2006¦Header: 0 Data: 0 Fail: 0 Cancel: 0", "start");
        };
        QTRY_COMPARE_WITH_TIMEOUT(describe(), seen, kDeadlineMs);
    }
};

QTEST_MAIN(TestForm1Commands)
#include "test_form1_commands.moc"
