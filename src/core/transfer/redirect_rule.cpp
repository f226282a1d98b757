#include "core/transfer/redirect_rule.h"

#include "core/transfer/curl_header_block.h"
#include "core/transfer/state_report.h"

#include <QUrl>

namespace redirect {

Hop NextHop(const QString &address, const QString &block)
{
    const int status = engine::StatusCode(block);
    const QString location = HeaderValue(block, QStringLiteral("Location"));
    if (status < 300 || status > 399 || location.isEmpty())
        return {};
    const QUrl from(address);
    const QUrl to = from.resolved(QUrl(location));
    const bool downgrade = from.scheme().compare(u"https", Qt::CaseInsensitive) == 0
        && to.scheme().compare(u"http", Qt::CaseInsensitive) == 0;
    return {downgrade ? Hop::Kind::Refused : Hop::Kind::Follow, to.toString(QUrl::FullyEncoded)};
}

} // namespace redirect
