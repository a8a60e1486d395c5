#pragma once

#include <algorithm>
#include <cmath>
#include <ostream>

namespace brindlow {

// Global coordinates: X root coordinates, origin at the top left, y grows down.
// One point is one pixel.

struct Point {
    double x = 0;
    double y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    constexpr Rect() = default;
    constexpr Rect(double x_, double y_, double w, double h) : x(x_), y(y_), width(w), height(h) {}
    constexpr Rect(Point origin, Size size)
        : x(origin.x), y(origin.y), width(size.width), height(size.height) {}

    Point origin() const { return {x, y}; }
    Size size() const { return {width, height}; }

    // Edges of the standardized rectangle, so a negative width still has minX <= maxX.
    double minX() const { return std::min(x, x + width); }
    double maxX() const { return std::max(x, x + width); }
    double midX() const { return x + width / 2; }
    double minY() const { return std::min(y, y + height); }
    double maxY() const { return std::max(y, y + height); }
    double midY() const { return y + height / 2; }
    double area() const { return std::fabs(width * height); }

    bool isEmpty() const { return width == 0 || height == 0; }

    // Half-open: the far edges are outside, so neighbouring rectangles never both contain a point.
    bool contains(Point p) const {
        return !isEmpty() && p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
    }
    bool contains(const Rect& r) const {
        return !isEmpty() && !r.isEmpty() && r.minX() >= minX() && r.maxX() <= maxX() &&
               r.minY() >= minY() && r.maxY() <= maxY();
    }

    // True only when the two share an area larger than zero; touching edges do not count.
    bool intersects(const Rect& r) const {
        return std::min(maxX(), r.maxX()) > std::max(minX(), r.minX()) &&
               std::min(maxY(), r.maxY()) > std::max(minY(), r.minY());
    }

    // The common part, or an empty rectangle at the origin when there is none.
    Rect intersection(const Rect& r) const {
        if (!intersects(r)) return {};
        const double left = std::max(minX(), r.minX());
        const double top = std::max(minY(), r.minY());
        return {left, top, std::min(maxX(), r.maxX()) - left, std::min(maxY(), r.maxY()) - top};
    }

    // Shrinks every side by dx / dy (grows with negative values).
    Rect insetBy(double dx, double dy) const {
        return {minX() + dx, minY() + dy, std::fabs(width) - 2 * dx, std::fabs(height) - 2 * dy};
    }

    // Origin rounded down, far edges rounded up.
    Rect integral() const {
        const double left = std::floor(minX());
        const double top = std::floor(minY());
        return {left, top, std::ceil(maxX()) - left, std::ceil(maxY()) - top};
    }

    Rect offsetBy(double dx, double dy) const { return {x + dx, y + dy, width, height}; }

    bool isFinite() const {
        return std::isfinite(x) && std::isfinite(y) && std::isfinite(width) &&
               std::isfinite(height);
    }

    friend bool operator==(const Rect&, const Rect&) = default;
};

// Whether origin or size of the two frames differ by more than `tolerance` points.
inline bool differsBy(const Rect& a, const Rect& b, double tolerance) {
    return std::fabs(a.minX() - b.minX()) > tolerance ||
           std::fabs(a.minY() - b.minY()) > tolerance || std::fabs(a.width - b.width) > tolerance ||
           std::fabs(a.height - b.height) > tolerance;
}

inline std::ostream& operator<<(std::ostream& out, const Point& p) {
    return out << "(" << p.x << ", " << p.y << ")";
}
inline std::ostream& operator<<(std::ostream& out, const Size& s) {
    return out << s.width << "x" << s.height;
}
inline std::ostream& operator<<(std::ostream& out, const Rect& r) {
    return out << "(" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << ")";
}

}  // namespace brindlow
