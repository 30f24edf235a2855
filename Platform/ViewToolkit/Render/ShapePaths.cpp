#include "Platform/ViewToolkit/Render/ShapePaths.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace ViewToolkit::Render {
namespace {

// Control points of a continuous ("squircle") corner, in multiples of the corner radius, as
// (distance back along the incoming edge, distance along the outgoing edge) from the corner.
constexpr double cornerExtent = 1.52866483;
constexpr double cornerCurve[][2] = {
    {1.08849299, 0},          {0.86840701, 0},          {0.63149399, 0.07491100},
    {0.37282401, 0.16905201}, {0.16905201, 0.37282401}, {0.07491100, 0.63149399},
    {0, 0.86840701},          {0, 1.08849299},          {0, cornerExtent},
};

struct Vec {
  double x, y;
};

void continuousCorner(cairo_t* cr, Vec corner, Vec in, Vec out, double r, bool first) {
  auto at = [&](double a, double b) {
    return Vec{corner.x - a * r * in.x + b * r * out.x, corner.y - a * r * in.y + b * r * out.y};
  };
  Vec start = at(cornerExtent, 0);
  if (first) {
    cairo_move_to(cr, start.x, start.y);
  } else {
    cairo_line_to(cr, start.x, start.y);
  }
  for (int i = 0; i < 9; i += 3) {
    Vec c1 = at(cornerCurve[i][0], cornerCurve[i][1]);
    Vec c2 = at(cornerCurve[i + 1][0], cornerCurve[i + 1][1]);
    Vec e = at(cornerCurve[i + 2][0], cornerCurve[i + 2][1]);
    cairo_curve_to(cr, c1.x, c1.y, c2.x, c2.y, e.x, e.y);
  }
}

}  // namespace

void roundedRectPath(cairo_t* cr, Rect r, double radius, bool continuous) {
  const double half = std::min(r.width, r.height) / 2;
  radius = std::clamp(radius, 0.0, half);
  if (radius <= 0) {
    cairo_rectangle(cr, r.x, r.y, r.width, r.height);
    return;
  }
  if (continuous && radius * cornerExtent <= half) {
    continuousCorner(cr, {r.maxX(), r.minY()}, {1, 0}, {0, 1}, radius, true);
    continuousCorner(cr, {r.maxX(), r.maxY()}, {0, 1}, {-1, 0}, radius, false);
    continuousCorner(cr, {r.minX(), r.maxY()}, {-1, 0}, {0, -1}, radius, false);
    continuousCorner(cr, {r.minX(), r.minY()}, {0, -1}, {1, 0}, radius, false);
    cairo_close_path(cr);
    return;
  }
  // Too tight for the continuous curve (capsule ends): circular corners.
  cairo_new_sub_path(cr);
  cairo_arc(cr, r.maxX() - radius, r.minY() + radius, radius, -M_PI / 2, 0);
  cairo_arc(cr, r.maxX() - radius, r.maxY() - radius, radius, 0, M_PI / 2);
  cairo_arc(cr, r.minX() + radius, r.maxY() - radius, radius, M_PI / 2, M_PI);
  cairo_arc(cr, r.minX() + radius, r.minY() + radius, radius, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

namespace {

void basePath(cairo_t* cr, Rect r, const Shape& s, double extraInset) {
  const double inset = s.insetAmount() + extraInset;
  r = {r.x + inset, r.y + inset, std::max(0.0, r.width - 2 * inset),
       std::max(0.0, r.height - 2 * inset)};
  switch (s.kind()) {
    case Shape::Kind::rectangle:
      cairo_rectangle(cr, r.x, r.y, r.width, r.height);
      break;
    case Shape::Kind::roundedRectangle:
      roundedRectPath(cr, r, s.cornerRadius() - inset,
                      s.cornerStyle() == RoundedCornerStyle::continuous);
      break;
    case Shape::Kind::capsule:
      roundedRectPath(cr, r, std::min(r.width, r.height) / 2, false);
      break;
    case Shape::Kind::circle: {
      const double radius = std::min(r.width, r.height) / 2;
      cairo_new_sub_path(cr);
      cairo_arc(cr, r.midX(), r.midY(), radius, 0, 2 * M_PI);
      cairo_close_path(cr);
      break;
    }
  }
}

// The part [from, to] of the path by length, for outlines other than circles.
void trimmedPath(cairo_t* cr, double from, double to) {
  cairo_path_t* flat = cairo_copy_path_flat(cr);
  cairo_new_path(cr);
  std::vector<Vec> points;
  Vec start{0, 0};
  for (int i = 0; i < flat->num_data; i += flat->data[i].header.length) {
    const cairo_path_data_t* d = &flat->data[i];
    switch (d->header.type) {
      case CAIRO_PATH_MOVE_TO:
        start = {d[1].point.x, d[1].point.y};
        if (points.empty()) points.push_back(start);
        break;
      case CAIRO_PATH_LINE_TO:
        points.push_back({d[1].point.x, d[1].point.y});
        break;
      case CAIRO_PATH_CLOSE_PATH:
        points.push_back(start);
        break;
      case CAIRO_PATH_CURVE_TO:
        break;  // flattened away
    }
  }
  cairo_path_destroy(flat);
  double total = 0;
  for (std::size_t i = 1; i < points.size(); ++i) {
    total += std::hypot(points[i].x - points[i - 1].x, points[i].y - points[i - 1].y);
  }
  if (total <= 0) return;
  const double a = from * total, b = to * total;
  double walked = 0;
  bool started = false;
  for (std::size_t i = 1; i < points.size(); ++i) {
    Vec p = points[i - 1], q = points[i];
    double len = std::hypot(q.x - p.x, q.y - p.y);
    if (len <= 0) continue;
    double s0 = std::max(a, walked), s1 = std::min(b, walked + len);
    if (s0 < s1) {
      auto lerp = [&](double s) {
        double t = (s - walked) / len;
        return Vec{p.x + (q.x - p.x) * t, p.y + (q.y - p.y) * t};
      };
      Vec u = lerp(s0), v = lerp(s1);
      if (!started) {
        cairo_move_to(cr, u.x, u.y);
        started = true;
      }
      cairo_line_to(cr, v.x, v.y);
    }
    walked += len;
  }
}

}  // namespace

void shapePath(cairo_t* cr, Rect frame, const Shape& s, double extraInset) {
  cairo_new_path(cr);
  double from = std::clamp(s.trimFrom(), 0.0, 1.0), to = std::clamp(s.trimTo(), 0.0, 1.0);
  const bool trimmed = from > 0 || to < 1;
  if (trimmed && from >= to) return;
  if (trimmed && s.kind() == Shape::Kind::circle) {
    // A circle's outline starts at 3 o'clock and runs clockwise (y points down).
    const double inset = s.insetAmount() + extraInset;
    Rect r{frame.x + inset, frame.y + inset, std::max(0.0, frame.width - 2 * inset),
           std::max(0.0, frame.height - 2 * inset)};
    cairo_arc(cr, r.midX(), r.midY(), std::min(r.width, r.height) / 2, 2 * M_PI * from,
              2 * M_PI * to);
    return;
  }
  basePath(cr, frame, s, extraInset);
  if (trimmed) trimmedPath(cr, from, to);
}

}  // namespace ViewToolkit::Render
