#include "core/address/url_completion.h"

#include <utility>

namespace url {
namespace {

bool isTrimmed(QChar c)
{
    return c == u' ' || c == u'\t' || c == QChar(0x3000);
}

QString trimmedAddress(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isTrimmed(text.at(begin)))
        ++begin;
    while (end > begin && isTrimmed(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

// Everything before the first ":"; empty when there is no ":".
QString schemeOf(const QString &address)
{
    const qsizetype colon = address.indexOf(u':');
    return colon < 0 ? QString() : address.left(colon);
}

Completion refused(const QString &address, const QString &warning)
{
    return {address, false, warning};
}

// Where the part after "//" (user, host and port) starts and ends; both -1
// when there is no "//".
std::pair<qsizetype, qsizetype> authorityOf(const QString &address)
{
    const qsizetype slashes = address.indexOf(u"//");
    if (slashes < 0)
        return {-1, -1};
    qsizetype end = slashes + 2;
    while (end < address.size() && address[end] != u'/' && address[end] != u'?' && address[end] != u'#')
        ++end;
    return {slashes + 2, end};
}

// Whether a completed address names no host ("http:///etc/passwd", made from
// "file:///etc/passwd", "http://user@:80/"): libcurl would take the first
// part of the path for the host and send the request there.
bool hasNoHost(const QString &address)
{
    const auto [start, end] = authorityOf(address);
    const QStringView authority = QStringView(address).sliced(start, end - start);
    const QStringView host = authority.sliced(authority.lastIndexOf(u'@') + 1);
    return host.isEmpty() || host.startsWith(u':');
}

Completion completed(const QString &address)
{
    const qsizetype slashes = address.indexOf(u"//"); // 0-based, -1 when absent

    if (slashes < 0) {
        if (address.startsWith(u"www."))
            return {QStringLiteral("http://") + address, true, {}};
        if (address.startsWith(u"/www."))
            return {QStringLiteral("http:/") + address, true, {}};
        return refused(address, kBadFormatWarning.toString());
    }

    // Up to five characters before "//" are a partial or mangled scheme:
    // they are replaced by "http:" and the text from the second "/" kept.
    if (slashes <= 5) {
        const QString warning
            = slashes < 5 && schemeOf(address) == u"ftp" ? kFtpNotice.toString() : QString();
        return {QStringLiteral("http:/") + address.mid(slashes + 1), true, warning};
    }

    const QString scheme = schemeOf(address);
    if (scheme == u"https")
        return {address, true, {}};
    return refused(address, scheme + kUnknownProtocolSuffix.toString());
}

} // namespace

Completion CompleteURL(const QString &typed)
{
    const QString address = trimmedAddress(typed);
    const Completion completion = completed(address);
    if (completion.valid && hasNoHost(completion.url))
        return refused(address, kBadFormatWarning.toString());
    return completion;
}

QString MakeURLPath(const QString &url)
{
    const qsizetype lastSlash = url.lastIndexOf(u'/');
    if (lastSlash < 0)
        return url;
    const QString directory = url.left(lastSlash + 1);
    return directory.endsWith(u"//") ? url : directory;
}

QString WithoutUserAndFragment(const QString &url)
{
    QString address = url.left(url.indexOf(u'#'));
    const auto [hostStart, hostEnd] = authorityOf(address);
    if (hostStart < 0)
        return address;
    const qsizetype at = address.lastIndexOf(u'@', hostEnd - 1);
    if (at >= hostStart)
        address.remove(hostStart, at + 1 - hostStart);
    return address;
}

QString AutomaticReferer(const QString &url)
{
    return MakeURLPath(WithoutUserAndFragment(url));
}

QString RefererHeader(const QString &value)
{
    return QStringLiteral("Referer: ") + value;
}

} // namespace url
