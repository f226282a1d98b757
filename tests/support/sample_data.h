#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Bytes and files for tests.
namespace testdata {

// Byte i of every test body is Pattern(i, 1): its period (251) divides no
// power of two, so a lost, repeated or misplaced block shows.
QByteArray Pattern(qint64 offset, qint64 length);

// The whole file; "<unreadable>" when it cannot be read.
QByteArray ReadFile(const QString &path);
bool WriteFile(const QString &path, const QByteArray &bytes);
// Every entry of the folder, hidden ones included, sorted by name.
QStringList Entries(const QString &folder);

} // namespace testdata
