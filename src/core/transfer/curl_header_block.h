#pragma once

#include <QByteArray>
#include <QString>

// A response header block as received: the status line, then one line per
// header, joined by CR LF, without the closing blank line.

// The block as text: what is valid UTF-8 is read as UTF-8, and each byte
// that is not as the Latin-1 character of the same value, so nothing is lost.
QString DecodeHeaderBlock(const QByteArray &block);

// The value of the first header line whose name equals name, ignoring case,
// with surrounding white space removed; empty when there is none.
QString HeaderValue(const QString &block, const QString &name);
