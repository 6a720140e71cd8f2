#include "AnatomyUI/Window/UISnapshot.h"

#include <QScrollArea>
#include <QWidget>

#include <gtest/gtest.h>

using namespace morvena;

namespace {

QWidget* child(QWidget* parent, QRect geometry)
{
    auto* widget = new QWidget(parent); // owned by parent
    widget->setGeometry(geometry);
    return widget;
}

std::vector<std::string> walk(QWidget& root)
{
    root.show();
    return UISnapshot::overflowingViews(root, QRectF(root.rect()).adjusted(-1, -1, 1, 1));
}

} // namespace

TEST(OverflowWalk, reportsWhatSticksOutByMoreThanTheEdgeAndIsLargerThanFourPoints)
{
    QWidget root;
    root.setFixedSize(200, 100);
    child(&root, {10, 10, 50, 50}); // inside
    child(&root, {150, 10, 51, 20}); // one point past the edge: within the allowed area
    child(&root, {150, 10, 100, 20}); // out
    child(&root, {199, 10, 4, 20}); // four points wide: too small to count
    child(&root, {199, 10, 5, 20}); // out
    child(&root, {10, -12, 20, 20}); // out above
    child(&root, {300, 10, 20, 20})->hide(); // hidden
    EXPECT_EQ(walk(root),
        (std::vector<std::string> {
            "QWidget (150.0, 10.0, 100.0, 20.0) fuori da (0.0, 0.0, 200.0, 100.0)",
            "QWidget (199.0, 10.0, 5.0, 20.0) fuori da (0.0, 0.0, 200.0, 100.0)",
            "QWidget (10.0, -12.0, 20.0, 20.0) fuori da (0.0, 0.0, 200.0, 100.0)",
        }));
}

TEST(OverflowWalk, scrollAreasAndTheirContentNeverCountAndChildrenFollowTheirParent)
{
    QWidget root;
    root.setFixedSize(200, 100);
    auto* area = new QScrollArea(&root);
    area->setGeometry(0, 0, 300, 100); // sticks out itself, yet is a scroll view
    auto* content = new QWidget;
    content->resize(1000, 1000);
    area->setWidget(content);
    auto* parent = child(&root, {150, 0, 100, 50});
    child(parent, {0, 0, 10, 10}); // at 150, 0: inside, visited after its parent
    child(parent, {45, 0, 10, 10}); // at 195, 0: out
    auto lines = walk(root);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "QWidget (150.0, 0.0, 100.0, 50.0) fuori da (0.0, 0.0, 200.0, 100.0)");
    EXPECT_EQ(lines[1], "QWidget (195.0, 0.0, 10.0, 10.0) fuori da (0.0, 0.0, 200.0, 100.0)");
}

TEST(OverflowWalk, stopsAtDepthForty)
{
    QWidget root;
    root.setFixedSize(20, 20);
    QWidget* parent = &root;
    for (int depth = 0; depth < 45; ++depth)
        parent = child(parent, {0, 0, 30, 30});
    EXPECT_EQ(walk(root).size(), 40u);
}

TEST(OverflowWalk, otherWindowsAreSkipped)
{
    QWidget root;
    root.setFixedSize(20, 20);
    auto* window = new QWidget(&root, Qt::Window);
    window->setGeometry(500, 500, 50, 50);
    window->show();
    EXPECT_TRUE(walk(root).empty());
}
