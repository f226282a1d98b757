// The diagnosis dialog: what it shows of the last completed response, that
// it follows the next one, its keyboard and names; the HTTP/2 switch and the
// dialog's size across a restart.
#include "core/report/last_response.h"
#include "gui/diagnosis_dialog.h"
#include "support/nginx_server.h"
#include "support/window_fixture.h"

using namespace window_fixture;

namespace {

// The dialog's findings, a line per category and per finding under it.
QString TreeText(const QTreeWidget &tree)
{
    QString text;
    for (int i = 0; i < tree.topLevelItemCount(); ++i) {
        const QTreeWidgetItem *group = tree.topLevelItem(i);
        text += group->text(0) + u'\n';
        for (int j = 0; j < group->childCount(); ++j)
            text += group->child(j)->text(0) + u'|' + group->child(j)->text(1) + u'|'
                + group->child(j)->text(2) + u'\n';
    }
    return text;
}

// What the diagnosis says of a response, in the same lines.
QString ExpectedFindings(const report::LastResponse &response)
{
    QString text;
    const diagnosis::Diagnosis result = diagnosis::Diagnose(report::DiagnosisInput(response));
    for (const auto &[category, list] : report::FindingsByCategory(result.findings)) {
        text += category + u'\n';
        for (const diagnosis::Finding &f : list)
            text += diagnosis::LevelText(f.level).toString() + u'|' + f.message + u'|' + f.reference + u'\n';
    }
    return text;
}

// Address, protocol, grade, header box and connection lines of the dialog, times as "#".
QString Shown(const DiagnosisDialog &dialog)
{
    static const QRegularExpression time(QStringLiteral("[0-9]+\\.[0-9]+ ms"));
    return QStringList({dialog.address->text(), dialog.protocol->text(), dialog.headers->toPlainText(),
                           dialog.connection->toPlainText().replace(time, QStringLiteral("# ms"))})
        .join(u'¦');
}

} // namespace

class TestDiagnosisDialog : public WindowTest {
    Q_OBJECT

private Q_SLOTS:
    void followsTheLastResponse()
    {
        Form1 &form = *w_->form;
        QVERIFY(!form.ui.menuDgn->isEnabled());
        const QByteArray block = "HTTP/1.1 200 OK\r\nPragma: no-cache\r\nContent-Length: 5";
        w_->server.setScript({ScriptServer::Send(block + "\r\n\r\n"), ScriptServer::Close()});
        form.ui.Text3->setText(w_->server.url(QStringLiteral("/a")));
        form.ui.Command1->click();
        QTRY_VERIFY_WITH_TIMEOUT(idle(form) && form.ui.menuDgn->isEnabled(), kDeadlineMs);
        form.ui.menuDgn->trigger();
        auto *dialog = form.findChild<DiagnosisDialog *>();
        QVERIFY(dialog && dialog->isVisible() && !dialog->isModal());
        const QString port = QString::number(w_->server.port());
        QCOMPARE(Shown(*dialog),
            u"http://127.0.0.1:%1/a¦HTTP/1.1¦HTTP/1.1 200 OK\n追加情報 : キャッシュ無効\nサイズ : 0.00 KB (5 "
            u"バイト)¦"
            "接続先 : 127.0.0.1 ポート %1\n名前解決 : # ms\n接続 : # ms\n最初のバイト : # ms\n合計 : # ms\n"_qs
                .arg(port));
        QCOMPARE(TreeText(*dialog->findings),
            ExpectedFindings({form.strURL, QString::fromLatin1(block), form.Inet1->LastFacts()}));

        // While open it follows the next request: a GET whose body nobody reads (status 404), measured
        // once the control has dropped it.
        w_->server.setScript(ScriptServer::Reply("404 Not Found", "Content-Length: 100000\r\n", 100000));
        form.ui.Text3->setText(w_->server.url(QStringLiteral("/b")));
        form.ui.Command4->click();
        QTRY_VERIFY_WITH_TIMEOUT(idle(form) && dialog->address->text().endsWith(u"/b"), kDeadlineMs);
        QCOMPARE(Shown(*dialog),
            u"http://127.0.0.1:%1/b¦HTTP/1.1¦HTTP/1.1 404 Not Found\nサイズ : 97.66 KB (100,000 バイト)¦"
            "接続先 : 127.0.0.1 ポート %1\n名前解決 : # ms\n接続 : # ms\n最初のバイト : # ms\n合計 : # ms\n"_qs
                .arg(port));

        // Every control is named; Tab visits them in order; Escape closes.
        dialog->activateWindow();
        dialog->address->setFocus();
        QTRY_VERIFY(dialog->address->hasFocus());
        QStringList visited;
        for (int i = 0; i < 7; ++i) {
            visited << QAccessible::queryAccessibleInterface(QApplication::focusWidget())
                           ->text(QAccessible::Name);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(visited.join(u'>'), u"アドレス>プロトコル>セキュリティ評価>診断結果>ヘッダ>接続>閉じる"_qs);
        QTest::keyClick(dialog, Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());
    }

    // "HTTP/2 を使う" and the dialog's size are kept in sections of their own, which a file that never
    // used them does not get; the switch reaches the transfer: nginx then answers in HTTP/2.
    void keptAcrossARestart()
    {
        NginxServer nginx;
        QVERIFY2(nginx.start(), qPrintable(nginx.problem()));
        qputenv("SSL_CERT_FILE", nginx.caFile().toLocal8Bit());
        const QString file = w_->program.filePath(QStringLiteral("settei.ini"));
        w_->form->close();
        QVERIFY(!testdata::ReadFile(file).contains("HTTP2") && !testdata::ReadFile(file).contains("Width"));
        QVERIFY(w_->openWindow({}));
        w_->form->ui.menuHtp->trigger();
        w_->form->menuDgn_Click();
        w_->form->findChild<DiagnosisDialog *>()->resize(500, 400);
        w_->form->close();
        QVERIFY(testdata::ReadFile(file).endsWith(
            "[Protocol]\nHTTP2=True\n\n[Diagnosis]\nWidth=7500\nHeight=6000\n"));

        QVERIFY(w_->openWindow({}));
        Form1 &form = *w_->form;
        QVERIFY(form.ui.menuHtp->isChecked());
        form.ui.Text3->setText(nginx.url(QStringLiteral("/index.html")));
        form.ui.Command1->click();
        QTRY_VERIFY_WITH_TIMEOUT(idle(form) && form.ui.menuDgn->isEnabled(), kDeadlineMs);
        QVERIFY(form.ui.Text2->toPlainText().startsWith(u"HTTP/2 200 \n"));
        form.ui.menuDgn->trigger();
        const auto *dialog = form.findChild<DiagnosisDialog *>();
        QCOMPARE(dialog->size(), QSize(500, 400));
        QCOMPARE(dialog->protocol->text(), u"HTTP/2"_qs);
        QVERIFY(dialog->connection->toPlainText().contains(u"\nTLS : ")
            && dialog->connection->toPlainText().contains(u"\nサブジェクト : CN = localhost\n"));
        form.ui.menuHtp->trigger();
        form.close();
        QVERIFY(testdata::ReadFile(file).contains("[Protocol]\nHTTP2=False\n"));
    }
};

QTEST_MAIN(TestDiagnosisDialog)
#include "test_diagnosis_dialog.moc"
