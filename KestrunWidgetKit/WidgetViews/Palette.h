// The colours that belong to the product rather than to the platform, and the background every
// widget is drawn on.
//
// kestrunBrand is a fixed sRGB colour: it looks the same in light and dark appearance. Every other
// tint is a named colour of the platform and adapts. All of it is constant or recomputed when a
// body is built, so it may be read from any thread.
#pragma once

#include "KestrunWidgetKit/WidgetSnapshot/WidgetSnapshot.h"
#include "Platform/ViewToolkit/Color.h"
#include "Platform/ViewToolkit/View.h"

namespace KestrunWidgetKit {

// About #5C57FA. Constant-initialised, so every first use on any thread sees it whole.
inline constexpr ViewToolkit::Color kestrunBrand{ViewToolkit::Color::RGBColorSpace::sRGB, 0.36,
                                                 0.34, 0.98, 1.0};

// The colour an attention item's tint stands for: kestrunBrand for `brand`, otherwise the
// platform's colour of the same name.
ViewToolkit::Color color(WidgetSnapshot::Tint tint);

// The colour of a memory pressure: green when normal, orange when high, red when critical.
ViewToolkit::Color pressureTint(WidgetSnapshot::Severity pressure);

// The container background of every widget: the window background with a faint brand wash that
// fades from the top-leading corner to the centre.
struct WidgetBackground {
  ViewToolkit::View body() const;
};

// `view` with the widget background as its container background.
ViewToolkit::View widgetBackground(const ViewToolkit::View& view);

}  // namespace KestrunWidgetKit
