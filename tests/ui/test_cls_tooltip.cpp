// The tooltip class over its tip window: life cycle, tool rectangles,
// margins, tracking and a real hover over a shown window.
#include "ui/cls_tooltip.h"
#include "ui/tooltip_window.h"

#include <QtTest>

#include <limits>
#include <memory>

namespace {

constexpr qint32 kMax = std::numeric_limits<qint32>::max();
constexpr qint32 kMin = std::numeric_limits<qint32>::min();

QList<qint32> rectOf(const clsToolTip &tip, qint32 key)
{
    const std::optional<TooltipTool> tool = tip.phWnd()->toolInfo(key);
    return tool ? QList<qint32>{tool->left, tool->top, tool->right, tool->bottom} : QList<qint32>{};
}

} // namespace

class TestClsToolTip : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void beforeCreateEverythingIsHarmless();
    void createOnlyOnce();
    void addedRectangle_data();
    void addedRectangle();
    void changedRectangle_data();
    void changedRectangle();
    void overflowChangesNothing();
    void marginsAndColours();
    void trackingPlacesTheTip();
    void hoverShowsAndHides();

private:
    std::unique_ptr<QWidget> window_;
    QWidget *target_ = nullptr;
    std::unique_ptr<clsToolTip> tip_;
};

void TestClsToolTip::init()
{
    window_ = std::make_unique<QWidget>();
    window_->setGeometry(100, 100, 400, 300);
    target_ = new QWidget(window_.get());
    target_->setGeometry(20, 20, 300, 200);
    tip_ = std::make_unique<clsToolTip>();
    QVERIFY(tip_->mCreate(target_));
}

void TestClsToolTip::cleanup()
{
    tip_.reset();
    window_.reset();
}

void TestClsToolTip::beforeCreateEverythingIsHarmless()
{
    clsToolTip tip;
    tip.pMarginTop(5);
    tip.pToolText(1, QStringLiteral("x"));
    tip.pToolTrack(1, true);
    tip.mPop();
    QVERIFY(tip.pToolWidth(1, 10));
    QVERIFY(!tip.mToolAdd(1, QStringLiteral("x"), 1, 2, 3, 4));
    QVERIFY(!tip.phWnd());
    const QList<qint32> getters{tip.pForeColor(), tip.pBackColor(), tip.pMaxWidth(), tip.pReShowTime(),
                                tip.pInitialTime(), tip.pAutoPopTime(), tip.pToolCount(),
                                tip.pToolLeft(1), tip.pToolTop(1), *tip.pToolHeight(1), *tip.pToolWidth(1),
                                tip.pMarginLeft(), tip.pMarginTop(), tip.pMarginRight(), tip.pMarginBottom()};
    QCOMPARE(getters, QList<qint32>(15, 0));
    QVERIFY(!tip.mCreate(nullptr));
}

void TestClsToolTip::createOnlyOnce()
{
    TooltipWindow *const first = tip_->phWnd();
    QVERIFY(first);
    QCOMPARE(first->parentWidget(), target_);
    QVERIFY(!tip_->mCreate(window_.get()));
    QCOMPARE(tip_->phWnd(), first);
    // Still bound to the first target: the whole-area tool is its size.
    QVERIFY(tip_->mToolAdd(1, QString(), 0, 0, 0, 0));
    QCOMPARE(rectOf(*tip_, 1), (QList<qint32>{0, 0, 300, 200}));
    // The window ends with the instance.
    const QPointer<TooltipWindow> watched = first;
    tip_.reset();
    QVERIFY(!watched);
}

void TestClsToolTip::addedRectangle_data()
{
    QTest::addColumn<QList<qint32>>("leftTopHeightWidth");
    QTest::addColumn<QList<qint32>>("rect");
    QTest::newRow("all zero: whole target, top ignored") << QList<qint32>{0, 50, 0, 0}
                                                         << QList<qint32>{0, 0, 300, 200};
    QTest::newRow("height before width") << QList<qint32>{10, 20, 30, 40} << QList<qint32>{10, 20, 50, 50};
    QTest::newRow("only width given") << QList<qint32>{0, 7, 0, 5} << QList<qint32>{0, 7, 5, 7};
}

void TestClsToolTip::addedRectangle()
{
    QFETCH(QList<qint32>, leftTopHeightWidth);
    const QList<qint32> &a = leftTopHeightWidth;
    QVERIFY(tip_->mToolAdd(7, QStringLiteral("t"), a[0], a[1], a[2], a[3]));
    QTEST(rectOf(*tip_, 7), "rect");
    QCOMPARE(tip_->pToolCount(), 1);
    // A taken key is refused.
    QVERIFY(!tip_->mToolAdd(7, QStringLiteral("u"), 1, 1, 1, 1));
    QCOMPARE(tip_->pToolCount(), 1);
}

void TestClsToolTip::changedRectangle_data()
{
    QTest::addColumn<QString>("side");
    QTest::addColumn<qint32>("value");
    QTest::addColumn<QList<qint32>>("rect");
    QTest::newRow("width keeps the corner") << "width" << 100 << QList<qint32>{10, 20, 110, 50};
    QTest::newRow("height keeps the corner") << "height" << 1 << QList<qint32>{10, 20, 50, 21};
    QTest::newRow("left keeps the size") << "left" << 0 << QList<qint32>{0, 20, 40, 50};
    QTest::newRow("top keeps the size") << "top" << 5 << QList<qint32>{10, 5, 50, 35};
}

void TestClsToolTip::changedRectangle()
{
    QFETCH(QString, side);
    QFETCH(qint32, value);
    QVERIFY(tip_->mToolAdd(1, QString(), 10, 20, 30, 40));
    const bool sent = side == "width"    ? tip_->pToolWidth(1, value)
                      : side == "height" ? tip_->pToolHeight(1, value)
                      : side == "left"   ? tip_->pToolLeft(1, value)
                                         : tip_->pToolTop(1, value);
    QVERIFY(sent);
    QTEST(rectOf(*tip_, 1), "rect");
    // A key without a tool reads as all zero and is not created by a setter.
    QVERIFY(tip_->pToolWidth(2, 10));
    QCOMPARE(tip_->pToolCount(), 1);
}

void TestClsToolTip::overflowChangesNothing()
{
    QVERIFY(!tip_->mToolAdd(1, QString(), kMax - 5, 0, 1, 6));
    QVERIFY(!tip_->mToolAdd(1, QString(), 1, kMin + 1, -2, 1));
    QCOMPARE(tip_->pToolCount(), 0);

    QVERIFY(tip_->mToolAdd(1, QString(), 10, 20, 30, 40));
    QVERIFY(!tip_->pToolWidth(1, kMax));
    QVERIFY(!tip_->pToolLeft(1, kMax - 39));
    QVERIFY(!tip_->pToolTop(1, kMax - 29));
    QVERIFY(tip_->pToolLeft(1, kMax - 40));
    QCOMPARE(rectOf(*tip_, 1), (QList<qint32>{kMax - 40, 20, kMax, 50}));

    // A rectangle wider than 32 bits can tell is read as no width, and no
    // setter builds on it.
    tip_->phWnd()->newToolRect(1, kMin, 0, kMax, 10);
    QCOMPARE(tip_->pToolWidth(1), std::nullopt);
    QCOMPARE(tip_->pToolHeight(1), std::optional<qint32>(10));
    QVERIFY(!tip_->pToolTop(1, 5));
    QCOMPARE(rectOf(*tip_, 1), (QList<qint32>{kMin, 0, kMax, 10}));
}

void TestClsToolTip::marginsAndColours()
{
    // Colour numbers are 0x00BBGGRR.
    tip_->pBackColor(0x00FF8001);
    QCOMPARE(tip_->phWnd()->tipBkColor(), QColor(0x01, 0x80, 0xFF));
    QCOMPARE(tip_->pBackColor(), 0x00FF8001);

    tip_->pMarginLeft(1);
    tip_->pMarginTop(2);
    tip_->pMarginRight(3);
    tip_->pMarginBottom(4);
    tip_->pMarginTop(5);
    const QList<qint32> margins{tip_->pMarginLeft(), tip_->pMarginTop(), tip_->pMarginRight(),
                                tip_->pMarginBottom()};
    QCOMPARE(margins, (QList<qint32>{1, 5, 3, 4}));
}

void TestClsToolTip::trackingPlacesTheTip()
{
    QVERIFY(tip_->mToolAdd(1, QStringLiteral("tracked"), 0, 0, 0, 0));
    QVERIFY(tip_->mToolAdd(2, QString(), 0, 0, 0, 0));
    TooltipWindow *const window = tip_->phWnd();
    tip_->mToolTrackPosition(100, 200);
    QCOMPARE(window->trackPosition(), 13107300);
    tip_->pToolTrack(1, true);
    QVERIFY(window->isVisible());
    QCOMPARE(window->pos(), QPoint(100, 200));
    QCOMPARE(window->shownText(), QStringLiteral("tracked"));
    // x = -5 borrows one from the high half of the parameter; y stays 200.
    tip_->mToolTrackPosition(-5, 200);
    QCOMPARE(window->trackPosition(), 200 * 65536 - 5);
    QCOMPARE(window->pos(), QPoint(-5, 200));
    // An unbroken text wraps at the maximum width (plus the 1-pixel border)
    // and stays on one line without one.
    tip_->pToolText(1, QString(200, u'x'));
    QVERIFY(window->width() > 400);
    tip_->pMaxWidth(100);
    QVERIFY(window->width() <= 102);
    tip_->pToolTrack(1, false);
    QVERIFY(!window->isVisible());
    // A tool without text shows nothing.
    tip_->pToolTrack(2, true);
    QVERIFY(!window->isVisible());
}

void TestClsToolTip::hoverShowsAndHides()
{
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    QVERIFY(tip_->mToolAdd(1, QStringLiteral("left\r\nhalf"), 0, 0, 200, 150));
    QVERIFY(tip_->mToolAdd(2, QStringLiteral("right half"), 150, 0, 200, 150));
    tip_->pMaxWidth(300);
    tip_->pInitialTime(0);
    tip_->pAutoPopTime(300);
    TooltipWindow *const window = tip_->phWnd();

    const QPoint inLeft(40, 100);
    QTest::mouseMove(target_, inLeft);
    QTRY_COMPARE(window->shownText(), QStringLiteral("left\r\nhalf"));
    QVERIFY(window->isVisible());
    const QPoint pointer = target_->mapToGlobal(inLeft);
    QVERIFY(window->x() >= pointer.x() && window->y() > pointer.y());
    QVERIFY2(window->height() > 2 * window->fontMetrics().height(), "two lines");
    QTRY_VERIFY(!window->isVisible());

    QTest::mouseMove(target_, QPoint(200, 100));
    QTRY_COMPARE(window->shownText(), QStringLiteral("right half"));
    QTest::mouseMove(window_.get(), QPoint(390, 290));
    QVERIFY(!window->isVisible());
}

QTEST_MAIN(TestClsToolTip)
#include "test_cls_tooltip.moc"
