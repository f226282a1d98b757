#include "cli/bulk_output.h"

#include "core/headers/value_format.h"

#include <QStringList>

namespace bulkoutput {

namespace {

QString TotalMilliseconds(const bulk::Result &result)
{
    if (result.outcome == bulk::Result::Outcome::Refused)
        return {};
    return QString::number(double(result.totalMicroseconds) / 1000.0, 'f', 2);
}

QString CsvField(const QString &text)
{
    QString field = headers::VisibleControls(text);
    if (!field.contains(u',') && !field.contains(u'"') && !field.contains(u'\n'))
        return field;
    return u'"' + field.replace(u"\""_qs, u"\"\""_qs) + u'"';
}

} // namespace

QString StatusChain(const bulk::Result &result)
{
    QStringList statuses;
    for (const bulk::Hop &hop : result.hops)
        statuses << QString::number(hop.status);
    if (result.outcome == bulk::Result::Outcome::Failed || result.outcome == bulk::Result::Outcome::Refused)
        statuses << QStringLiteral("失敗");
    return statuses.join(QStringLiteral(" → "));
}

QString TextLine(const bulk::Result &result, bool timing)
{
    const QString total = TotalMilliseconds(result);
    QString line = StatusChain(result) + QStringLiteral("  ")
        + (total.isEmpty() ? QStringLiteral("-") : total + QStringLiteral(" ms")) + QStringLiteral("  ")
        + (result.url.isEmpty() ? result.address : result.url);
    if (!result.endsAt.isEmpty())
        line += QStringLiteral(" → ") + result.endsAt;
    if (timing && !result.hops.isEmpty()) {
        const ConnectionFacts &facts = result.hops.last().facts;
        line += QStringLiteral("  [%1 ポート %2, 最初のバイト %3 ms]")
                    .arg(facts.address)
                    .arg(facts.port)
                    .arg(double(facts.firstByte) / 1000.0, 0, 'f', 2);
    }
    if (!result.failure.isEmpty())
        line += QStringLiteral("  ") + result.failure;
    return headers::VisibleControls(line) + u'\n';
}

QString CsvHeader()
{
    return QStringLiteral(
        "\uFEFFアドレス,状態,最終アドレスまたは Location,合計 (ms),IP アドレス,失敗の理由\r\n");
}

QString CsvRow(const bulk::Result &result)
{
    const QStringList fields = {result.url.isEmpty() ? result.address : result.url, StatusChain(result),
        result.endsAt, TotalMilliseconds(result), result.answeringAddress, result.failure};
    QStringList quoted;
    for (const QString &field : fields)
        quoted << CsvField(field);
    return quoted.join(u',') + QStringLiteral("\r\n");
}

} // namespace bulkoutput
