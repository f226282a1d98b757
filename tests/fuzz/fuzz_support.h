#pragma once

#include "support/sample_data.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A broken property aborts, so that libFuzzer reports the input and keeps it.
#define FUZZ_CHECK(condition) \
    ((condition) ? void(0) : fuzz::Fail(#condition, __FILE__, __LINE__))

namespace fuzz {

[[noreturn]] inline void Fail(const char *condition, const char *file, int line)
{
    std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, condition);
    std::abort();
}

inline QByteArray Bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// The input as text: the bytes after the first as UTF-8 when that byte is
// even, as UTF-16 when it is odd, so that lone surrogates come in too.
inline QString Text(const uint8_t *data, size_t size)
{
    if (size == 0)
        return {};
    const QByteArray rest = Bytes(data + 1, size - 1);
    if (data[0] % 2 == 0)
        return QString::fromUtf8(rest);
    return QString(reinterpret_cast<const QChar *>(rest.constData()), rest.size() / 2);
}

// An empty scratch folder of the run, with a closing "/".
inline const QString &Folder()
{
    static const QTemporaryDir dir;
    static const QString path = dir.path() + u'/';
    return path;
}

} // namespace fuzz
