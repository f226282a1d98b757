#include "core/report/last_response.h"

#include "core/headers/value_format.h"
#include "core/report/certificate_text.h"
#include "core/report/timing_text.h"
#include "core/transfer/curl_header_block.h"

#include <algorithm>

namespace report {

diagnosis::Response DiagnosisInput(const LastResponse &response)
{
    diagnosis::Response input = diagnosis::ReadBlock(response.block);
    input.url = response.url;
    input.tls = response.facts.tls;
    input.requestSent = response.facts.started;
    if (response.facts.started.isValid())
        input.responseReceived = response.facts.started.addMSecs(response.facts.firstByte / 1000);
    return input;
}

QString AnnotatedBlock(const QString &block)
{
    return headers::HeaderBoxText(block, [&block](const QString &name) { return HeaderValue(block, name); });
}

QString ConnectionText(const ConnectionFacts &facts, const QDateTime &now)
{
    QString text = TimingText(facts);
    if (!facts.certificate.isEmpty())
        text += u'\n' + CertificateText(facts, now);
    return text;
}

QString SecurityText(const diagnosis::Security &security)
{
    return QStringLiteral("%1 (%2 点)").arg(security.grade).arg(security.score);
}

QList<QPair<QString, QList<diagnosis::Finding>>> FindingsByCategory(const QList<diagnosis::Finding> &findings)
{
    QList<QPair<QString, QList<diagnosis::Finding>>> groups;
    for (const QString &category : {u"キャッシュ"_qs, u"検証子と時刻"_qs, u"リダイレクト"_qs,
             u"セキュリティ"_qs, u"クッキー"_qs, u"転送"_qs})
        groups.append({category, {}});
    for (const diagnosis::Finding &finding : findings) {
        auto group = std::find_if(
            groups.begin(), groups.end(), [&finding](const auto &g) { return g.first == finding.category; });
        if (group == groups.end())
            group = groups.insert(groups.end(), {finding.category, {}});
        group->second.append(finding);
    }
    groups.removeIf([](const auto &group) { return group.second.isEmpty(); });
    return groups;
}

} // namespace report
