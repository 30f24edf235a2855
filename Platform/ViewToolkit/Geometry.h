// Geometry of the view toolkit: points, sizes, rectangles, insets, angles, unit points,
// alignments, and the special sizes that layout proposals and frame bounds use.
//
// All lengths are in points, with the y axis pointing down. Special sizes are types rather
// than magic numbers: a proposal is unspecified (ask for the ideal size), finite, or infinite
// (ask for the maximum), and a frame bound is finite or infinite.
#pragma once

#include <algorithm>
#include <cmath>
#include <compare>
#include <cstdint>
#include <limits>

namespace ViewToolkit {

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

  double minX() const { return x; }
  double minY() const { return y; }
  double maxX() const { return x + width; }
  double maxY() const { return y + height; }
  double midX() const { return x + width / 2; }
  double midY() const { return y + height / 2; }
  Point origin() const { return {x, y}; }
  Size size() const { return {width, height}; }
  Point center() const { return {midX(), midY()}; }

  Rect offsetBy(double dx, double dy) const { return {x + dx, y + dy, width, height}; }
  // Points on the trailing and bottom edges are outside, so that adjacent rectangles never
  // both contain a point.
  bool contains(Point p) const { return p.x >= x && p.x < maxX() && p.y >= y && p.y < maxY(); }
  // True when `other` lies inside this rectangle, allowing `tolerance` points of overlap.
  bool containsRect(const Rect& other, double tolerance = 1e-6) const {
    return other.x >= x - tolerance && other.y >= y - tolerance &&
           other.maxX() <= maxX() + tolerance && other.maxY() <= maxY() + tolerance;
  }

  friend bool operator==(const Rect&, const Rect&) = default;
};

enum class Edge : std::uint8_t { top = 1, leading = 2, bottom = 4, trailing = 8 };

// A set of edges, as `.padding(.horizontal, 7)` takes it.
class EdgeSet {
 public:
  constexpr EdgeSet(Edge e) : bits_(static_cast<std::uint8_t>(e)) {}
  constexpr EdgeSet operator|(EdgeSet o) const { return EdgeSet(std::uint8_t(bits_ | o.bits_)); }
  constexpr bool contains(Edge e) const { return (bits_ & static_cast<std::uint8_t>(e)) != 0; }

  static const EdgeSet top, leading, bottom, trailing, horizontal, vertical, all;

 private:
  constexpr explicit EdgeSet(std::uint8_t bits) : bits_(bits) {}
  std::uint8_t bits_;
};
inline constexpr EdgeSet EdgeSet::top{Edge::top};
inline constexpr EdgeSet EdgeSet::leading{Edge::leading};
inline constexpr EdgeSet EdgeSet::bottom{Edge::bottom};
inline constexpr EdgeSet EdgeSet::trailing{Edge::trailing};
inline constexpr EdgeSet EdgeSet::horizontal = EdgeSet{Edge::leading} | EdgeSet{Edge::trailing};
inline constexpr EdgeSet EdgeSet::vertical = EdgeSet{Edge::top} | EdgeSet{Edge::bottom};
inline constexpr EdgeSet EdgeSet::all = EdgeSet::horizontal | EdgeSet::vertical;

struct EdgeInsets {
  double top = 0;
  double leading = 0;
  double bottom = 0;
  double trailing = 0;
  friend bool operator==(const EdgeInsets&, const EdgeInsets&) = default;
};

struct Angle {
  double radians = 0;
  static constexpr Angle degrees(double d) { return {d * 3.14159265358979323846 / 180.0}; }
  constexpr double degreesValue() const { return radians * 180.0 / 3.14159265358979323846; }
  friend bool operator==(const Angle&, const Angle&) = default;
};

// A point in a view's own unit square: (0, 0) is top-leading, (1, 1) bottom-trailing.
struct UnitPoint {
  double x = 0;
  double y = 0;

  static const UnitPoint zero, center, leading, trailing, top, bottom, topLeading, topTrailing,
      bottomLeading, bottomTrailing;
  friend bool operator==(const UnitPoint&, const UnitPoint&) = default;
};
inline constexpr UnitPoint UnitPoint::zero{0, 0};
inline constexpr UnitPoint UnitPoint::center{0.5, 0.5};
inline constexpr UnitPoint UnitPoint::leading{0, 0.5};
inline constexpr UnitPoint UnitPoint::trailing{1, 0.5};
inline constexpr UnitPoint UnitPoint::top{0.5, 0};
inline constexpr UnitPoint UnitPoint::bottom{0.5, 1};
inline constexpr UnitPoint UnitPoint::topLeading{0, 0};
inline constexpr UnitPoint UnitPoint::topTrailing{1, 0};
inline constexpr UnitPoint UnitPoint::bottomLeading{0, 1};
inline constexpr UnitPoint UnitPoint::bottomTrailing{1, 1};

// One axis of a size proposal.
class ProposedLength {
 public:
  enum class Kind : std::uint8_t { unspecified, finite, infinite };

  constexpr ProposedLength() = default;
  constexpr ProposedLength(double points) : kind_(Kind::finite), points_(std::max(points, 0.0)) {}
  static constexpr ProposedLength unspecified() { return {}; }
  static constexpr ProposedLength infinity() { return ProposedLength(Kind::infinite); }

  constexpr Kind kind() const { return kind_; }
  constexpr bool isUnspecified() const { return kind_ == Kind::unspecified; }
  constexpr bool isFinite() const { return kind_ == Kind::finite; }
  constexpr bool isInfinite() const { return kind_ == Kind::infinite; }
  // The finite value; only meaningful when isFinite().
  constexpr double points() const { return points_; }
  // The proposal as a number for arithmetic inside layout: infinite is +inf, unspecified is
  // `ideal`.
  double valueOr(double ideal) const {
    switch (kind_) {
      case Kind::finite:
        return points_;
      case Kind::infinite:
        return std::numeric_limits<double>::infinity();
      case Kind::unspecified:
        break;
    }
    return ideal;
  }
  // Maps an arithmetic result back: +inf becomes infinite.
  static ProposedLength fromValue(double v) {
    return std::isinf(v) ? infinity() : ProposedLength(v);
  }

  friend bool operator==(const ProposedLength&, const ProposedLength&) = default;

 private:
  constexpr explicit ProposedLength(Kind k) : kind_(k) {}
  Kind kind_ = Kind::unspecified;
  double points_ = 0;
};

struct ProposedSize {
  ProposedLength width;
  ProposedLength height;

  static constexpr ProposedSize unspecified() { return {}; }
  static constexpr ProposedSize zero() { return {0.0, 0.0}; }
  static constexpr ProposedSize infinity() {
    return {ProposedLength::infinity(), ProposedLength::infinity()};
  }
  static ProposedSize of(Size s) { return {s.width, s.height}; }
  friend bool operator==(const ProposedSize&, const ProposedSize&) = default;
};

// A frame bound: a number of points, or infinity (`.frame(maxWidth: .infinity)`).
class Length {
 public:
  constexpr Length(double points) : points_(points) {}
  static constexpr Length infinity() { return Length(InfiniteTag{}); }
  static const Length infinite;
  constexpr bool isInfinite() const { return infinite_; }
  double value() const { return infinite_ ? std::numeric_limits<double>::infinity() : points_; }
  friend bool operator==(const Length&, const Length&) = default;

 private:
  struct InfiniteTag {};
  constexpr explicit Length(InfiniteTag) : infinite_(true) {}
  double points_ = 0;
  bool infinite_ = false;
};
inline constexpr Length Length::infinite = Length::infinity();

enum class HorizontalAlignment : std::uint8_t { leading, center, trailing };
enum class VerticalAlignment : std::uint8_t {
  top,
  center,
  bottom,
  firstTextBaseline,
  lastTextBaseline
};

struct Alignment {
  HorizontalAlignment horizontal = HorizontalAlignment::center;
  VerticalAlignment vertical = VerticalAlignment::center;

  static const Alignment center, leading, trailing, top, bottom, topLeading, topTrailing,
      bottomLeading, bottomTrailing;
  friend bool operator==(const Alignment&, const Alignment&) = default;
};
inline constexpr Alignment Alignment::center{};
inline constexpr Alignment Alignment::leading{HorizontalAlignment::leading,
                                              VerticalAlignment::center};
inline constexpr Alignment Alignment::trailing{HorizontalAlignment::trailing,
                                               VerticalAlignment::center};
inline constexpr Alignment Alignment::top{HorizontalAlignment::center, VerticalAlignment::top};
inline constexpr Alignment Alignment::bottom{HorizontalAlignment::center,
                                             VerticalAlignment::bottom};
inline constexpr Alignment Alignment::topLeading{HorizontalAlignment::leading,
                                                 VerticalAlignment::top};
inline constexpr Alignment Alignment::topTrailing{HorizontalAlignment::trailing,
                                                  VerticalAlignment::top};
inline constexpr Alignment Alignment::bottomLeading{HorizontalAlignment::leading,
                                                    VerticalAlignment::bottom};
inline constexpr Alignment Alignment::bottomTrailing{HorizontalAlignment::trailing,
                                                     VerticalAlignment::bottom};

// Row-major 2D affine transform: x' = a x + c y + tx, y' = b x + d y + ty.
struct Affine {
  double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
  Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
  // This first, then `n`.
  Affine then(const Affine& n) const {
    return {n.a * a + n.c * b, n.b * a + n.d * b,          n.a * c + n.c * d,
            n.b * c + n.d * d, n.a * tx + n.c * ty + n.tx, n.b * tx + n.d * ty + n.ty};
  }
  // Turns about `about`: clockwise on screen for positive angles, as y points down.
  static Affine rotation(Angle angle, Point about) {
    const double cs = std::cos(angle.radians), sn = std::sin(angle.radians);
    return {cs,
            sn,
            -sn,
            cs,
            about.x - cs * about.x + sn * about.y,
            about.y - sn * about.x - cs * about.y};
  }
  bool isIdentity() const { return a == 1 && b == 0 && c == 0 && d == 1 && tx == 0 && ty == 0; }
  friend bool operator==(const Affine&, const Affine&) = default;
  // The axis-aligned box around `r` transformed.
  Rect boundingBox(const Rect& r) const;
};

enum class TextAlignment : std::uint8_t { leading, center, trailing };

}  // namespace ViewToolkit
