#include <gtest/gtest.h>

#include "platform/Geometry.h"

using namespace platform;

TEST(Geometry, PointInRectangleIsInclusiveAtTopLeftOnly) {
    const Rect r{10, 20, 30, 40};
    struct Case { Point p; bool inside; } cases[] = {
        {{10, 20}, true}, {{29, 39}, true}, {{30, 20}, false}, {{10, 40}, false}, {{9, 25}, false}};
    for (const auto& c : cases) EXPECT_EQ(PointInRectangle(r, c.p), c.inside) << c.p.x << "," << c.p.y;
}

TEST(Geometry, IntersectionNeedsASharedPixel) {
    Rect out;
    EXPECT_TRUE(IntersectRectangles(&out, {0, 0, 10, 10}, {5, 5, 20, 20}));
    EXPECT_EQ(out, (Rect{5, 5, 10, 10}));
    EXPECT_FALSE(IntersectRectangles(&out, {0, 0, 10, 10}, {10, 0, 20, 10}));  // touching only
}
