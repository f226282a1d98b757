#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

// Where the window goes at start, from the position saved in twips.
namespace placement {

// The layout and the saved position are in twips; the screen has 15 to a pixel.
inline constexpr int kTwipsPerPixel = 15;

// The frame's top-left corner for the saved left and top (a missing value
// counts as 0). When no part of a frame of frameSize there would be on any of
// screens (a monitor that is gone), the top-left of the primary screen instead.
QPoint RestoredPosition(std::optional<qint32> left, std::optional<qint32> top, QSize frameSize,
    const QList<QRect> &screens, QPoint primaryTopLeft);

} // namespace placement
