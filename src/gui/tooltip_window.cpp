#include "gui/tooltip_window.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QGuiApplication>
#include <QHoverEvent>
#include <QPainter>
#include <QScreen>
#include <QStyleHints>
#include <QTextLine>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr int kBorder = 1;
// Below-right of the pointer, clear of the cursor shape.
constexpr QPoint kPointerOffset(2, 20);

// What a screen reader sees of a tip: a tool tip named by the text it shows.
class TooltipAccessible : public QAccessibleWidget {
public:
    explicit TooltipAccessible(TooltipWindow *tip) : QAccessibleWidget(tip, QAccessible::ToolTip) { }

    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Name ? static_cast<const TooltipWindow *>(widget())->shownText()
                                         : QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface *TooltipAccessibleFactory(const QString &className, QObject *object)
{
    if (className != QLatin1String(TooltipWindow::staticMetaObject.className()))
        return nullptr;
    return new TooltipAccessible(static_cast<TooltipWindow *>(object));
}

} // namespace

TooltipWindow::TooltipWindow(QWidget *target)
    : QWidget(target, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput), target_(target),
      textColor_(QToolTip::palette().color(QPalette::ToolTipText)),
      backColor_(QToolTip::palette().color(QPalette::ToolTipBase))
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFont(QToolTip::font());
    static const bool accessible = (QAccessible::installFactory(TooltipAccessibleFactory), true);
    Q_UNUSED(accessible)
    showTimer_.setSingleShot(true);
    autoPopTimer_.setSingleShot(true);
    connect(&showTimer_, &QTimer::timeout, this, &TooltipWindow::showHoveredTool);
    connect(&autoPopTimer_, &QTimer::timeout, this, &TooltipWindow::hideTip);
    // With hover events the target also hears of moves over its children,
    // which plain mouse moves (without tracking) never reach.
    target->setAttribute(Qt::WA_Hover);
    target->installEventFilter(this);
}

void TooltipWindow::activate(bool active)
{
    active_ = active;
    if (!active) {
        showTimer_.stop();
        hoveredTool_.reset();
        if (!trackedTool_)
            hideTip();
    }
}

void TooltipWindow::setDelayTime(Delay which, qint32 milliseconds)
{
    const qint32 value = std::max(milliseconds, -1);
    switch (which) {
    case Delay::Initial:
        initialMs_ = value;
        break;
    case Delay::AutoPop:
        autoPopMs_ = value;
        break;
    case Delay::Reshow:
        reshowMs_ = value;
        break;
    }
}

qint32 TooltipWindow::delayTime(Delay which) const
{
    const qint32 doubleClick = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    switch (which) {
    case Delay::Initial:
        return initialMs_ >= 0 ? initialMs_ : doubleClick;
    case Delay::AutoPop:
        return autoPopMs_ >= 0 ? autoPopMs_ : doubleClick * 10;
    case Delay::Reshow:
        return reshowMs_ >= 0 ? reshowMs_ : doubleClick / 5;
    }
    return 0;
}

void TooltipWindow::setMaxTipWidth(qint32 width)
{
    maxWidth_ = std::max(width, -1);
    if (shownTool_)
        showTool(*shownTool_);
}

void TooltipWindow::setMargin(const QMargins &margin)
{
    margin_ = margin;
    if (shownTool_)
        showTool(*shownTool_);
}

void TooltipWindow::setTipTextColor(const QColor &color)
{
    textColor_ = color;
    update();
}

void TooltipWindow::setTipBkColor(const QColor &color)
{
    backColor_ = color;
    update();
}

bool TooltipWindow::addTool(qint32 id, const TooltipTool &tool)
{
    if (findTool(id))
        return false;
    tools_.push_back({id, tool});
    return true;
}

void TooltipWindow::delTool(qint32 id)
{
    std::erase_if(tools_, [id](const KeyedTool &keyed) { return keyed.id == id; });
    if (hoveredTool_ == id) {
        showTimer_.stop();
        hoveredTool_.reset();
    }
    if (trackedTool_ == id)
        trackedTool_.reset();
    if (shownTool_ == id)
        hideTip();
}

std::optional<TooltipTool> TooltipWindow::toolInfo(qint32 id) const
{
    const KeyedTool *keyed = findTool(id);
    return keyed ? std::optional<TooltipTool>(keyed->tool) : std::nullopt;
}

void TooltipWindow::setToolInfo(qint32 id, const TooltipTool &tool)
{
    KeyedTool *keyed = findTool(id);
    if (!keyed)
        return;
    keyed->tool = tool;
    if (shownTool_ == id || trackedTool_ == id)
        showTool(id);
}

void TooltipWindow::newToolRect(qint32 id, qint32 left, qint32 top, qint32 right, qint32 bottom)
{
    if (KeyedTool *keyed = findTool(id)) {
        keyed->tool.left = left;
        keyed->tool.top = top;
        keyed->tool.right = right;
        keyed->tool.bottom = bottom;
    }
}

QString TooltipWindow::shownText() const
{
    const KeyedTool *keyed = shownTool_ ? findTool(*shownTool_) : nullptr;
    return keyed ? keyed->tool.text : QString();
}

void TooltipWindow::pop()
{
    showTimer_.stop();
    hideTip();
}

void TooltipWindow::trackActivate(qint32 id, bool track)
{
    if (track && findTool(id)) {
        showTimer_.stop();
        hoveredTool_.reset();
        trackedTool_ = id;
        showTool(id);
    } else if (!track && trackedTool_ == id) {
        trackedTool_.reset();
        hideTip();
    }
}

void TooltipWindow::trackPosition(qint32 packedPosition)
{
    packedTrackPosition_ = packedPosition;
    if (trackedTool_ && shownTool_)
        place();
}

bool TooltipWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == target_) {
        switch (event->type()) {
        case QEvent::HoverEnter:
        case QEvent::HoverMove:
            pointerMoved(static_cast<QHoverEvent *>(event)->position().toPoint());
            break;
        case QEvent::HoverLeave:
        case QEvent::Hide:
            pointerLeft();
            break;
        case QEvent::MouseButtonPress:
            pop();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TooltipWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), backColor_);
    painter.setPen(textColor_);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    layout_.draw(&painter, QPointF(margin_.left() + kBorder, margin_.top() + kBorder));
}

const TooltipWindow::KeyedTool *TooltipWindow::findTool(qint32 id) const
{
    const auto found
        = std::find_if(tools_.begin(), tools_.end(), [id](const KeyedTool &keyed) { return keyed.id == id; });
    return found == tools_.end() ? nullptr : &*found;
}

TooltipWindow::KeyedTool *TooltipWindow::findTool(qint32 id)
{
    return const_cast<KeyedTool *>(std::as_const(*this).findTool(id));
}

void TooltipWindow::pointerMoved(const QPoint &local)
{
    pointer_ = target_->mapToGlobal(local);
    if (!active_ || trackedTool_)
        return;
    std::optional<qint32> tool;
    for (const KeyedTool &keyed : tools_) {
        const TooltipTool &t = keyed.tool;
        if (local.x() >= t.left && local.x() < t.right && local.y() >= t.top && local.y() < t.bottom) {
            tool = keyed.id;
            break;
        }
    }
    if (tool == hoveredTool_)
        return;
    // Moving on from a shown tip to another tool waits only the reshow delay.
    const bool wasShown = shownTool_.has_value();
    hideTip();
    hoveredTool_ = tool;
    if (tool)
        showTimer_.start(delayTime(wasShown ? Delay::Reshow : Delay::Initial));
    else
        showTimer_.stop();
}

void TooltipWindow::pointerLeft()
{
    showTimer_.stop();
    hoveredTool_.reset();
    if (!trackedTool_)
        hideTip();
}

void TooltipWindow::showHoveredTool()
{
    if (!hoveredTool_)
        return;
    showTool(*hoveredTool_);
    if (shownTool_)
        autoPopTimer_.start(delayTime(Delay::AutoPop));
}

void TooltipWindow::showTool(qint32 id)
{
    const KeyedTool *keyed = findTool(id);
    if (!keyed || keyed->tool.text.isEmpty()) {
        hideTip();
        return;
    }
    shownTool_ = id;
    layOut(keyed->tool.text);
    place();
    show();
    update();
    // A tip already on screen may have changed its text.
    QAccessibleEvent renamed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&renamed);
}

void TooltipWindow::hideTip()
{
    autoPopTimer_.stop();
    shownTool_.reset();
    hide();
}

void TooltipWindow::layOut(QString text)
{
    // Each line break starts a new line once a maximum width is set;
    // without one the tip is a single line, unless the screen is narrower.
    const bool wrap = maxWidth_ >= 0;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), wrap ? QChar(QChar::LineSeparator) : QChar(u' '));

    // The tip never reaches past the screen: the text wraps at its width and
    // what the screen's height cannot hold ends in an ellipsis.
    const QMargins frame = margin_ + QMargins(kBorder, kBorder, kBorder, kBorder);
    const QSize room = screenArea().size().shrunkBy(frame);
    const qreal lineWidth = wrap ? std::min(maxWidth_, room.width()) : room.width();
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout_.setFont(font());
    layout_.setTextOption(option);
    for (qsizetype cut = 1;; cut *= 2) {
        layout_.setText(text);
        const qsizetype shown = layOutLines(lineWidth, room.height());
        if (shown >= text.size())
            break;
        // Stopped early: end the last line that fits in "…" and lay out again.
        text = text.left(std::max<qsizetype>(shown - cut, 0)) + QChar(0x2026);
    }
    qreal width = 0;
    qreal height = 0;
    for (int i = 0; i < layout_.lineCount(); ++i) {
        width = std::max(width, layout_.lineAt(i).naturalTextWidth());
        height += layout_.lineAt(i).height();
    }
    resize(QSize(int(std::ceil(width)), int(std::ceil(height))).grownBy(frame));
}

qsizetype TooltipWindow::layOutLines(qreal lineWidth, int maxHeight)
{
    layout_.beginLayout();
    qreal height = 0;
    qsizetype shown = 0;
    for (QTextLine line = layout_.createLine(); line.isValid(); line = layout_.createLine()) {
        line.setLineWidth(lineWidth);
        // The first line always stays, however short the screen.
        if (shown > 0 && height + line.height() > maxHeight)
            break; // the text is laid out again, shorter

        line.setPosition(QPointF(0, height));
        height += line.height();
        shown = line.textStart() + line.textLength();
    }
    layout_.endLayout();
    return shown;
}

QRect TooltipWindow::screenArea() const
{
    const QScreen *screen = QGuiApplication::screenAt(pointer_);
    if (!screen)
        screen = target_ ? target_->screen() : this->screen();
    return screen->availableGeometry();
}

void TooltipWindow::place()
{
    if (trackedTool_) {
        // The low half is x, sign-extended; y is what remains, so a negative
        // x does not borrow from y.
        const qint16 x = static_cast<qint16>(packedTrackPosition_ & 0xFFFF);
        const qint64 y = (static_cast<qint64>(packedTrackPosition_) - x) / 65536;
        move(x, static_cast<int>(y));
        return;
    }
    const QRect area = screenArea();
    QPoint topLeft = pointer_ + kPointerOffset;
    if (topLeft.y() + height() > area.bottom() + 1)
        topLeft.setY(pointer_.y() - height());
    topLeft.setX(std::min(topLeft.x(), area.right() + 1 - width()));
    move(std::max(topLeft.x(), area.left()), std::max(topLeft.y(), area.top()));
}
