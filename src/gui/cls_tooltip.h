#pragma once

#include <QPointer>
#include <QString>

#include <optional>

class QMargins;
class QWidget;
class TooltipWindow;
struct TooltipTool;

// A hover tip window bound to one target widget, and its tools: rectangles
// of the target identified by a key, each with a text.
//
// Each property is a pair of overloads of one name: pMaxWidth() reads,
// pMaxWidth(value) writes; keyed ones take the key first. Colours are
// numbers 0x00BBGGRR. Until mCreate has made the tip window every member
// does nothing and every getter returns 0. The tip window ends with the
// instance (or with its target, whichever goes first).
//
// A rectangle whose right or bottom edge, width or height does not fit in
// 32 signed bits is refused: mToolAdd and the rectangle setters return false
// and change nothing, pToolWidth and pToolHeight return no value.
class clsToolTip {
public:
    clsToolTip() = default;
    ~clsToolTip();
    clsToolTip(const clsToolTip &) = delete;
    clsToolTip &operator=(const clsToolTip &) = delete;

    qint32 pForeColor() const;
    void pForeColor(qint32 lngNewColor);
    qint32 pBackColor() const;
    void pBackColor(qint32 lngNewColor);
    // -1 (the default) keeps a tip on one line; otherwise text wraps at this
    // width and breaks at each line break.
    qint32 pMaxWidth() const;
    void pMaxWidth(qint32 lngMaxWidth);
    // Delays in milliseconds; a negative one restores the default.
    qint32 pReShowTime() const;
    void pReShowTime(qint32 lngTime);
    qint32 pInitialTime() const;
    void pInitialTime(qint32 lngTime);
    qint32 pAutoPopTime() const;
    void pAutoPopTime(qint32 lngTime);
    void pActivate(bool booActivate);
    void pToolText(qint32 lngKey, const QString &strNewText);
    qint32 pToolCount() const;
    // Screen position of a tracked tip.
    void mToolTrackPosition(qint32 lngX, qint32 lngY);
    TooltipWindow *phWnd() const;
    // Tracking shows the tool's tip at the track position until switched off.
    void pToolTrack(qint32 lngKey, bool booTrack);
    void mToolRemove(qint32 lngKey);
    // Height comes before width. Left, height and width all 0 cover the
    // target's whole current client area, whatever top is. False when there
    // is no tip window, the key is taken or the rectangle does not fit.
    bool mToolAdd(qint32 lngKey, const QString &strText, qint32 lngLeft, qint32 lngTop, qint32 lngHeight,
        qint32 lngWidth);
    // A key without a tool reads as an empty rectangle at 0, 0. Setting one
    // side keeps the others: moving keeps the size, resizing the top-left.
    qint32 pToolLeft(qint32 lngKey) const;
    bool pToolLeft(qint32 lngKey, qint32 lngNewLeft);
    qint32 pToolTop(qint32 lngKey) const;
    bool pToolTop(qint32 lngKey, qint32 lngNewTop);
    std::optional<qint32> pToolHeight(qint32 lngKey) const;
    bool pToolHeight(qint32 lngKey, qint32 lngNewHeight);
    std::optional<qint32> pToolWidth(qint32 lngKey) const;
    bool pToolWidth(qint32 lngKey, qint32 lngNewWidth);
    void mPop();
    // Space between the tip's border and its text.
    qint32 pMarginLeft() const;
    void pMarginLeft(qint32 lngNewMargin);
    qint32 pMarginTop() const;
    void pMarginTop(qint32 lngNewMargin);
    qint32 pMarginRight() const;
    void pMarginRight(qint32 lngNewMargin);
    qint32 pMarginBottom() const;
    void pMarginBottom(qint32 lngNewMargin);
    // Makes the tip window for lngTarget; false for a second call (nothing
    // changes) or a null target.
    bool mCreate(QWidget *lngTarget);

private:
    struct Extent {
        qint32 left, top, width, height;
    };
    TooltipTool tool(qint32 lngKey) const;
    // Sets one side of the tool's extent, keeping the other three.
    bool changeExtent(qint32 lngKey, qint32 Extent::*side, qint32 value);
    // Sets one margin, keeping the other three.
    void changeMargin(void (QMargins::*side)(int), qint32 value);
    // high × 65536 + low, wrapped into 32 signed bits; low is not masked.
    static qint32 MakeLong(qint32 high, qint32 low);

    QPointer<TooltipWindow> lngTipHwnd;
    QPointer<QWidget> lngTargetHwnd;
};
