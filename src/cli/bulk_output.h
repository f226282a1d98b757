#pragma once

#include "core/bulk/bulk_result.h"

#include <QString>

// The lines the bulk check prints for each address, in text and in CSV. The
// control characters of what a server sent are shown as \x and two hex
// digits, as everywhere in the terminal.
namespace bulkoutput {

// The statuses answered, one per request made ("301 → 200"), followed by
// 失敗 when a request failed or the address was refused.
QString StatusChain(const bulk::Result &result);

// "<status chain>  <total> ms  <address>[ → <where it ended>][  <reason>]",
// ending in LF; timing adds the answering address and port and the last
// answer's first byte.
QString TextLine(const bulk::Result &result, bool timing);

// The byte order mark and the header row of the CSV, ending in CR LF.
QString CsvHeader();
// One row: address, status chain, where it ended, total ms, the answering
// IP address, the reason of a failure; quoted as RFC 4180 says, ending in CR LF.
QString CsvRow(const bulk::Result &result);

} // namespace bulkoutput
