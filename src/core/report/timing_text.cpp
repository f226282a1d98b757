#include "core/report/timing_text.h"

#include "core/report/report_line.h"

namespace {

QString Milliseconds(qint64 microseconds)
{
    return QString::number(double(microseconds) / 1000.0, 'f', 2) + QStringLiteral(" ms");
}

} // namespace

QString TimingText(const ConnectionFacts &facts)
{
    QString text = ReportLine(
        QStringLiteral("接続先"), facts.address + QStringLiteral(" ポート ") + QString::number(facts.port));
    text += ReportLine(QStringLiteral("名前解決"), Milliseconds(facts.nameLookup));
    text += ReportLine(QStringLiteral("接続"), Milliseconds(facts.connect));
    if (facts.tls)
        text += ReportLine(QStringLiteral("TLS"), Milliseconds(facts.tlsHandshake));
    text += ReportLine(QStringLiteral("最初のバイト"), Milliseconds(facts.firstByte));
    text += ReportLine(QStringLiteral("合計"), Milliseconds(facts.total));
    return text;
}
