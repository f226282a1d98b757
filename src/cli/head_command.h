#pragma once

#include "cli/command_line.h"

class QIODevice;

// `tobrell --head`: completes the address as the URL box does, sends HEAD
// with the window's request headers and writes each answer's header block
// to out, as the header box shows it (lines ending in LF), with what the
// options add; warnings and failures go to err (but not to a reader of out
// that went away). Runs the event loop of the QCoreApplication that must
// exist. Returns the exit status.
int RunHead(const HeadOptions &options, QIODevice &out, QIODevice &err);
