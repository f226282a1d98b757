#pragma once

#include <QByteArray>
#include <QString>

#include <curl/curl.h>

// What every request of this program has in common, whoever sends it: HTTP
// and HTTPS only, HTTP/1.1 (with http2, HTTP/2 where TLS negotiates it; plain
// http is never upgraded), no redirects followed by libcurl, our user agent,
// no content decoding, a proxy's reply to CONNECT kept out of the answer, 60
// seconds to connect and 60 seconds at most without progress, no signals,
// and HTTPS verified against the system's CA store or the bundle that
// SSL_CERT_FILE names. Proxies come from the usual environment variables.
// errorBuffer (CURL_ERROR_SIZE bytes) receives libcurl's explanations.
// False when libcurl would not take one of them.
bool SetRequestOptions(CURL *easy, char *errorBuffer, bool http2);

// url as libcurl must be given it: the request target's bytes that may not
// stand there raw (non-ASCII text as UTF-8, spaces, a TAB) percent-encoded.
QByteArray WireUrl(const QString &url);

// A request header line as it goes out: blanks around the value (U+3000,
// which the Referer box holds when left empty, included) are no part of it,
// and a header with nothing left is not sent at all (empty result).
QByteArray WireHeader(const QString &line);
