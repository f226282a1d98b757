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
