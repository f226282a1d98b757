// The real program with its window module and core library, each run copied
// into a folder of its own, where its settings and downloads stay.
#include "support/script_server.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestProgram : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void window_data();
    void window();
};

void TestProgram::window_data()
{
    QTest::addColumn<QByteArray>("damage"); // what the module's copy becomes; empty keeps it whole
    QTest::addColumn<QString>("problem");
    QTest::newRow("whole: the window fetches the address and closes on SIGTERM") << QByteArray() << QString();
    QTest::newRow("cut short") << QByteArray("cut") << u"ファイルが途中で切れています"_qs;
    QTest::newRow("empty") << QByteArray("empty") << u"共有ライブラリではありません"_qs;
    QTest::newRow("another version") << QByteArray("version")
                                     << u"このバージョン (1.00) のウィンドウモジュールではありません"_qs;
}

void TestProgram::window()
{
    QFETCH(QByteArray, damage);
    QFETCH(QString, problem);
    QTemporaryDir folder;
    const QFileInfo program(QStringLiteral(TOBRELL_PROGRAM));
    for (const QString &name : {program.fileName(), u"tobrell-window.so"_qs, u"libtobrell-core.so"_qs})
        QVERIFY(QFile::copy(program.dir().filePath(name), folder.filePath(name)));
    QFile module(folder.filePath(u"tobrell-window.so"_qs));
    QVERIFY(module.open(QIODevice::ReadOnly));
    QByteArray bytes = module.readAll();
    module.close();
    if (damage == "version")
        bytes.replace("Tobrell window module 1.00", "Tobrell window module 9.99");
    if (damage == "cut" || damage == "empty")
        bytes.truncate(damage == "cut" ? 4096 : 0);
    QVERIFY(module.open(QIODevice::WriteOnly) && module.write(bytes) == bytes.size());
    module.close();

    ScriptServer server;
    QVERIFY(server.start());
    server.setScript(ScriptServer::Reply("200 OK", "Content-Length: 0\r\n"));
    QProcess tobrell;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_qs, folder.path());
    tobrell.setProcessEnvironment(environment);
    tobrell.setWorkingDirectory(folder.path());
    tobrell.start(folder.filePath(program.fileName()), {server.url()});
    if (problem.isEmpty()) {
        QTRY_COMPARE_WITH_TIMEOUT(server.requests().size(), 1, 30000);
        tobrell.terminate();
    }
    QVERIFY(tobrell.waitForFinished(30000));
    QCOMPARE(tobrell.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tobrell.exitCode(), problem.isEmpty() ? 0 : 1);
    if (problem.isEmpty()) {
        QFile settings(folder.filePath(u"settei.ini"_qs));
        QVERIFY(settings.open(QIODevice::ReadOnly));
        QVERIFY(settings.readAll().contains("URL=" + server.url().toUtf8()));
    } else {
        QCOMPARE(QString::fromUtf8(tobrell.readAllStandardError()),
            u"tobrell: ウィンドウを開けませんでした (%1: %2)\n"_qs.arg(module.fileName(), problem));
    }
}

QTEST_GUILESS_MAIN(TestProgram)
#include "test_program.moc"
