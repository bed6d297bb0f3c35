// The shape table and the scaling of its points; see window_shapes.h.
#include "runtime/units/window_shapes.h"

namespace {

constexpr uint16_t kEnd = kShapeListEnd;

// Shapes 4 to 29: (x, y) pairs in 1/32767 of the window's width and height, each list ended
// by kEnd. 972 bytes in all.
const uint16_t kShapeLists[] = {
    // 4: triangle
    16383, 0, 32767, 32767, 0, 32767, 16383, 0, kEnd,
    // 5: triangle pointing down
    0, 0, 32767, 0, 16383, 32767, kEnd,
    // 6: right triangle, lower left
    0, 0, 32767, 32767, 0, 32767, kEnd,
    // 7: right triangle, lower right
    32767, 0, 32767, 32767, 0, 32767, kEnd,
    // 8: parallelogram
    10922, 0, 32767, 0, 21845, 32767, 0, 32767, kEnd,
    // 9: pentagon
    16383, 0, 32767, 12287, 27306, 32767, 5461, 32767, 0, 12287, kEnd,
    // 10: hexagon
    8191, 0, 24576, 0, 32767, 16383, 24576, 32767, 8191, 32767, 0, 16383, kEnd,
    // 11: trapezoid
    10922, 0, 21845, 0, 32767, 32767, 0, 32767, kEnd,
    // 12: diamond
    16383, 0, 32767, 16383, 16383, 32767, 0, 16383, kEnd,
    // 13: five-pointed star
    16383, 0, 12779, 12779, 0, 12779, 10157, 20315, 6553, 32767, 16383, 25558, 26213, 32767,
    22609, 20315, 32767, 12779, 19987, 12779, kEnd,
    // 14: four-pointed star
    16383, 0, 13106, 13106, 0, 16383, 13106, 19660, 16383, 32767, 19660, 19660, 32767, 16383,
    19660, 13106, kEnd,
    // 15: lightning bolt
    12288, 0, 0, 5461, 10922, 13653, 8191, 15018, 17748, 21844, 15018, 23209, 32767, 32767,
    21844, 19113, 24574, 17748, 16383, 10921, 19113, 9556, kEnd,
    // 16: explosion
    655, 3932, 6553, 11468, 0, 13106, 4915, 18021, 0, 22281, 8519, 21298, 7208, 26541, 11796,
    23592, 13106, 32767, 16055, 22609, 19987, 29817, 21298, 22281, 30473, 30473, 25558, 19660,
    32767, 19987, 26868, 15728, 32111, 12451, 25558, 11140, 27524, 6881, 21298, 8191, 22281, 0,
    16383, 8519, 12779, 3604, 10813, 9502, kEnd,
    // 17: second explosion
    22609, 0, 17038, 6553, 14745, 2949, 13106, 9830, 6553, 5898, 8191, 11796, 1638, 12451, 5898,
    17694, 0, 19660, 4915, 23264, 1966, 27196, 7208, 27524, 7208, 32767, 11468, 27524, 13106,
    29490, 15072, 26213, 18349, 29490, 18677, 24247, 22936, 26541, 22609, 21953, 28507, 26868,
    24902, 18677, 27524, 17038, 25885, 14089, 32767, 10157, 24902, 9830, 26868, 4915, 22281,
    8847, kEnd,
    // 18: chevron
    32767, 16383, 18724, 0, 0, 0, 14043, 16383, 0, 32767, 18724, 32767, kEnd,
    // 19: rectangle with a cut corner
    6553, 0, 0, 6553, 0, 32767, 32767, 32767, 32767, 0, kEnd,
    // 20: arrow left
    32767, 8191, 32767, 24576, 8191, 24576, 8191, 32767, 0, 16383, 8191, 0, 8191, 8191, kEnd,
    // 21: arrow right
    0, 8191, 0, 24576, 24576, 24576, 24576, 32767, 32767, 16383, 24576, 0, 24576, 8191, kEnd,
    // 22: arrow up
    24576, 32767, 8191, 32767, 8191, 8191, 0, 8191, 16383, 0, 32767, 8191, 24576, 8191, kEnd,
    // 23: arrow down
    24576, 0, 8191, 0, 8191, 24576, 0, 24576, 16383, 32767, 32767, 24576, 24576, 24576, kEnd,
    // 24: double arrow left-right
    24576, 8191, 24576, 0, 32767, 16383, 24576, 32767, 24576, 24576, 8191, 24576, 8191, 32767,
    0, 16383, 8191, 0, 8191, 8191, kEnd,
    // 25: double arrow up-down
    24576, 24576, 32767, 24576, 16383, 32767, 0, 24576, 8191, 24576, 8191, 8191, 0, 8191, 16383,
    0, 32767, 8191, 24576, 8191, kEnd,
    // 26: cross of four arrows
    16383, 0, 9830, 6553, 13106, 6553, 13106, 13106, 6553, 13106, 6553, 9830, 0, 16383, 6553,
    22937, 6553, 19661, 13106, 19661, 13106, 26214, 9830, 26214, 16383, 32767, 22937, 26214,
    19661, 26214, 19661, 19661, 26214, 19661, 26214, 22937, 32767, 16383, 26214, 9830, 26214,
    13106, 19661, 13106, 19661, 6553, 22937, 6553, kEnd,
    // 27: three arrows
    16383, 0, 9830, 9362, 13106, 9362, 13106, 18724, 6553, 18724, 6553, 14043, 0, 23405, 6553,
    32767, 6553, 28086, 26213, 28086, 26213, 32767, 32767, 23405, 26213, 14043, 26213, 18724,
    19660, 18724, 19660, 9362, 22936, 9362, kEnd,
    // 28: notched arrow right
    0, 8191, 4095, 16383, 0, 24576, 24576, 24576, 24576, 32767, 32767, 16383, 24576, 0, 24576,
    8191, kEnd,
    // 29: pentagon arrow
    32767, 16383, 18724, 0, 0, 0, 0, 32767, 18724, 32767, kEnd,
};

}  // namespace

WindowShapeKind ShapeKindOf(int shape) {
    switch (shape) {
    case 1: return WindowShapeKind::Ellipse;
    case 2: return WindowShapeKind::RoundedRectangle;
    case 3: return WindowShapeKind::Ring;
    default: break;
    }
    if (shape >= kWindowShapeFirstPolygon && shape < kWindowShapeFirstPolygon + kWindowShapePolygonCount)
        return WindowShapeKind::Polygon;
    return WindowShapeKind::Rectangle;
}

const uint16_t* ShapeTable(size_t* count) {
    *count = sizeof kShapeLists / sizeof kShapeLists[0];
    return kShapeLists;
}

int32_t ScaleShapeValue(int32_t value, int32_t size) {
    const int64_t product = static_cast<int64_t>(value) * size;
    const int64_t half = kShapeUnit / 2;
    const int64_t rounded = product >= 0 ? (product + half) / kShapeUnit : (product - half) / kShapeUnit;
    return static_cast<int32_t>(rounded);
}

std::vector<ShapePoint> ShapePolygon(int shape, int32_t width, int32_t height) {
    std::vector<ShapePoint> points;
    if (ShapeKindOf(shape) != WindowShapeKind::Polygon)
        return points;
    // The lists have different lengths: walk to list (shape - 4) past the end markers.
    size_t count = 0;
    const uint16_t* table = ShapeTable(&count);
    size_t at = 0;
    for (int list = shape - kWindowShapeFirstPolygon; list > 0 && at < count; ++at) {
        if (table[at] == kEnd)
            --list;
    }
    while (at + 1 < count && table[at] != kEnd) {
        points.push_back({ScaleShapeValue(table[at], width), ScaleShapeValue(table[at + 1], height)});
        at += 2;
    }
    return points;
}
