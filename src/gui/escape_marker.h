#pragma once

#include <QString>

namespace engine {

// What strTransferInfo holds while a GET that the user released is ending.
inline const QString kEscapeMarker = QStringLiteral("Escape");

} // namespace engine
