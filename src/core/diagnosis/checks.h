#pragma once

#include "core/diagnosis/cache_control.h"
#include "core/diagnosis/context.h"
#include "core/diagnosis/cookies.h"

// The checks of the diagnosis by subject; each appends its findings.
namespace diagnosis {

// freshness, heuristic-freshness
void CheckFreshness(const Context &context, const CacheControl &cacheControl, QList<Finding> &findings);
// no-store, private, public-private, cc-conflict, cc-syntax, no-validator,
// expires-invalid, pragma, vary-star, vary-user-agent
void CheckCaching(const Context &context, const CacheControl &cacheControl, QList<Finding> &findings);
// etag-syntax, last-modified-future, date-missing, clock-skew, date-obsolete
void CheckValidatorsAndDates(const Context &context, QList<Finding> &findings);
// redirect-no-location, location-relative, no-https-redirect
void CheckRedirects(const Context &context, QList<Finding> &findings);
// hsts-*, csp-*, xcto, framing, referrer-policy, leaky-header, deprecated-header
void CheckSecurityHeaders(const Context &context, QList<Finding> &findings);
// cookie-*
void CheckCookies(const Context &context, const QList<Cookie> &cookies, QList<Finding> &findings);
// cl-and-te, repeated-header, encoding-no-vary, http-version
void CheckTransfer(const Context &context, QList<Finding> &findings);

Security SecurityScore(const Context &context, const QList<Cookie> &cookies);

} // namespace diagnosis
