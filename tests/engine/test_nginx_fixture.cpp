#include "support/nginx_server.h"

#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpSocket>
#include <QtTest>

namespace {

// Sends a plain HTTP/1.0 GET for path over socket and returns the whole answer.
QByteArray Fetch(QTcpSocket &socket, const QString &path)
{
    socket.write("GET " + path.toUtf8() + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    QByteArray answer;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(5000))
        answer += socket.readAll();
    return answer + socket.readAll();
}

QByteArray BodyOf(const QByteArray &answer)
{
    return answer.mid(answer.indexOf("\r\n\r\n") + 4);
}

} // namespace

class TestNginxFixture : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void contentIsPositional();
    void servesOverHttp();
    void servesOverHttpsWithItsOwnCa();
};

void TestNginxFixture::contentIsPositional()
{
    QCOMPARE(NginxServer::content(3, 20), NginxServer::content(0, 23).mid(3));
    QVERIFY(NginxServer::content(0, 8) != NginxServer::content(8, 8));
}

void TestNginxFixture::servesOverHttp()
{
    NginxServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    QVERIFY(server.createFile(QStringLiteral("dir/small.bin"), 200000));
    QVERIFY(server.url(QStringLiteral("/dir/small.bin")).startsWith(QStringLiteral("http://127.0.0.1:")));

    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, server.port());
    QVERIFY(socket.waitForConnected(5000));
    const QByteArray answer = Fetch(socket, QStringLiteral("/dir/small.bin"));
    QVERIFY2(answer.startsWith("HTTP/1.1 200 OK\r\n"), answer.left(200).constData());
    QVERIFY(answer.contains("\r\nContent-Length: 200000\r\n"));
    QCOMPARE(BodyOf(answer), NginxServer::content(0, 200000));

    server.stop();
    socket.connectToHost(QHostAddress::LocalHost, server.port());
    QVERIFY(!socket.waitForConnected(2000));
}

void TestNginxFixture::servesOverHttpsWithItsOwnCa()
{
    if (!QSslSocket::supportsSsl())
        QSKIP("QtNetwork has no TLS backend here");
    NginxServer server(NginxServer::Scheme::Https);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    QVERIFY(server.createFile(QStringLiteral("small.txt"), 1000));
    QVERIFY(server.url(QStringLiteral("small.txt")).startsWith(QStringLiteral("https://127.0.0.1:")));

    QSslSocket socket;
    QSslConfiguration configuration = socket.sslConfiguration();
    configuration.setCaCertificates(QSslCertificate::fromPath(server.caFile()));
    socket.setSslConfiguration(configuration);
    socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), server.port());
    QVERIFY2(socket.waitForEncrypted(10000), qPrintable(socket.errorString()));
    QCOMPARE(BodyOf(Fetch(socket, QStringLiteral("/small.txt"))), NginxServer::content(0, 1000));
}

QTEST_GUILESS_MAIN(TestNginxFixture)
#include "test_nginx_fixture.moc"
