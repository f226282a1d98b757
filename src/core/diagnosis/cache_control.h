#pragma once

#include "core/diagnosis/context.h"

// The directives of a response's Cache-Control fields.
namespace diagnosis {

struct Directive {
    QString name; // lower case
    QString value; // as written, quotes included
    bool hasValue = false;
};

class CacheControl {
public:
    explicit CacheControl(const Context &context);

    QList<Directive> directives; // in order, over every field
    bool has(QStringView name) const { return find(name) != nullptr; }
    // The first directive called name; null when there is none.
    const Directive *find(QStringView name) const;
    // A delta-seconds directive's seconds, read from its first occurrence;
    // 0 for a value that is not delta-seconds (such a response counts as
    // stale, RFC 9111 §4.2.1); nothing when absent.
    std::optional<qint64> seconds(QStringView name) const;
};

} // namespace diagnosis
