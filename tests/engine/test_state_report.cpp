#include "engine/state_report.h"

#include <QtTest>

class TestStateReport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void statusCode_data();
    void statusCode();
    void messagesOutsideTheTableAreEmpty();
};

void TestStateReport::statusCode_data()
{
    QTest::addColumn<QString>("block");
    QTest::addColumn<int>("code");

    QTest::newRow("ordinary") << "HTTP/1.1 200 OK\r\nServer: x" << 200;
    QTest::newRow("not found") << "HTTP/1.1 404 Not Found" << 404;
    QTest::newRow("no reason phrase") << "HTTP/1.1 204" << 204;
    QTest::newRow("HTTP/2 shape") << "HTTP/2 301 \r\nLocation: /" << 301;
    QTest::newRow("other protocol name") << "ICY 200 OK" << 200;
    QTest::newRow("digits only on later line") << "HTTP/1.1 OK\r\nAge: 123" << 0;
    QTest::newRow("four digits are no code") << "HTTP/1.0 OK 1234" << 0;
    QTest::newRow("no space") << "garbage" << 0;
    QTest::newRow("empty block") << "" << 0;
    QTest::newRow("code among words") << "HTTP/1.1 Status 503 Busy" << 503;
}

void TestStateReport::statusCode()
{
    QFETCH(QString, block);
    QFETCH(int, code);
    QCOMPARE(engine::StatusCode(block), code);
}

void TestStateReport::messagesOutsideTheTableAreEmpty()
{
    QVERIFY(engine::StateMessage(-1).isEmpty());
    QVERIFY(engine::StateMessage(13).isEmpty());
    QCOMPARE(engine::StateMessage(0), QStringLiteral("状態についての報告はありません。"));
    QCOMPARE(engine::StateMessage(12), QStringLiteral("要求処理が完了し、すべてのデータが受信されました。"));
}

QTEST_GUILESS_MAIN(TestStateReport)
#include "test_state_report.moc"
