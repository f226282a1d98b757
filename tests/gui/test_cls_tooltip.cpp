// The tooltip class over its tip window: life cycle, tool rectangles and a
// real hover over a shown window, as the window's hints use them.
#include "gui/cls_tooltip.h"
#include "gui/tooltip_window.h"

#include <QAccessible>
#include <QtTest>

#include <limits>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;
using Rect = QList<qint32>;

constexpr qint32 kMax = std::numeric_limits<qint32>::max();

class TestClsToolTip : public QObject {
    Q_OBJECT

    std::unique_ptr<QWidget> window_;
    QWidget *target_ = nullptr; // 300 × 200
    std::unique_ptr<clsToolTip> tip_;

private Q_SLOTS:
    void init()
    {
        window_ = std::make_unique<QWidget>();
        window_->setGeometry(100, 100, 400, 300);
        target_ = new QWidget(window_.get());
        target_->setGeometry(20, 20, 300, 200);
        tip_ = std::make_unique<clsToolTip>();
        QVERIFY(tip_->mCreate(target_));
    }

    void lifeCycle()
    {
        std::optional<clsToolTip> tip(std::in_place);
        QVERIFY(!tip->mCreate(nullptr));
        // Made once, for the first target, as its child.
        QVERIFY(tip->mCreate(target_) && !tip->mCreate(window_.get()));
        const QPointer<TooltipWindow> made = tip->phWnd();
        QCOMPARE(made->parentWidget(), target_);
        tip.reset(); // the window ends with the instance
        QVERIFY(!made);
    }

    void rectangle_data()
    {
        QTest::addColumn<Rect>("add"); // left, top, height, width
        QTest::addColumn<Rect>("rect"); // empty: no tool
        QTest::newRow("all zero: whole target, top ignored") << Rect{0, 50, 0, 0} << Rect{0, 0, 300, 200};
        QTest::newRow("height before width") << Rect{10, 20, 30, 40} << Rect{10, 20, 50, 50};
        QTest::newRow("only width given") << Rect{0, 7, 0, 5} << Rect{0, 7, 5, 7};
        QTest::newRow("right edge beyond 32 bits") << Rect{kMax - 5, 0, 1, 6} << Rect{};
    }

    void rectangle()
    {
        QFETCH(Rect, add);
        QFETCH(Rect, rect);
        QCOMPARE(tip_->mToolAdd(7, u"t"_s, add[0], add[1], add[2], add[3]), !rect.isEmpty());
        const std::optional<TooltipTool> tool = tip_->phWnd()->toolInfo(7); // left, top, right, bottom
        QTEST((tool ? Rect{tool->left, tool->top, tool->right, tool->bottom} : Rect{}), "rect");
        // A taken key is refused; a refused one is still free.
        QCOMPARE(tip_->mToolAdd(7, u"u"_s, 1, 1, 1, 1), rect.isEmpty());
        QCOMPARE(tip_->pToolCount(), 1);
    }

    void hoverShowsAndHides()
    {
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QVERIFY(tip_->mToolAdd(1, u"left\r\nhalf"_s, 0, 0, 200, 150));
        QVERIFY(tip_->mToolAdd(2, u"right half"_s, 150, 0, 200, 150));
        tip_->pMaxWidth(300);
        tip_->pInitialTime(0);
        tip_->pAutoPopTime(300);
        TooltipWindow *const window = tip_->phWnd();

        QTest::mouseMove(target_, QPoint(40, 100));
        QTRY_COMPARE(window->shownText(), u"left\r\nhalf"_s);
        QVERIFY(window->isVisible());
        const QPoint pointer = target_->mapToGlobal(QPoint(40, 100));
        QVERIFY(window->x() >= pointer.x() && window->y() > pointer.y());
        QVERIFY2(window->height() > 2 * window->fontMetrics().height(), "two lines");
        // A screen reader hears of a tool tip and reads the text it shows.
        QAccessibleInterface *const accessible = QAccessible::queryAccessibleInterface(window);
        QCOMPARE(QString::number(accessible->role() == QAccessible::ToolTip) + accessible->text(QAccessible::Name), u"1left\r\nhalf"_s);
        // An unbroken text wraps at the maximum width (plus the 1-pixel border) and stays on one line without one.
        tip_->pMaxWidth(-1);
        tip_->pToolText(1, QString(200, u'x'));
        QVERIFY(window->width() > 400);
        tip_->pMaxWidth(100);
        QVERIFY(window->width() <= 102);
        // However long the text, the tip stays within the screen.
        const QSize screen = window->screen()->availableGeometry().size();
        for (const qint32 width : {-1, 100}) {
            tip_->pMaxWidth(width);
            tip_->pToolText(1, QString(100000, u'x'));
            QVERIFY2(window->width() <= screen.width() && window->height() <= screen.height(), qPrintable(QString("%1x%2 in %3x%4").arg(window->width()).arg(window->height()).arg(screen.width()).arg(screen.height())));
        }
        QTRY_VERIFY(!window->isVisible());

        QTest::mouseMove(target_, QPoint(150, 100)); // right and bottom edges are exclusive
        QTRY_COMPARE(window->shownText(), u"right half"_s);
        QTest::mouseMove(window_.get(), QPoint(390, 290));
        QVERIFY(!window->isVisible());
    }
};

QTEST_MAIN(TestClsToolTip)
#include "test_cls_tooltip.moc"
