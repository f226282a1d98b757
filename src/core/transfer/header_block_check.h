#pragma once

#include "core/transfer/curl_failure_text.h"

#include <QByteArray>

#include <curl/curl.h>

#include <optional>

// The checks that make a received header block one that is not read (RFC
// 9112): a bare CR in a field, more lines than any real answer has,
// differing or malformed Content-Length values, Location values that
// differ (a repeat of the same one is harmless), a transfer coding after
// chunked.
class HeaderBlockCheck {
public:
    // What is wrong with this field line (without its line end) of the
    // block being received, if anything.
    std::optional<HeaderFault> field(const QByteArray &line);
    // The block has ended; the next one starts from nothing.
    void reset() { *this = {}; }

private:
    int lines_ = 0;
    QByteArray contentLength_;
    std::optional<QByteArray> location_;
    bool chunked_ = false; // a chunked coding was named: none may follow it
};

// libcurl refuses two blocks itself, with errors that say nothing of the
// answer: a line too big to hold (out of memory), and one that starts with a
// blank right after the status line, which it has no header to fold onto (a
// bad argument, before the header callback sees the line). The fault meant
// by a transfer that ended with result, if it was one of those.
std::optional<HeaderFault> RefusedByLibcurl(
    CURLcode result, bool requestSent, bool responding, bool finalHeader);
