#include "core/report/certificate_text.h"

#include "core/headers/value_format.h"
#include "core/report/report_line.h"

#include <QLocale>

namespace {

// OpenSSL's way of writing a time, "Dec  7 23:24:00 2026 GMT".
QDateTime ReadCertificateTime(const QString &text)
{
    const QStringList words = text.split(u' ', Qt::SkipEmptyParts);
    if (words.size() != 5 || words[4] != u"GMT")
        return {};
    const QDate date = QLocale::c().toDate(words[1] + u' ' + words[0] + u' ' + words[3], u"d MMM yyyy"_qs);
    const QTime time = QLocale::c().toTime(words[2], u"HH:mm:ss"_qs);
    return QDateTime(date, time, Qt::UTC);
}

QString Moment(const QString &text)
{
    const QDateTime moment = ReadCertificateTime(text);
    return moment.isValid() ? headers::JapaneseDateTime(moment) : text;
}

QString DaysLeft(const QString &expiry, const QDateTime &now)
{
    const QDateTime end = ReadCertificateTime(expiry);
    if (!end.isValid())
        return {};
    const qint64 seconds = now.secsTo(end);
    if (seconds < 0)
        return QStringLiteral(" (期限切れ)");
    return QStringLiteral(" (残り %1 日)").arg(seconds / 86400);
}

} // namespace

QString CertificateText(const ConnectionFacts &facts, const QDateTime &now)
{
    if (facts.certificate.isEmpty())
        return {};
    const QString expiry = CertificateField(facts, "Expire date");
    return ReportLine(QStringLiteral("サブジェクト"), CertificateField(facts, "Subject"))
        + ReportLine(QStringLiteral("発行者"), CertificateField(facts, "Issuer"))
        + ReportLine(QStringLiteral("有効期間の開始"), Moment(CertificateField(facts, "Start date")))
        + ReportLine(QStringLiteral("有効期間の終了"), Moment(expiry) + DaysLeft(expiry, now))
        + ReportLine(QStringLiteral("SHA-256"), CertificateFingerprint(facts));
}
