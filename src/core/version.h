#pragma once

#include <QString>

// The program's version, shown in the version line and sent in the User-Agent.
namespace tobrell {

inline constexpr char kVersion[] = "1.00";
inline constexpr char kVersionDate[] = "Feb 2006";

} // namespace tobrell

// "Tobrell ver 1.00 Feb 2006"
QString VersionLine();
