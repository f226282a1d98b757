#pragma once

#include "core/diagnosis/context.h"

// The security headers read once for both their findings and the score.
namespace diagnosis {

// HSTS's max-age of at least 180 days, which browsers' preload lists ask for.
inline constexpr qint64 kHstsLeastMaxAge = 15552000;

// The first Strict-Transport-Security field, the one browsers read (RFC 6797 §8.1).
struct Hsts {
    bool present = false;
    std::optional<qint64> maxAge; // nothing when missing, repeated or not a number
};
Hsts ReadHsts(const Context &context);

// The enforced policies of Content-Security-Policy, read as one: the first
// occurrence of each directive counts.
struct Csp {
    bool present = false;
    bool reportOnly = false; // Content-Security-Policy-Report-Only was sent
    QHash<QString, QStringList> directives; // lower-case name → lower-case sources

    // The sources of name, or of default-src when name is absent; nothing
    // when neither restricts.
    std::optional<QStringList> sources(const QString &name) const;
    // 'unsafe-inline' that no nonce or hash overrides, or 'unsafe-eval',
    // in the sources that decide for scripts.
    bool allowsUnsafeInline() const;
    bool allowsUnsafeEval() const;
};
Csp ReadCsp(const Context &context);

enum class ReferrerSafety { Absent, Private, Neutral, Unsafe, Invalid };
// The policy browsers apply: the last one they know of the list.
struct ReferrerPolicy {
    ReferrerSafety safety = ReferrerSafety::Absent;
    QString policy; // lower case; empty when none is known
};
ReferrerPolicy ReadReferrerPolicy(const Context &context);

bool FramingForbidden(const Context &context, const Csp &csp);

// X-Content-Type-Options is nosniff, in any letter case.
bool NoSniff(const Context &context);

} // namespace diagnosis
