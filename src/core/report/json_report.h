#pragma once

#include "core/bulk/bulk_result.h"

#include <QByteArray>
#include <QJsonObject>

// The JSON form of what was learned of one address, for scripts:
//   url        the address as completed (as listed when it was refused)
//   responses  one object per answer, the redirects followed included:
//              url, status, http_version, headers (as received, in order,
//              as [name, value] pairs), annotated (the header box's text),
//              address and port that answered, timing (ms from the start
//              of the request: name_lookup, connect, tls over https,
//              first_byte, total) and, when it was kept, certificate
//              (subject, issuer, start, expire, sha256)
//   location   where it ended (see bulk::Result::endsAt), when known
//   error      why it was refused or failed, or a redirect not followed
//   findings   with diagnose, the findings on the last response: id, level,
//              category, message, reference, header; freshness also its
//              lifetime, age and remaining seconds (negative when stale),
//              heuristic-freshness its lifetime when one is known
//   security   with diagnose, the last response's score and grade
// Text a server sent that is not UTF-8 is read as the header box reads it,
// so the JSON is always valid UTF-8.
namespace report {

QJsonObject ReportObject(const bulk::Result &result, bool diagnose);

// The object on one line, ending in LF (a line of JSON Lines).
QByteArray JsonLine(const QJsonObject &object);

} // namespace report
