#pragma once

#include <QString>
#include <QStringView>

// Which redirect --location follows.
namespace redirect {

// At most this many redirects are followed for one command.
constexpr int kMostHops = 10;

// %1 is kMostHops.
inline constexpr QStringView kTooManyHops = u"リダイレクトが %1 回を超えたため、その先はたどりません。";
// Followed by the address that was not followed.
inline constexpr QStringView kDowngradeRefused = u"https から http へのリダイレクトはたどりません: ";

struct Hop {
    enum class Kind { None, Follow, Refused } kind = Kind::None;
    QString address; // Follow and Refused: the address the block points to
};

// For an answer to address with the header block given: a status 3xx with a
// Location is a redirect to that address, relative ones resolved against
// address; one from https to http is refused.
Hop NextHop(const QString &address, const QString &block);

} // namespace redirect
