// The window against a real local nginx, over http and https: what a user
// sees for HEAD and GET, and the bytes that land in the download folder.
#include "engine/state_report.h"
#include "engine/transfer.h"
#include "support/nginx_server.h"
#include "support/recording_boxes.h"
#include "support/window_fixture.h"
#include "ui/form1.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using window_fixture::idle;
using window_fixture::kDeadlineMs;

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QList<int> states(const QSignalSpy &spy)
{
    QList<int> result;
    for (const QList<QVariant> &arguments : spy)
        result.append(arguments.at(0).toInt());
    return result;
}

} // namespace

class TestForm1Nginx : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void headShowsStatesAndAnnotatedHeaders();
    void getLandsByteIdentical_data();
    void getLandsByteIdentical();
    void httpsWithTestCa();

private:
    NginxServer nginx_;
    QTemporaryDir program_;
};

void TestForm1Nginx::initTestCase()
{
    QVERIFY2(nginx_.start(), qPrintable(nginx_.errorString()));
    QVERIFY(nginx_.createFile(QStringLiteral("dir/page.html"), 1260));
    QVERIFY(nginx_.createFile(QStringLiteral("empty.bin"), 0));
    QVERIFY(nginx_.createFile(QStringLiteral("body.bin"), 200000));
}

void TestForm1Nginx::headShowsStatesAndAnnotatedHeaders()
{
    RecordingBoxes boxes;
    Form1 form(nullptr, &boxes, program_.path());
    QSignalSpy spy(form.Inet1, &Transfer::StateChanged);
    form.ui.Text3->setText(nginx_.url(QStringLiteral("dir/page.html")));
    form.Command1_Click();
    QTRY_COMPARE_WITH_TIMEOUT(form.lngCountHead, 1, kDeadlineMs);
    QTRY_VERIFY_WITH_TIMEOUT(idle(form), kDeadlineMs);

    QCOMPARE(states(spy), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12}));
    QCOMPARE(form.ui.Label1->text(), engine::StateMessage(12));
    QCOMPARE(form.intStatusCode, qint16(200));
    const QString shown = form.ui.Text2->toPlainText();
    QVERIFY2(shown.startsWith(QStringLiteral("HTTP/1.1 200 OK\n")), qPrintable(shown));
    QVERIFY2(shown.contains(QStringLiteral("\nサイズ : 1.23 KB (1,260 バイト)\n")), qPrintable(shown));
    QVERIFY2(shown.contains(QStringLiteral("\nサーバー : nginx")), qPrintable(shown));
    QVERIFY(shown.contains(QRegularExpression(QStringLiteral("\n時刻 : \\d{4}年\\d{1,2}月\\d{1,2}日 \\d\\d時\\d\\d分\\d\\d秒\n"))));
    QCOMPARE(form.ui.Text1->text(), nginx_.url(QStringLiteral("dir/")));
    QVERIFY(boxes.shown.isEmpty());
    QCOMPARE(form.lngCountData + form.lngCountFail, 0);
}

void TestForm1Nginx::getLandsByteIdentical_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("savedAs");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("progress");

    // No chunk, no progress: the second status line keeps what it showed.
    QTest::newRow("empty body") << "empty.bin" << "empty.bin" << qint64(0) << "Header: 0 Data: 0 Fail: 0 Cancel: 0";
    QTest::newRow("200,000 bytes") << "body.bin" << "body.bin" << qint64(200000)
                                   << "100 %  195.31 KB (200,000 / 200,000)";
}

void TestForm1Nginx::getLandsByteIdentical()
{
    QFETCH(QString, path);
    QFETCH(QString, savedAs);
    QFETCH(qint64, size);
    QFETCH(QString, progress);

    RecordingBoxes boxes;
    Form1 form(nullptr, &boxes, program_.path());
    form.ui.Check3->setChecked(false);
    form.ui.Text3->setText(nginx_.url(path));
    form.Command4_Click();
    QVERIFY(!form.ui.Command4->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(form.lngCountData, 1, kDeadlineMs);
    QTRY_VERIFY_WITH_TIMEOUT(idle(form), kDeadlineMs);

    const QString saved = program_.path() + QStringLiteral("/download/") + savedAs;
    QCOMPARE(form.strSavePath, saved);
    QCOMPARE(readAll(saved), NginxServer::content(0, size));
    QCOMPARE(form.ui.Label4->text(), progress);
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown[0].title, MessageBoxes::kInformationTitle);
    QVERIFY2(boxes.shown[0].text.startsWith(QStringLiteral("データ取得を完了しました。\r\n平均転送速度: ")),
             qPrintable(boxes.shown[0].text));
    QCOMPARE(QDir(program_.path() + QStringLiteral("/download")).entryList(QStringList{QStringLiteral(".tobrell-*")},
                                                                        QDir::Hidden | QDir::Files),
             QStringList());
}

void TestForm1Nginx::httpsWithTestCa()
{
    NginxServer tls(NginxServer::Scheme::Https);
    QVERIFY2(tls.start(), qPrintable(tls.errorString()));
    QVERIFY(tls.createFile(QStringLiteral("secure.bin"), 5000));
    qputenv("SSL_CERT_FILE", QFile::encodeName(tls.caFile()));

    RecordingBoxes boxes;
    Form1 form(nullptr, &boxes, program_.path());
    form.ui.Check3->setChecked(false);
    form.ui.Text3->setText(tls.url(QStringLiteral("secure.bin")));
    form.Command4_Click();
    QTRY_COMPARE_WITH_TIMEOUT(form.lngCountData, 1, kDeadlineMs);
    QTRY_VERIFY_WITH_TIMEOUT(idle(form), kDeadlineMs);
    QVERIFY(form.ui.Text2->toPlainText().startsWith(QStringLiteral("HTTP/1.1 200 OK")));
    QCOMPARE(readAll(program_.path() + QStringLiteral("/download/secure.bin")), NginxServer::content(0, 5000));

    // Without the test CA the certificate is not trusted: state 11 and why.
    qunsetenv("SSL_CERT_FILE");
    form.Command1_Click();
    QTRY_COMPARE_WITH_TIMEOUT(form.ui.Label1->text(), engine::StateMessage(engine::kStateFailure), kDeadlineMs);
    QTRY_VERIFY_WITH_TIMEOUT(idle(form), kDeadlineMs);
    QVERIFY2(form.ui.Label4->text().contains(QStringLiteral("証明書")), qPrintable(form.ui.Label4->text()));
}

QTEST_MAIN(TestForm1Nginx)
#include "test_form1_nginx.moc"
