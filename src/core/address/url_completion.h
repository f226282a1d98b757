#pragma once

#include <QString>
#include <QStringView>

// Completion and validation of the address typed into the URL box, and the
// directory part of an address for the automatic Referer.
namespace url {

// Texts of the warning box that completion may ask for.
inline constexpr QStringView kBadFormatWarning = u"URL の書式が正しくないため、読み込みできませんでした。";
inline constexpr QStringView kFtpNotice = u"FTP には対応していません。HTTP で接続を試みます。";
// Follows the scheme text (which may be empty) in the unknown-protocol warning.
inline constexpr QStringView kUnknownProtocolSuffix = u" は不明なプロトコルです。";

struct Completion {
    QString url; // what the URL box shows afterwards: trimmed or completed
    bool valid = false; // true when a request may be sent with url
    QString warning; // text of the warning box to show; empty for none
};

// Trims the typed text (spaces, tabs and U+3000 at both ends) and completes a
// missing or mangled scheme to "http://". Refuses text without "//" that does
// not start with "www." or "/www.", and any scheme longer than five characters
// other than "https", and an address that completes to one without a host
// ("file:///etc/passwd"). Comparisons are exact and case-sensitive.
Completion CompleteURL(const QString &typed);

// The address up to and including its last "/"; the whole address when that
// "/" is the second slash after the scheme (no path) or when there is no "/".
QString MakeURLPath(const QString &url);

// The address as it may be told to a server in a Referer header: without a
// "user:password@" before the host and without a "#fragment".
QString WithoutUserAndFragment(const QString &url);

// The automatic Referer for a request to url: the directory of the address,
// without user, password and fragment, which are never told to the server.
QString AutomaticReferer(const QString &url);

// The request header line that carries value as the Referer.
QString RefererHeader(const QString &value);

} // namespace url
