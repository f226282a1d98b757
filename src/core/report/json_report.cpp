#include "core/report/json_report.h"

#include "core/headers/value_format.h"
#include "core/report/last_response.h"
#include "core/transfer/curl_header_block.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringTokenizer>

#include <cmath>

namespace report {

namespace {

double Milliseconds(qint64 microseconds)
{
    return std::round(double(microseconds) / 10.0) / 100.0;
}

// The field lines of a block as [name, value] pairs, the value trimmed.
QJsonArray HeaderPairs(const QString &block)
{
    QJsonArray pairs;
    bool statusLine = true;
    for (const QStringView line : QStringTokenizer(block, u"\r\n")) {
        if (std::exchange(statusLine, false))
            continue;
        const qsizetype colon = line.indexOf(u':');
        pairs.append(colon < 0
                ? QJsonArray{line.toString(), QString()}
                : QJsonArray{line.first(colon).toString(), line.sliced(colon + 1).trimmed().toString()});
    }
    return pairs;
}

QJsonObject Timing(const ConnectionFacts &facts)
{
    QJsonObject timing{{u"name_lookup"_qs, Milliseconds(facts.nameLookup)},
        {u"connect"_qs, Milliseconds(facts.connect)}, {u"first_byte"_qs, Milliseconds(facts.firstByte)},
        {u"total"_qs, Milliseconds(facts.total)}};
    if (facts.tls)
        timing.insert(u"tls"_qs, Milliseconds(facts.tlsHandshake));
    return timing;
}

QJsonObject Certificate(const ConnectionFacts &facts)
{
    return {{u"subject"_qs, CertificateField(facts, "Subject")},
        {u"issuer"_qs, CertificateField(facts, "Issuer")},
        {u"start"_qs, CertificateField(facts, "Start date")},
        {u"expire"_qs, CertificateField(facts, "Expire date")},
        {u"sha256"_qs, CertificateFingerprint(facts)}};
}

QJsonObject ResponseObject(const bulk::Hop &hop)
{
    const QString block = DecodeHeaderBlock(hop.block);
    QJsonObject response{{u"url"_qs, hop.url}, {u"status"_qs, hop.status},
        {u"http_version"_qs, hop.httpVersion}, {u"headers"_qs, HeaderPairs(block)},
        {u"annotated"_qs,
            headers::HeaderBoxText(
                block, [&block](const QString &name) { return HeaderValue(block, name); })},
        {u"address"_qs, hop.facts.address}, {u"port"_qs, qint64(hop.facts.port)},
        {u"timing"_qs, Timing(hop.facts)}};
    if (!hop.facts.certificate.isEmpty())
        response.insert(u"certificate"_qs, Certificate(hop.facts));
    return response;
}

QJsonObject FindingObject(const diagnosis::Finding &finding)
{
    QJsonObject object{{u"id"_qs, finding.id}, {u"level"_qs, diagnosis::LevelId(finding.level).toString()},
        {u"category"_qs, finding.category}, {u"message"_qs, finding.message},
        {u"reference"_qs, finding.reference}, {u"header"_qs, finding.header}};
    for (const auto &[name, seconds] : {std::pair{u"lifetime"_qs, finding.lifetime},
             std::pair{u"age"_qs, finding.age}, std::pair{u"remaining"_qs, finding.remaining}}) {
        if (seconds)
            object.insert(name, *seconds);
    }
    return object;
}

} // namespace

QJsonObject ReportObject(const bulk::Result &result, bool diagnose)
{
    QJsonArray responses;
    for (const bulk::Hop &hop : result.hops)
        responses.append(ResponseObject(hop));
    QJsonObject object{
        {u"url"_qs, result.url.isEmpty() ? result.address : result.url}, {u"responses"_qs, responses}};
    if (!result.endsAt.isEmpty())
        object.insert(u"location"_qs, result.endsAt);
    if (!result.failure.isEmpty())
        object.insert(u"error"_qs, result.failure);
    if (diagnose && !result.hops.isEmpty()) {
        const bulk::Hop &last = result.hops.last();
        const diagnosis::Diagnosis found
            = diagnosis::Diagnose(DiagnosisInput({last.url, DecodeHeaderBlock(last.block), last.facts}));
        QJsonArray findings;
        for (const diagnosis::Finding &finding : found.findings)
            findings.append(FindingObject(finding));
        object.insert(u"findings"_qs, findings);
        object.insert(u"security"_qs,
            QJsonObject{{u"score"_qs, found.security.score}, {u"grade"_qs, found.security.grade}});
    }
    return object;
}

QByteArray JsonLine(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace report
