#include "cli/check_text.h"

#include "cli/report_line.h"

QString CheckText(const diagnosis::Diagnosis &diagnosis)
{
    QString text = u"\n"_qs
        + ReportLine(u"セキュリティ評価"_qs,
            diagnosis.security.grade + u" ("_qs + QString::number(diagnosis.security.score) + u" 点)"_qs);
    for (const diagnosis::Finding &finding : diagnosis.findings) {
        text
            += ReportLine(u'[' + diagnosis::LevelText(finding.level).toString() + u"] "_qs + finding.category,
                finding.message + u" ("_qs + finding.reference + u')');
    }
    return text;
}
