#include "gui/window_place.h"

#include <algorithm>

namespace placement {

QPoint RestoredPosition(std::optional<qint32> left, std::optional<qint32> top, QSize frameSize,
    const QList<QRect> &screens, QPoint primaryTopLeft)
{
    const auto pixels
        = [](std::optional<qint32> twips) { return qRound(double(twips.value_or(0)) / kTwipsPerPixel); };
    const QRect frame(QPoint(pixels(left), pixels(top)), frameSize);
    const bool visible = std::any_of(
        screens.begin(), screens.end(), [&frame](const QRect &screen) { return screen.intersects(frame); });
    return visible ? frame.topLeft() : primaryTopLeft;
}

} // namespace placement
