#pragma once

#include "support/sample_data.h"

#include <QTemporaryDir>

#include <cstdlib>

// A broken property aborts, so that libFuzzer reports the input and keeps it.
#define FUZZ_CHECK(condition) ((condition) ? void() : std::abort())

namespace fuzz {

inline QByteArray Bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), size);
}

// The input as text: the bytes after the first as UTF-8 when that byte is
// even, as UTF-16 when it is odd, so that lone surrogates come in too.
inline QString Text(const uint8_t *data, size_t size)
{
    const QByteArray rest = Bytes(data, size).mid(1);
    return size && data[0] % 2 ? QString(reinterpret_cast<const QChar *>(rest.constData()), rest.size() / 2)
                               : QString::fromUtf8(rest);
}

// An empty scratch folder of the run, with a closing "/".
inline QString Folder()
{
    static const QTemporaryDir dir;
    return dir.path() + u'/';
}

// Writes the input's bytes after its first LF to path and returns the line
// before it as UTF-8 text.
inline QString SplitInput(const uint8_t *data, size_t size, const QString &path)
{
    const QByteArray input = Bytes(data, size);
    FUZZ_CHECK(testdata::WriteFile(path, input.sliced(input.indexOf('\n') + 1)));
    return QString::fromUtf8(input.left(input.indexOf('\n')));
}

} // namespace fuzz
