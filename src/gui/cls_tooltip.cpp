#include "gui/cls_tooltip.h"

#include "gui/tooltip_window.h"

#include <QtNumeric>

namespace {

using Delay = TooltipWindow::Delay;

QColor colorFromNumber(qint32 color)
{
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

qint32 numberFromColor(const QColor &color)
{
    return color.red() | color.green() << 8 | color.blue() << 16;
}

} // namespace

clsToolTip::~clsToolTip()
{
    delete lngTipHwnd.data();
}

qint32 clsToolTip::pForeColor() const
{
    return lngTipHwnd ? numberFromColor(lngTipHwnd->tipTextColor()) : 0;
}

void clsToolTip::pForeColor(qint32 lngNewColor)
{
    if (lngTipHwnd)
        lngTipHwnd->setTipTextColor(colorFromNumber(lngNewColor));
}

qint32 clsToolTip::pBackColor() const
{
    return lngTipHwnd ? numberFromColor(lngTipHwnd->tipBkColor()) : 0;
}

void clsToolTip::pBackColor(qint32 lngNewColor)
{
    if (lngTipHwnd)
        lngTipHwnd->setTipBkColor(colorFromNumber(lngNewColor));
}

qint32 clsToolTip::pMaxWidth() const
{
    return lngTipHwnd ? lngTipHwnd->maxTipWidth() : 0;
}

void clsToolTip::pMaxWidth(qint32 lngMaxWidth)
{
    if (lngTipHwnd)
        lngTipHwnd->setMaxTipWidth(lngMaxWidth);
}

qint32 clsToolTip::pReShowTime() const
{
    return lngTipHwnd ? lngTipHwnd->delayTime(Delay::Reshow) : 0;
}

void clsToolTip::pReShowTime(qint32 lngTime)
{
    if (lngTipHwnd)
        lngTipHwnd->setDelayTime(Delay::Reshow, MakeLong(0, lngTime));
}

qint32 clsToolTip::pInitialTime() const
{
    return lngTipHwnd ? lngTipHwnd->delayTime(Delay::Initial) : 0;
}

void clsToolTip::pInitialTime(qint32 lngTime)
{
    if (lngTipHwnd)
        lngTipHwnd->setDelayTime(Delay::Initial, MakeLong(0, lngTime));
}

qint32 clsToolTip::pAutoPopTime() const
{
    return lngTipHwnd ? lngTipHwnd->delayTime(Delay::AutoPop) : 0;
}

void clsToolTip::pAutoPopTime(qint32 lngTime)
{
    if (lngTipHwnd)
        lngTipHwnd->setDelayTime(Delay::AutoPop, MakeLong(0, lngTime));
}

void clsToolTip::pActivate(bool booActivate)
{
    if (lngTipHwnd)
        lngTipHwnd->activate(booActivate);
}

void clsToolTip::pToolText(qint32 lngKey, const QString &strNewText)
{
    if (!lngTipHwnd)
        return;
    TooltipTool changed = tool(lngKey);
    changed.text = strNewText;
    lngTipHwnd->setToolInfo(lngKey, changed);
}

qint32 clsToolTip::pToolCount() const
{
    return lngTipHwnd ? lngTipHwnd->toolCount() : 0;
}

void clsToolTip::mToolTrackPosition(qint32 lngX, qint32 lngY)
{
    if (lngTipHwnd)
        lngTipHwnd->trackPosition(MakeLong(lngY, lngX));
}

TooltipWindow *clsToolTip::phWnd() const
{
    return lngTipHwnd;
}

void clsToolTip::pToolTrack(qint32 lngKey, bool booTrack)
{
    if (lngTipHwnd)
        lngTipHwnd->trackActivate(lngKey, booTrack);
}

void clsToolTip::mToolRemove(qint32 lngKey)
{
    if (lngTipHwnd)
        lngTipHwnd->delTool(lngKey);
}

bool clsToolTip::mToolAdd(
    qint32 lngKey, const QString &strText, qint32 lngLeft, qint32 lngTop, qint32 lngHeight, qint32 lngWidth)
{
    if (!lngTipHwnd)
        return false;
    TooltipTool tool;
    tool.text = strText;
    if (lngLeft == 0 && lngHeight == 0 && lngWidth == 0) {
        tool.right = lngTargetHwnd->width();
        tool.bottom = lngTargetHwnd->height();
    } else {
        tool.left = lngLeft;
        tool.top = lngTop;
        if (qAddOverflow(lngLeft, lngWidth, &tool.right) || qAddOverflow(lngTop, lngHeight, &tool.bottom))
            return false;
    }
    return lngTipHwnd->addTool(lngKey, tool);
}

qint32 clsToolTip::pToolLeft(qint32 lngKey) const
{
    return tool(lngKey).left;
}

bool clsToolTip::pToolLeft(qint32 lngKey, qint32 lngNewLeft)
{
    return changeExtent(lngKey, &Extent::left, lngNewLeft);
}

qint32 clsToolTip::pToolTop(qint32 lngKey) const
{
    return tool(lngKey).top;
}

bool clsToolTip::pToolTop(qint32 lngKey, qint32 lngNewTop)
{
    return changeExtent(lngKey, &Extent::top, lngNewTop);
}

std::optional<qint32> clsToolTip::pToolHeight(qint32 lngKey) const
{
    const TooltipTool found = tool(lngKey);
    qint32 height = 0;
    return qSubOverflow(found.bottom, found.top, &height) ? std::nullopt : std::optional<qint32>(height);
}

bool clsToolTip::pToolHeight(qint32 lngKey, qint32 lngNewHeight)
{
    return changeExtent(lngKey, &Extent::height, lngNewHeight);
}

std::optional<qint32> clsToolTip::pToolWidth(qint32 lngKey) const
{
    const TooltipTool found = tool(lngKey);
    qint32 width = 0;
    return qSubOverflow(found.right, found.left, &width) ? std::nullopt : std::optional<qint32>(width);
}

bool clsToolTip::pToolWidth(qint32 lngKey, qint32 lngNewWidth)
{
    return changeExtent(lngKey, &Extent::width, lngNewWidth);
}

void clsToolTip::mPop()
{
    if (lngTipHwnd)
        lngTipHwnd->pop();
}

qint32 clsToolTip::pMarginLeft() const
{
    return lngTipHwnd ? lngTipHwnd->margin().left() : 0;
}

void clsToolTip::pMarginLeft(qint32 lngNewMargin)
{
    changeMargin(&QMargins::setLeft, lngNewMargin);
}

qint32 clsToolTip::pMarginTop() const
{
    return lngTipHwnd ? lngTipHwnd->margin().top() : 0;
}

void clsToolTip::pMarginTop(qint32 lngNewMargin)
{
    changeMargin(&QMargins::setTop, lngNewMargin);
}

qint32 clsToolTip::pMarginRight() const
{
    return lngTipHwnd ? lngTipHwnd->margin().right() : 0;
}

void clsToolTip::pMarginRight(qint32 lngNewMargin)
{
    changeMargin(&QMargins::setRight, lngNewMargin);
}

qint32 clsToolTip::pMarginBottom() const
{
    return lngTipHwnd ? lngTipHwnd->margin().bottom() : 0;
}

void clsToolTip::pMarginBottom(qint32 lngNewMargin)
{
    changeMargin(&QMargins::setBottom, lngNewMargin);
}

bool clsToolTip::mCreate(QWidget *lngTarget)
{
    if (lngTipHwnd || !lngTarget)
        return false;
    lngTipHwnd = new TooltipWindow(lngTarget);
    lngTargetHwnd = lngTarget;
    return true;
}

TooltipTool clsToolTip::tool(qint32 lngKey) const
{
    // An unknown key reads as the all-zero tool.
    return lngTipHwnd ? lngTipHwnd->toolInfo(lngKey).value_or(TooltipTool{}) : TooltipTool{};
}

bool clsToolTip::changeExtent(qint32 lngKey, qint32 Extent::*side, qint32 value)
{
    const std::optional<qint32> width = pToolWidth(lngKey);
    const std::optional<qint32> height = pToolHeight(lngKey);
    if (!width || !height)
        return false;
    Extent extent{pToolLeft(lngKey), pToolTop(lngKey), *width, *height};
    extent.*side = value;
    qint32 right = 0;
    qint32 bottom = 0;
    if (qAddOverflow(extent.left, extent.width, &right) || qAddOverflow(extent.top, extent.height, &bottom))
        return false;
    if (lngTipHwnd)
        lngTipHwnd->newToolRect(lngKey, extent.left, extent.top, right, bottom);
    return true;
}

void clsToolTip::changeMargin(void (QMargins::*side)(int), qint32 value)
{
    if (!lngTipHwnd)
        return;
    QMargins margin = lngTipHwnd->margin();
    (margin.*side)(value);
    lngTipHwnd->setMargin(margin);
}

qint32 clsToolTip::MakeLong(qint32 high, qint32 low)
{
    return static_cast<qint32>(static_cast<quint32>(static_cast<qint64>(high) * 65536 + low));
}
