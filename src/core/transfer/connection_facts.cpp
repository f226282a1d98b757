#include "core/transfer/connection_facts.h"

#include <QCryptographicHash>

namespace {

qint64 Microseconds(CURL *easy, CURLINFO info)
{
    curl_off_t time = 0;
    curl_easy_getinfo(easy, info, &time);
    return qint64(time);
}

} // namespace

ConnectionFacts ReadConnectionFacts(CURL *easy)
{
    ConnectionFacts facts;
    const char *ip = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_PRIMARY_IP, &ip) == CURLE_OK && ip)
        facts.address = QString::fromLatin1(ip);
    curl_easy_getinfo(easy, CURLINFO_PRIMARY_PORT, &facts.port);
    const char *scheme = nullptr;
    facts.tls = curl_easy_getinfo(easy, CURLINFO_SCHEME, &scheme) == CURLE_OK && scheme
        && qstricmp(scheme, "https") == 0;
    facts.nameLookup = Microseconds(easy, CURLINFO_NAMELOOKUP_TIME_T);
    facts.connect = Microseconds(easy, CURLINFO_CONNECT_TIME_T);
    facts.tlsHandshake = Microseconds(easy, CURLINFO_APPCONNECT_TIME_T);
    facts.firstByte = Microseconds(easy, CURLINFO_STARTTRANSFER_TIME_T);
    facts.total = Microseconds(easy, CURLINFO_TOTAL_TIME_T);

    // The first certificate of the chain is the server's own.
    curl_certinfo *chain = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_CERTINFO, &chain) == CURLE_OK && chain && chain->num_of_certs > 0) {
        for (const curl_slist *field = chain->certinfo[0]; field; field = field->next) {
            const QString text = QString::fromUtf8(field->data);
            const qsizetype colon = text.indexOf(u':');
            if (colon > 0)
                facts.certificate.append({text.first(colon), text.sliced(colon + 1)});
        }
    }
    return facts;
}

QString CertificateField(const ConnectionFacts &facts, const char *name)
{
    for (const auto &[key, value] : facts.certificate) {
        if (key == QLatin1String(name))
            return value.trimmed();
    }
    return {};
}

QString CertificateFingerprint(const ConnectionFacts &facts)
{
    QString base64 = CertificateField(facts, "Cert");
    base64.remove(QStringLiteral("-----BEGIN CERTIFICATE-----"));
    base64.remove(QStringLiteral("-----END CERTIFICATE-----"));
    const QByteArray der = QByteArray::fromBase64(base64.toLatin1());
    return QString::fromLatin1(
        QCryptographicHash::hash(der, QCryptographicHash::Sha256).toHex(':').toUpper());
}
