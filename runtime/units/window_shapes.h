// The outlines a window unit can take (its shape property): the kind of each shape and, for
// the polygons, the point lists scaled to a window's size. Portable: the region itself is made
// by the window unit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

enum class WindowShapeKind {
    Rectangle,         // 0: no region at all
    Ellipse,           // 1
    RoundedRectangle,  // 2: corner ellipse min(W/5, H/5)
    Ring,              // 3: the ellipse minus the one inset by W/4 and H/4
    Polygon,           // 4 to 29: a point list of the table
};

constexpr int kWindowShapeFirstPolygon = 4;
constexpr int kWindowShapePolygonCount = 26;
constexpr uint16_t kShapeListEnd = 0xFFFF;   // ends each list in the table
constexpr int32_t kShapeUnit = 32767;        // a point's coordinates are fractions of this

struct ShapePoint {
    int32_t x;
    int32_t y;
};

// The kind of a shape number; numbers outside 0..29 are rectangles.
WindowShapeKind ShapeKindOf(int shape);

// The raw table: every list's (x, y) pairs followed by the end value, lists one after another.
const uint16_t* ShapeTable(size_t* count);

// The points of polygon shape `shape` (4..29) for a window of width x height, in order; empty
// for any other number.
std::vector<ShapePoint> ShapePolygon(int shape, int32_t width, int32_t height);

// value * size / 32767 rounded to the nearest, halves away from zero (as the system's MulDiv).
int32_t ScaleShapeValue(int32_t value, int32_t size);
