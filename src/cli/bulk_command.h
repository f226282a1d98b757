#pragma once

#include "cli/command_line.h"

class QIODevice;

// `tobrell --head` with several addresses, a list, --json or --csv: runs the
// bulk check and writes each address's result to out in the order given, as
// text lines, JSON Lines or CSV. In text, the failures' reasons also go to
// err; progress draws a progress line there (for a terminal), erased at the
// end. SIGINT, SIGTERM and SIGHUP stop it: what finished is written, and the
// exit status is 128 + the signal's number. Otherwise 0 when every address
// was answered, 1 when one failed or was refused, 2 for a list that cannot
// be read. One address given alone keeps the exit statuses and the reasons
// on err of a single --head. Runs the event loop of the QCoreApplication
// that must exist.
int RunBulk(const HeadOptions &options, QIODevice &out, QIODevice &err, bool progress);
