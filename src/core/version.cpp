#include "core/version.h"

QString VersionLine()
{
    return QStringLiteral("Tobrell ver %1 %2")
        .arg(QLatin1String(tobrell::kVersion), QLatin1String(tobrell::kVersionDate));
}
