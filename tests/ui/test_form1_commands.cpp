// The fetch commands and the state handling of the window, driven through
// the real transfer control against the scripted local server.
#include "engine/state_report.h"
#include "support/window_fixture.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest>

using window_fixture::busy;
using window_fixture::idle;
using window_fixture::kDeadlineMs;

class TestForm1Commands : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void startShowsVersionAndCounters();
    void everyStateMessageFitsTheStateLine();
    void rejectedAddressSendsNothing_data();
    void rejectedAddressSendsNothing();
    void completedAddressIsRequested_data();
    void completedAddressIsRequested();
    void refererOnTheWire_data();
    void refererOnTheWire();
    void lineBreakIsRefused_data();
    void lineBreakIsRefused();
    void responseOutcomes_data();
    void responseOutcomes();
    void releaseDuringHead();
    void releaseDuringGetThenNextGetCompletes();
    void getRefusedWhileBusyStaysEnabled();
    void failedGetReturnsToIdleAndSaysWhy();
    void unknownStateEmptiesStateLine();

private:
    std::unique_ptr<window_fixture::ScriptedWindow> w_;
};

void TestForm1Commands::init()
{
    w_ = std::make_unique<window_fixture::ScriptedWindow>();
    QVERIFY(w_->start());
}

void TestForm1Commands::startShowsVersionAndCounters()
{
    QCOMPARE(w_->form->ui.Label1->text(), QStringLiteral("Tobrell ver 1.00 Feb 2006"));
    QCOMPARE(w_->form->ui.Label4->text(), QStringLiteral("Header: 0 Data: 0 Fail: 0 Cancel: 0"));
    QVERIFY(QFileInfo(w_->program.path() + QStringLiteral("/download")).isDir());
    QVERIFY(idle(*w_->form));
}

void TestForm1Commands::everyStateMessageFitsTheStateLine()
{
    const QFontMetrics metrics(w_->form->ui.Label1->font());
    for (int state = 0; state <= engine::kLastState; ++state)
        QVERIFY2(metrics.horizontalAdvance(engine::StateMessage(state)) <= w_->form->ui.Label1->contentsRect().width(),
                 qPrintable(engine::StateMessage(state)));
}

void TestForm1Commands::rejectedAddressSendsNothing_data()
{
    QTest::addColumn<bool>("get");
    QTest::newRow("get header") << false;
    QTest::newRow("get data") << true;
}

void TestForm1Commands::rejectedAddressSendsNothing()
{
    QFETCH(bool, get);
    Form1 &form = *w_->form;
    form.ui.Label4->setText(QStringLiteral("previous"));
    form.ui.Text3->setText(QStringLiteral("  example.com "));
    get ? form.Command4_Click() : form.Command1_Click();

    QCOMPARE(w_->boxes.texts(), QStringList{QStringLiteral("URL の書式が正しくないため、読み込みできませんでした。")});
    QCOMPARE(form.ui.Text3->text(), QStringLiteral("example.com"));
    QVERIFY(!form.Inet1->StillExecuting());
    QVERIFY(form.ui.Command4->isEnabled());
    QCOMPARE(form.lngCountHead, 0);
    // Only the get-header command clears the second status line.
    QCOMPARE(form.ui.Label4->text(), get ? QStringLiteral("previous") : QString());
    QCOMPARE(w_->server.connectionCount(), 0);
}

void TestForm1Commands::completedAddressIsRequested_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QByteArray>("requestLine");

    // "{host}" stands for this run's server, 127.0.0.1 and its port.
    QTest::newRow("mangled scheme, spaces") << " \u3000//{host}/x " << "http://{host}/x" << QStringList()
                                            << QByteArray("HEAD /x HTTP/1.1");
    QTest::newRow("ftp over http") << "ftp://{host}/pub/" << "http://{host}/pub/"
                                   << QStringList{"FTP には対応していません。HTTP で接続を試みます。"}
                                   << QByteArray("HEAD /pub/ HTTP/1.1");
    QTest::newRow("unknown protocol") << "HTTPS://{host}/" << "HTTPS://{host}/"
                                      << QStringList{"HTTPS は不明なプロトコルです。"} << QByteArray();
}

void TestForm1Commands::completedAddressIsRequested()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QStringList, boxes);
    QFETCH(QByteArray, requestLine);
    const QString host = QStringLiteral("127.0.0.1:%1").arg(w_->server.port());
    typed.replace(QStringLiteral("{host}"), host);
    shown.replace(QStringLiteral("{host}"), host);

    Form1 &form = *w_->form;
    w_->server.setScript(ScriptServer::Reply("200 OK", "Content-Length: 0\r\n"));
    form.ui.Text3->setText(typed);
    form.Command1_Click();
    QCOMPARE(form.ui.Text3->text(), shown);
    QCOMPARE(w_->boxes.texts(), boxes);
    QCOMPARE(form.Inet1->StillExecuting(), !requestLine.isEmpty());
    if (requestLine.isEmpty())
        return;
    QTRY_COMPARE_WITH_TIMEOUT(form.lngCountHead, 1, kDeadlineMs);
    QVERIFY(w_->server.requests().first().startsWith(requestLine + "\r\n"));
}

void TestForm1Commands::refererOnTheWire_data()
{
    QTest::addColumn<bool>("automatic");
    QTest::addColumn<QString>("path"); // of the requested address, after "http://" and "127.0.0.1:<port>"
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("boxAfter");
    QTest::addColumn<QByteArray>("line");

    // "{dir}" stands for the directory of the requested address on this run's server.
    QTest::newRow("automatic: the directory") << true << "/dir/page.html" << "ignored" << "{dir}"
                                              << QByteArray("Referer: {dir}");
    // A Referer never carries the user's password or the fragment.
    QTest::newRow("automatic: no user and password") << true << "alice:s3cret@{host}/dir/u.txt" << "" << "{dir}"
                                                     << QByteArray("Referer: {dir}");
    QTest::newRow("automatic: no fragment") << true << "/dir/#sec/x" << "" << "{dir}" << QByteArray("Referer: {dir}");
    QTest::newRow("empty box: ideographic space") << false << "/dir/page.html" << "" << QString(QChar(0x3000))
                                                  << QByteArray("Referer: \xE3\x80\x80");
    QTest::newRow("typed text, byte for byte, TAB too") << false << "/dir/page.html" << "http://例え.jp/ü\tx"
                                                        << "http://例え.jp/ü\tx"
                                                        << QStringLiteral("Referer: http://例え.jp/ü\tx").toUtf8();
}

void TestForm1Commands::refererOnTheWire()
{
    QFETCH(bool, automatic);
    QFETCH(QString, path);
    QFETCH(QString, typed);
    QFETCH(QString, boxAfter);
    QFETCH(QByteArray, line);
    const QString dir = w_->server.url(QStringLiteral("/dir/"));
    boxAfter.replace(QStringLiteral("{dir}"), dir);
    line.replace("{dir}", dir.toUtf8());
    const QString address = path.startsWith(u'/') ? w_->server.url(path)
        : QStringLiteral("http://") + QString(path).replace(QStringLiteral("{host}"), QStringLiteral("127.0.0.1:%1").arg(w_->server.port()));

    Form1 &form = *w_->form;
    w_->server.setScript(ScriptServer::Reply("200 OK", "Content-Length: 0\r\n"));
    form.ui.Check2->setChecked(automatic);
    form.ui.Text1->setText(typed);
    form.ui.Text3->setText(address);
    form.Command1_Click();
    QTRY_COMPARE_WITH_TIMEOUT(w_->server.requests().size(), 1, kDeadlineMs);
    QTRY_VERIFY_WITH_TIMEOUT(idle(form), kDeadlineMs);

    QCOMPARE(form.ui.Text1->text(), boxAfter);
    QCOMPARE(form.strRefererHeader, QStringLiteral("Referer: ") + boxAfter);
    const QByteArray request = w_->server.requests().first();
    QVERIFY2(request.startsWith("HEAD /dir/"), request.constData());
    QCOMPARE(form.ui.Text3->text(), address); // the address itself keeps what the user gave
    QVERIFY2(request.contains("\r\n" + line + "\r\n"), request.constData());
}

void TestForm1Commands::lineBreakIsRefused_data()
{
    QTest::addColumn<QString>("referer");
    QTest::addColumn<QString>("path");
    QTest::newRow("CR LF in the Referer box") << "x\r\nX-Injected: 1" << "/a";
    QTest::newRow("bare CR in the Referer box") << "x\rX-Injected: 1" << "/a";
    QTest::newRow("VT in the Referer box") << "x\v" << "/a";
    QTest::newRow("ESC in the Referer box") << "x\x1b[2J" << "/a";
    QTest::newRow("DEL in the Referer box") << "x\x7f" << "/a";
    QTest::newRow("in the address") << "" << "/a\nX-Injected: 1";
}

void TestForm1Commands::lineBreakIsRefused()
{
    QFETCH(QString, referer);
    QFETCH(QString, path);
    Form1 &form = *w_->form;
    form.ui.Check2->setChecked(false);
    form.ui.Text1->setText(referer);
    form.ui.Text3->setText(w_->server.url(path));
    form.Command4_Click();

    QCOMPARE(w_->boxes.texts(), QStringList{u"URL か Referer に改行などの制御文字が含まれているため、要求を送信しませんでした。"_qs});
    QCOMPARE(w_->boxes.shown[0].title, u"警告"_qs);
    QVERIFY(form.ui.Command4->isEnabled());
    QVERIFY(!form.Inet1->StillExecuting());
    QCOMPARE(w_->server.connectionCount(), 0);
}

void TestForm1Commands::responseOutcomes_data()
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

void TestForm1Commands::responseOutcomes()
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
    QCOMPARE(form.ui.Command4->isEnabled(), !get);
    QTRY_COMPARE_WITH_TIMEOUT(form.lngCountHead, 1, kDeadlineMs);
    QTRY_VERIFY_WITH_TIMEOUT(idle(form), kDeadlineMs);

    QCOMPARE(form.lngCountData, data);
    QCOMPARE(form.lngCountFail, fail);
    QCOMPARE(w_->boxes.shown.size(), boxes.size());
    for (int i = 0; i < boxes.size(); ++i)
        QVERIFY2(w_->boxes.shown[i].text.startsWith(boxes[i]), qPrintable(w_->boxes.shown[i].text));
    const QString shown = form.ui.Text2->toPlainText();
    QVERIFY2(shown.startsWith(QStringLiteral("HTTP/1.1 ") + QString::fromLatin1(status)), qPrintable(shown));
    QCOMPARE(QFile::exists(w_->program.path() + QStringLiteral("/download/f.bin")), data == 1);
}

void TestForm1Commands::releaseDuringHead()
{
    Form1 &form = *w_->form;
    form.strTransferInfo = QStringLiteral("kept");
    form.ui.Text3->setText(w_->server.url(QStringLiteral("/never")));
    form.Command1_Click();
    QTRY_VERIFY_WITH_TIMEOUT(busy(form), kDeadlineMs);
    QVERIFY(form.ui.Command4->isEnabled());

    form.ui.Command2->click();
    QVERIFY(idle(form));
    QCOMPARE(form.lngCountCancel, 1);
    QCOMPARE(form.strTransferInfo, QStringLiteral("kept"));
    QVERIFY(!form.testAttribute(Qt::WA_SetCursor));
    QVERIFY(w_->boxes.shown.isEmpty());
}

void TestForm1Commands::releaseDuringGetThenNextGetCompletes()
{
    Form1 &form = *w_->form;
    form.ui.Text3->setText(w_->server.url(QStringLiteral("/never")));
    form.Command4_Click();
    QTRY_VERIFY_WITH_TIMEOUT(busy(form), kDeadlineMs);
    form.ui.Command2->click();
    QVERIFY(form.ui.Command4->isEnabled());
    QCOMPARE(form.strTransferInfo, QStringLiteral("Escape"));
    QCOMPARE(form.lngCountCancel, 1);
    QVERIFY(idle(form));

    // The release belonged to the GET it ended, not to the next one.
    w_->server.setScript(ScriptServer::Reply("200 OK", "Content-Length: 10\r\n", 10));
    form.Command4_Click();
    QTRY_COMPARE_WITH_TIMEOUT(form.lngCountData, 1, kDeadlineMs);
    QTRY_VERIFY_WITH_TIMEOUT(idle(form), kDeadlineMs);
    QCOMPARE(w_->boxes.shown.size(), 1);
    QVERIFY2(w_->boxes.shown[0].text.startsWith(QStringLiteral("データ取得を完了しました。\r\n平均転送速度: ")),
             qPrintable(w_->boxes.shown[0].text));
}

void TestForm1Commands::getRefusedWhileBusyStaysEnabled()
{
    Form1 &form = *w_->form;
    form.ui.Text3->setText(w_->server.url(QStringLiteral("/never")));
    form.Command1_Click();
    QTRY_VERIFY_WITH_TIMEOUT(busy(form), kDeadlineMs);
    form.Command4_Click();
    QVERIFY(form.ui.Command4->isEnabled());
    QCOMPARE(w_->server.connectionCount(), 1);
    form.ui.Command2->click();
    QVERIFY(idle(form));
}

void TestForm1Commands::failedGetReturnsToIdleAndSaysWhy()
{
    Form1 &form = *w_->form;
    form.ui.Text3->setText(QStringLiteral("http://127.0.0.1:%1/x").arg(ScriptServer::RefusedPort()));
    form.Command4_Click();
    QTRY_COMPARE_WITH_TIMEOUT(form.ui.Label1->text(), engine::StateMessage(engine::kStateFailure), kDeadlineMs);
    QTRY_VERIFY_WITH_TIMEOUT(idle(form), kDeadlineMs);
    QVERIFY2(form.ui.Label4->text().contains(QStringLiteral("接続が拒否されました")), qPrintable(form.ui.Label4->text()));
    QVERIFY(w_->boxes.shown.isEmpty());
    QCOMPARE(form.lngCountHead + form.lngCountData + form.lngCountFail + form.lngCountCancel, 0);
}

void TestForm1Commands::unknownStateEmptiesStateLine()
{
    Form1 &form = *w_->form;
    form.ui.Command1->setEnabled(false);
    form.Inet1_StateChanged(13);
    QVERIFY(form.ui.Label1->text().isEmpty());
    QVERIFY(idle(form));
}

QTEST_MAIN(TestForm1Commands)
#include "test_form1_commands.moc"
