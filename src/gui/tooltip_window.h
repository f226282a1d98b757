#pragma once

#include <QColor>
#include <QMargins>
#include <QPointer>
#include <QTextLayout>
#include <QTimer>
#include <QWidget>

#include <optional>
#include <vector>

// A tool: a rectangle of the target in its own pixels (right and bottom
// exclusive) and the text shown while the pointer rests on it.
struct TooltipTool {
    qint32 left = 0;
    qint32 top = 0;
    qint32 right = 0;
    qint32 bottom = 0;
    QString text;
};

// A hover tip for the tools of one target widget. It watches the target's
// pointer itself: hovering over the target or any of its children is seen,
// nothing has to be forwarded. After the initial delay the tip shows the
// tool's text below-right of the pointer for the auto-pop delay; leaving the
// tool hides it. In tracking mode the tip stands at a given screen position.
// Owned by the target (as a window of its own), so it never outlives it.
class TooltipWindow : public QWidget {
    Q_OBJECT
public:
    // Numbered as the tooltip messages number them.
    enum class Delay { Reshow = 1, AutoPop = 2, Initial = 3 };

    explicit TooltipWindow(QWidget *target);

    void activate(bool active);
    // A negative time restores the default, which follows the double-click time.
    void setDelayTime(Delay which, qint32 milliseconds);
    qint32 delayTime(Delay which) const;
    // Width at which text wraps; -1 (the default) keeps each tip on one line.
    void setMaxTipWidth(qint32 width);
    qint32 maxTipWidth() const { return maxWidth_; }
    void setMargin(const QMargins &margin);
    QMargins margin() const { return margin_; }
    void setTipTextColor(const QColor &color);
    QColor tipTextColor() const { return textColor_; }
    void setTipBkColor(const QColor &color);
    QColor tipBkColor() const { return backColor_; }

    // Refuses a key that is already taken.
    bool addTool(qint32 id, const TooltipTool &tool);
    void delTool(qint32 id);
    qint32 toolCount() const { return static_cast<qint32>(tools_.size()); }
    std::optional<TooltipTool> toolInfo(qint32 id) const;
    void setToolInfo(qint32 id, const TooltipTool &tool);
    void newToolRect(qint32 id, qint32 left, qint32 top, qint32 right, qint32 bottom);

    // The text of the tip on screen; empty while none is shown.
    QString shownText() const;
    // Hides the tip; a hovered tool shows again only after the pointer left it.
    void pop();
    void trackActivate(qint32 id, bool track);
    // The screen position packed as y × 65536 + x; x is the sign-extended low half.
    void trackPosition(qint32 packedPosition);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    struct KeyedTool {
        qint32 id;
        TooltipTool tool;
    };

    const KeyedTool *findTool(qint32 id) const;
    KeyedTool *findTool(qint32 id);
    void pointerMoved(const QPoint &local);
    void pointerLeft();
    void showHoveredTool();
    // Shows the tool's text (hover or tracking); an empty text hides the tip.
    void showTool(qint32 id);
    void hideTip();
    void layOut(QString text);
    // Lays out lines of the given width until the height is filled; returns
    // how many characters of the text they hold.
    qsizetype layOutLines(qreal lineWidth, int maxHeight);
    // Where the tip may stand: the available area of the pointer's screen.
    QRect screenArea() const;
    void place();

    QPointer<QWidget> target_;
    std::vector<KeyedTool> tools_;
    bool active_ = true;
    qint32 maxWidth_ = -1;
    QMargins margin_;
    QColor textColor_;
    QColor backColor_;
    qint32 initialMs_ = -1;
    qint32 autoPopMs_ = -1;
    qint32 reshowMs_ = -1;

    std::optional<qint32> hoveredTool_;
    std::optional<qint32> shownTool_;
    QPoint pointer_; // last pointer position over the target, screen coordinates
    QTimer showTimer_;
    QTimer autoPopTimer_;

    std::optional<qint32> trackedTool_;
    qint32 packedTrackPosition_ = 0;

    QTextLayout layout_;
};
