// The tooltip class over its tip window: life cycle, tool rectangles and a
// real hover, which a screen reader hears of.
#include "gui/cls_tooltip.h"
#include "gui/tooltip_window.h"

#include <QtTest>
#include <QtWidgets>

class TestClsToolTip : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void hover()
    {
        QWidget target; // 640 × 480 on the offscreen screen
        clsToolTip tip;
        // Made once, for the first target.
        QVERIFY(tip.mCreate(&target) && !tip.mCreate(&target));
        // Left, top, height, width: (10, 20) to (50, 50). Left, height and width 0 cover the whole
        // target, whatever top is. The first tool added that holds the pointer shows.
        QVERIFY(tip.mToolAdd(2, "small", 10, 20, 30, 40) && tip.mToolAdd(1, "whole", 0, 50, 0, 0));
        tip.pAutoPopTime(1000);
        target.show();
        QVERIFY(QTest::qWaitForWindowExposed(&target));
        TooltipWindow *const window = tip.phWnd();
        QTest::mouseMove(&target, QPoint(49, 49));
        QTRY_COMPARE(window->shownText(), "small");
        QTest::mouseMove(&target, QPoint(250, 150));
        QTRY_COMPARE(window->shownText(), "whole");
        const QAccessibleInterface *heard = QAccessible::queryAccessibleInterface(window);
        QVERIFY(heard->role() == QAccessible::ToolTip && heard->text(QAccessible::Name) == "whole");
        QTRY_VERIFY(!window->isVisible()); // after the auto-pop time
    }
};

QTEST_MAIN(TestClsToolTip)
#include "test_cls_tooltip.moc"
