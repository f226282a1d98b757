#include "support/sample_data.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstring>

namespace testdata {

QByteArray Pattern(qint64 offset, qint64 length)
{
    constexpr qint64 kPeriod = 251;
    // Many periods in a row, so that long runs are copied in few steps.
    static const QByteArray kCycle = [] {
        QByteArray cycle(kPeriod * 1024, Qt::Uninitialized);
        for (qsizetype i = 0; i < cycle.size(); ++i)
            cycle[i] = char(i % kPeriod);
        return cycle;
    }();
    QByteArray bytes(length, Qt::Uninitialized);
    qint64 position = offset % kPeriod;
    for (qint64 done = 0; done < length;) {
        const qint64 part = std::min(length - done, kCycle.size() - position);
        std::memcpy(bytes.data() + done, kCycle.constData() + position, size_t(part));
        done += part;
        position = 0;
    }
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
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

} // namespace testdata
