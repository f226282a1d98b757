#pragma once

#include "core/diagnosis/context.h"

// The cookies a response sets, read once for their findings and the score.
namespace diagnosis {

struct Cookie {
    QString name;
    bool secure = false;
    bool httpOnly = false;
    std::optional<QString> sameSite; // lower case
    std::optional<QString> domain, path;
    // Seconds from the answer until it expires, by Max-Age or Expires.
    std::optional<qint64> lifetime;
    // The name suggests it holds a session or a login.
    bool session = false;
};

// One cookie per Set-Cookie field, its attributes read as browsers read
// them (the last of each counts, names in any letter case).
QList<Cookie> ReadCookies(const Context &context);

} // namespace diagnosis
