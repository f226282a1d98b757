#pragma once

#include <QString>

// What the command line asks for. Only "--version" and "--help" are the
// program's own; every other argument (Qt's "-platform" ...) opens the window.
enum class StartRequest { OpenWindow, PrintVersion, PrintHelp };

StartRequest ReadCommandLine(int argc, const char *const *argv);

// "Tobrell ver 1.00 Feb 2006"
QString VersionLine();

// The answer to --help: one paragraph in Japanese, one in English.
QString HelpText();
