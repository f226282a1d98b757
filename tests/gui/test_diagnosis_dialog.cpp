// The diagnosis dialog: the last completed response and then the next, its
// names and keys; the HTTP/2 switch and the dialog's size across a restart.
#include "gui/diagnosis_dialog.h"
#include "support/window_fixture.h"

using namespace window_fixture;

class TestDiagnosisDialog : public WindowTest {
    Q_OBJECT

    // Address, protocol, header box, connection lines (times as "#"), then the findings: a line per
    // category, one per finding ("level|sentence|reference"), and the grade.
    static QString Shown(const DiagnosisDialog &dialog)
    {
        QString text = QStringList({dialog.address->text(), dialog.protocol->text(),
                                       dialog.headers->toPlainText(), dialog.connection->toPlainText()})
                           .join(u'¦');
        for (QTreeWidgetItemIterator item(dialog.findings); *item; ++item)
            text += u'\n' + (*item)->text(0) + u'|' + (*item)->text(1) + u'|' + (*item)->text(2);
        return text.replace(QRegularExpression(QStringLiteral("[0-9.]+ ms")), QStringLiteral("#")) + u'\n'
            + dialog.security->text();
    }

private Q_SLOTS:
    void dialog()
    {
        Form1 *form = w_->form.get();
        const auto fetch = [&](const QString &url, QPushButton *button) {
            form->ui.Text3->setText(url);
            button->click();
            return QTest::qWaitFor([&] { return idle(*form) && form->ui.menuDgn->isEnabled(); }, kDeadlineMs);
        };
        const QByteArray block = "HTTP/1.1 200 OK\r\nPragma: no-cache\r\nContent-Length: 5";
        w_->server.setScript({ScriptServer::Send(block + "\r\n\r\n"), ScriptServer::Close()});
        QVERIFY(!form->ui.menuDgn->isEnabled() && fetch(w_->server.url(), form->ui.Command1));
        form->ui.menuDgn->trigger();
        auto *dialog = form->findChild<DiagnosisDialog *>();
        QVERIFY(!dialog->isModal());
        // The findings and grade are the diagnosis's of that response.
        DiagnosisDialog expected(nullptr);
        expected.ShowResponse({form->strURL, QString::fromLatin1(block), form->Inet1->LastFacts()});
        QCOMPARE(Shown(*dialog), Shown(expected));

        // It follows a GET whose body nobody reads (status 404), measured once the body is dropped.
        w_->server.setScript(ScriptServer::Reply("404 Not Found", "Content-Length: 100000\r\n", 100000));
        QVERIFY(fetch(w_->server.url(u"/b"_qs), form->ui.Command4));
        QVERIFY(Shown(*dialog).contains(
            u"/b¦HTTP/1.1¦HTTP/1.1 404 Not Found\nサイズ : 97.66 KB (100,000 バイト)¦"
            "接続先 : 127.0.0.1 ポート %1\n名前解決 : #\n接続 : #\n最初のバイト : #\n合計 : #\n"_qs.arg(
                w_->server.port())));

        // Tab visits every control, each named; Escape closes.
        dialog->address->setFocus();
        QStringList visited;
        for (int i = 0; i < 7; ++i) {
            visited << QAccessible::queryAccessibleInterface(QApplication::focusWidget())
                           ->text(QAccessible::Name);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(visited.join(u'>'), u"アドレス>プロトコル>セキュリティ評価>診断結果>ヘッダ>接続>閉じる"_qs);
        QTest::keyClick(dialog, Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());

        // The HTTP/2 switch and the size survive a restart.
        form->ui.menuHtp->trigger();
        dialog->resize(500, 400);
        form->close();
        const QString file = w_->program.filePath(u"settei.ini"_qs);
        QVERIFY(testdata::ReadFile(file).endsWith(
            "[Protocol]\nHTTP2=True\n\n[Diagnosis]\nWidth=7500\nHeight=6000\n"));
        QVERIFY(w_->openWindow({}));
        w_->form->menuDgn_Click();
        QVERIFY(w_->form->ui.menuHtp->isChecked()
            && w_->form->findChild<DiagnosisDialog *>()->size() == QSize(500, 400));
        w_->form->ui.menuHtp->trigger();
        w_->form->close();
        QVERIFY(testdata::ReadFile(file).contains("HTTP2=False"));
    }
};

QTEST_MAIN(TestDiagnosisDialog)
#include "test_diagnosis_dialog.moc"
