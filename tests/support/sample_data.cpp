#include "support/sample_data.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace testdata {

QByteArray Pattern(qint64 offset, qint64 length)
{
    QByteArray bytes(length, Qt::Uninitialized);
    char *out = bytes.data();
    for (qint64 i = 0; i < length; ++i)
        out[i] = char((offset + i) % 251);
    return bytes;
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList Entries(const QString &folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

bool MakeCertificate(const QString &folder)
{
    QProcess openssl;
    openssl.setWorkingDirectory(folder);
    openssl.start(QStringLiteral("openssl"),
        QStringLiteral("req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 "
                       "-keyout server.key -out server.pem -subj /CN=localhost "
                       "-addext subjectAltName=IP:127.0.0.1")
            .split(u' '));
    return openssl.waitForFinished(30000) && openssl.exitStatus() == QProcess::NormalExit
        && openssl.exitCode() == 0;
}

void AddTextRows(std::initializer_list<const char *> rows)
{
    for (const char *row : rows) {
        QTestData &data = QTest::newRow(row);
        for (const QString &field : QString::fromUtf8(row).split(u'|'))
            data << field;
    }
}

bool UnderFileSizeLimit(qint64 limit, const std::function<bool()> &write)
{
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit lowered{limit < 0 ? saved.rlim_cur : rlim_t(limit), saved.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &lowered);
    const bool written = write();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, handler);
    return written;
}

} // namespace testdata
