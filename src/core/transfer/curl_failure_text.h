#pragma once

#include <QString>

#include <curl/curl.h>

// The text a failed transfer reports: a short Japanese reason for the common
// causes, then libcurl's own explanation in parentheses, for example
// "接続が拒否されました。 (Failed to connect to 127.0.0.1 port 9 ...)".
// osErrno is CURLINFO_OS_ERRNO; detail is the easy handle's error buffer
// (may be empty, then libcurl's text for result is used). requestSent tells
// whether the request had gone out: a protocol libcurl refuses after that was
// the server's answer, not the address.
QString CurlFailureText(CURLcode result, long osErrno, const char *detail, bool requestSent);

// What makes a received header block one that is not read.
enum class HeaderFault {
    BareCR, // a CR that does not end a line
    TooManyLines, // more lines than any real answer has
    TooLarge, // a line too long to hold
    ContentLength, // a Content-Length that is no number, or differs from an earlier one
    Location, // a second Location with another value
    Coding, // a transfer coding after chunked
    Folded, // a line starting with a blank right after the status line
};

// The text of a transfer that ended on such a block: the reason for an
// unreadable answer, then what was wrong with it in parentheses.
QString HeaderFaultText(HeaderFault fault);
