#pragma once

#include <QString>
#include <QStringView>

#include <span>

// The Japanese labels of the response header block (the header half of
// module `mod`).
namespace mod {

struct Annotation {
    QStringView english; // matched ignoring the case of ASCII letters
    QStringView japanese; // inserted exactly as written
};

// The replacement rows in the order they are applied.
std::span<const Annotation> Annotations();

// Applies every row in order over the whole block: each occurrence of the
// English text, wherever it stands, is replaced by the Japanese text, and
// the search for that row resumes after the inserted text. Later rows see the
// result of earlier ones.
QString TranslateHeaders(const QString &block);

} // namespace mod
