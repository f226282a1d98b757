#pragma once

#include "core/transfer/connection_facts.h"

#include <QString>

// The timing lines (--timing, the diagnosis dialog): the address and port that
// answered, then the time from the start of the request until the name was
// resolved, the connection made, TLS agreed (https only), the first byte
// arrived and the request ended, in milliseconds with two decimals. Each
// line ends in LF.
QString TimingText(const ConnectionFacts &facts);
