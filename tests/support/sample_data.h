#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <initializer_list>

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

// Makes server.key and server.pem in folder with the openssl tool: a
// throw-away self-signed certificate for 127.0.0.1, valid for two days.
bool MakeCertificate(const QString &folder);

// Adds one row to the current test table per "field|field|..." text, named by
// the text, with its fields as QString columns.
void AddTextRows(std::initializer_list<const char *> rows);

// Runs write with files limited to limit bytes (a write beyond fails as on a
// full disk instead of raising SIGXFSZ); a negative limit changes nothing.
bool UnderFileSizeLimit(qint64 limit, const std::function<bool()> &write);

} // namespace testdata
