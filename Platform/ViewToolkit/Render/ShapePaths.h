// Shape outlines as Cairo paths: rectangles, rounded rectangles with continuous or circular
// corners, capsules and circles, inset and trimmed. The one place a rounded corner is drawn, for
// shapes and for a canvas's outline alike.
#pragma once

#include "Platform/ViewToolkit/Geometry.h"
#include "Platform/ViewToolkit/View.h"

typedef struct _cairo cairo_t;

namespace ViewToolkit::Render {

// Adds a rectangle with corners of `radius` (at most half its shorter side) as a closed sub-path.
// Continuous corners need room for their longer curve; where there is none, and for circular
// corners, the corners are quarter circles.
void roundedRectPath(cairo_t* cr, Rect r, double radius, bool continuous);
// Replaces the current path with the outline of `shape` in `frame`, inset by the shape's own
// inset plus `extraInset`, trimmed as the shape says.
void shapePath(cairo_t* cr, Rect frame, const Shape& shape, double extraInset);

}  // namespace ViewToolkit::Render
