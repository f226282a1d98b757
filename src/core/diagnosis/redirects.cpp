#include "core/diagnosis/checks.h"

#include <QUrl>

namespace diagnosis {

void CheckRedirects(const Context &context, QList<Finding> &findings)
{
    const Response &response = context.response;
    const int status = response.status;
    const bool redirect = status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
    const QString location = context.value(u"location"_qs);
    if (redirect && !context.has(u"location"_qs)) {
        Add(findings, u"redirect-no-location", Level::Bad, kRedirects, u"location",
            u"状態 "_qs + QString::number(status)
                + u" はリダイレクトなのに Location がないため、"
                  "ブラウザは行き先が分からずこの応答を表示します。"_qs,
            u"RFC 9110 §10.2.2");
    }
    const QUrl target(location);
    if (!location.isEmpty() && target.isRelative()) {
        const QString resolved = QUrl(response.url).resolved(target).toString();
        Add(findings, u"location-relative", Level::Info, kRedirects, u"location",
            Quoted(u"Location", location) + u"は相対参照で、ブラウザは要求したアドレスを基準に「"_qs
                + Shown(resolved) + u"」へ進みます。"_qs,
            u"RFC 9110 §10.2.2");
    }
    if (status >= 200 && status < 300 && !response.tls
        && QUrl(response.url).scheme().compare(u"http", Qt::CaseInsensitive) == 0) {
        Add(findings, u"no-https-redirect", Level::Warn, kRedirects, QStringView(),
            u"http:// のアドレスに状態 "_qs + QString::number(status)
                + u" で答えており、https へリダイレクトしないため、通信が暗号化されず途中で読まれたり"
                  u"書き換えられたりします。"_qs,
            u"RFC 6797 §7.2");
    }
}

} // namespace diagnosis
