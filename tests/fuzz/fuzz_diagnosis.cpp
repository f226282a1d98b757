// The diagnosis of any received header block, over http and https.
#include "core/diagnosis/diagnosis.h"
#include "core/transfer/curl_header_block.h"
#include "fuzz_support.h"

#include <QSet>

using namespace Qt::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QSet<QString> kIds = {u"freshness"_s, u"heuristic-freshness"_s, u"no-store"_s, u"private"_s,
        u"public-private"_s, u"cc-conflict"_s, u"cc-syntax"_s, u"no-validator"_s, u"expires-invalid"_s,
        u"pragma"_s, u"vary-star"_s, u"vary-user-agent"_s, u"etag-syntax"_s, u"last-modified-future"_s,
        u"date-missing"_s, u"clock-skew"_s, u"date-obsolete"_s, u"redirect-no-location"_s,
        u"location-relative"_s, u"no-https-redirect"_s, u"hsts-missing"_s, u"hsts-invalid"_s, u"hsts-short"_s,
        u"hsts-over-http"_s, u"csp-missing"_s, u"csp-unsafe"_s, u"csp-report-only"_s, u"xcto"_s, u"framing"_s,
        u"referrer-policy"_s, u"cookie-secure"_s, u"cookie-httponly"_s, u"cookie-samesite"_s,
        u"cookie-prefix"_s, u"cookie-lifetime"_s, u"leaky-header"_s, u"deprecated-header"_s, u"cl-and-te"_s,
        u"repeated-header"_s, u"encoding-no-vary"_s, u"http-version"_s};
    diagnosis::Response response = diagnosis::ReadBlock(DecodeHeaderBlock(fuzz::Bytes(data, size)));
    response.tls = size % 2;
    response.url = response.tls ? u"https://h/a/"_s : u"http://h/a/"_s;
    response.responseReceived = QDateTime(QDate(2026, 12, 8), QTime(12, 0), Qt::UTC);
    response.requestSent = response.responseReceived.addSecs(-1);
    const diagnosis::Diagnosis result = diagnosis::Diagnose(response);
    // Known ids, worst first, one sentence each that quotes no value whole
    // beyond 200 characters, a score from 0 and a grade.
    for (qsizetype i = 0; i < result.findings.size(); ++i) {
        const diagnosis::Finding &finding = result.findings[i];
        FUZZ_CHECK(kIds.contains(finding.id));
        FUZZ_CHECK(i == 0 || int(finding.level) <= int(result.findings[i - 1].level));
        FUZZ_CHECK(
            !finding.message.isEmpty() && finding.message.size() < 1000 && !finding.reference.isEmpty());
    }
    FUZZ_CHECK(result.security.score >= 0 && !result.security.grade.isEmpty());
    return 0;
}
