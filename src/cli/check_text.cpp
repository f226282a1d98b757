#include "cli/check_text.h"

#include "core/report/last_response.h"
#include "core/report/report_line.h"

QString CheckText(const diagnosis::Diagnosis &diagnosis)
{
    QString text = u"\n"_qs + ReportLine(u"セキュリティ評価"_qs, report::SecurityText(diagnosis.security));
    for (const diagnosis::Finding &finding : diagnosis.findings) {
        text
            += ReportLine(u'[' + diagnosis::LevelText(finding.level).toString() + u"] "_qs + finding.category,
                finding.message + u" ("_qs + finding.reference + u')');
    }
    return text;
}
