#include "core/diagnosis/checks.h"

#include <utility>

namespace diagnosis {

QStringView LevelId(Level level)
{
    switch (level) {
    case Level::Good:
        return u"good";
    case Level::Info:
        return u"info";
    case Level::Warn:
        return u"warn";
    case Level::Bad:
        return u"bad";
    }
    return {};
}

QStringView LevelText(Level level)
{
    switch (level) {
    case Level::Good:
        return u"良";
    case Level::Info:
        return u"情報";
    case Level::Warn:
        return u"注意";
    case Level::Bad:
        return u"問題";
    }
    return {};
}

Diagnosis Diagnose(const Response &response)
{
    const Context context(response);
    const CacheControl cacheControl(context);
    const QList<Cookie> cookies = ReadCookies(context);
    Diagnosis diagnosis;
    QList<Finding> &findings = diagnosis.findings;
    CheckFreshness(context, cacheControl, findings);
    CheckCaching(context, cacheControl, findings);
    CheckValidatorsAndDates(context, findings);
    CheckRedirects(context, findings);
    CheckSecurityHeaders(context, findings);
    CheckCookies(context, cookies, findings);
    CheckTransfer(context, findings);
    // Worst first, in the order checked within a level: one pass per level
    // moves the findings rather than sorting them.
    QList<Finding> checked;
    checked.swap(findings);
    findings.reserve(checked.size());
    for (const Level level : {Level::Bad, Level::Warn, Level::Info, Level::Good}) {
        for (Finding &finding : checked) {
            if (finding.level == level)
                findings.append(std::move(finding));
        }
    }
    diagnosis.security = SecurityScore(context, cookies);
    return diagnosis;
}

Response ReadBlock(const QString &block)
{
    Response response;
    // Lines end in CR LF; a bare LF ends one as well.
    QList<QStringView> lines = SplitAt(block, u'\n');
    for (QStringView &line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    // "HTTP/1.1 200 OK", "HTTP/2 200"
    const QList<QStringView> status = lines.first().split(u' ', Qt::SkipEmptyParts);
    response.httpVersion = status.value(0).toString();
    response.status = status.value(1).toInt();
    response.fields.reserve(lines.size() - 1);
    for (QStringView line : lines.sliced(1)) {
        const qsizetype colon = line.indexOf(u':');
        if (colon > 0)
            response.fields.append(
                {line.left(colon).trimmed().toString(), line.sliced(colon + 1).trimmed().toString()});
    }
    return response;
}

} // namespace diagnosis
