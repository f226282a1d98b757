#include "core/transfer/request_options.h"

#include "core/version.h"

#include <cstring>

namespace {

const char kProtocols[] = "http,https";
constexpr long kConnectTimeoutSeconds = 60;
// A transfer is given up when fewer than kStallBytesPerSecond arrive for
// kStallSeconds; a long download that keeps moving never times out.
constexpr long kStallBytesPerSecond = 1;
constexpr long kStallSeconds = 60;

} // namespace

bool SetRequestOptions(CURL *easy, char *errorBuffer, bool http2)
{
    static const QByteArray kUserAgent = QByteArray("Tobrell/") + tobrell::kVersion;
    bool ok = true;
    const auto set = [&](CURLoption option, auto value) {
        ok = ok && curl_easy_setopt(easy, option, value) == CURLE_OK;
    };
    set(CURLOPT_ERRORBUFFER, errorBuffer);
    set(CURLOPT_PROTOCOLS_STR, kProtocols);
    set(CURLOPT_HTTP_VERSION, long(http2 ? CURL_HTTP_VERSION_2TLS : CURL_HTTP_VERSION_1_1));
    set(CURLOPT_FOLLOWLOCATION, 0L);
    set(CURLOPT_USERAGENT, kUserAgent.constData());
    // The body is handed out as it came: no Accept-Encoding, no decoding.
    set(CURLOPT_HTTP_CONTENT_DECODING, 0L);
    // A proxy's reply to CONNECT is not the response.
    set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    set(CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    set(CURLOPT_LOW_SPEED_LIMIT, kStallBytesPerSecond);
    set(CURLOPT_LOW_SPEED_TIME, kStallSeconds);
    set(CURLOPT_NOSIGNAL, 1L);
    // Cancelling during a name lookup must not wait for the resolver thread.
    set(CURLOPT_QUICK_EXIT, 1L);
    // Debian's libcurl reads its own bundle path and ignores OpenSSL's
    // SSL_CERT_FILE variable; when it is set, it names the CA bundle to
    // trust instead, so users and tests can point at a private CA.
    const QByteArray caFile = qgetenv("SSL_CERT_FILE");
    if (!caFile.isEmpty())
        set(CURLOPT_CAINFO, caFile.constData());
    return ok;
}

QByteArray WireUrl(const QString &url)
{
    // Scheme and host are left alone; libcurl converts an international host name itself.
    static const char kHex[] = "0123456789ABCDEF";
    const QByteArray text = url.toUtf8();
    const qsizetype schemeEnd = text.indexOf("://");
    qsizetype target = schemeEnd < 0 ? 0 : schemeEnd + 3;
    while (target < text.size() && !std::strchr("/?#", text[target]))
        ++target;
    QByteArray wire = text.first(target);
    for (const char c : text.sliced(target)) {
        const auto byte = uchar(c);
        if (byte >= 0x7F || byte <= ' ') {
            wire += '%';
            wire += kHex[byte >> 4];
            wire += kHex[byte & 0xF];
        } else {
            wire += c;
        }
    }
    return wire;
}

QByteArray WireHeader(const QString &line)
{
    const qsizetype colon = line.indexOf(u':');
    if (colon <= 0)
        return line.toUtf8();
    const QString value = line.sliced(colon + 1).trimmed();
    if (value.isEmpty())
        return {};
    return line.first(colon).toUtf8() + ": " + value.toUtf8();
}
