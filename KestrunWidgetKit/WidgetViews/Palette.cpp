#include "KestrunWidgetKit/WidgetViews/Palette.h"

namespace KestrunWidgetKit {

using namespace ViewToolkit;

Color color(WidgetSnapshot::Tint tint) {
  using Tint = WidgetSnapshot::Tint;
  switch (tint) {
    case Tint::brand:
      return kestrunBrand;
    case Tint::blue:
      return Color::blue;
    case Tint::teal:
      return Color::teal;
    case Tint::mint:
      return Color::mint;
    case Tint::cyan:
      return Color::cyan;
    case Tint::green:
      return Color::green;
    case Tint::orange:
      return Color::orange;
    case Tint::pink:
      return Color::pink;
    case Tint::purple:
      return Color::purple;
    case Tint::indigo:
      return Color::indigo;
    case Tint::gray:
      return Color::gray;
    case Tint::red:
      return Color::red;
    case Tint::yellow:
      return Color::yellow;
  }
  // Only a value cast from outside the enumeration gets here; the brand is the neutral choice.
  return kestrunBrand;
}

View WidgetBackground::body() const {
  const LinearGradient wash{Gradient{kestrunBrand.opacity(0.09), Color::clear},
                            UnitPoint::topLeading, UnitPoint::center};
  return ZStack(Alignment::center, {View(Color::windowBackground), View(wash)});
}

View widgetBackground(const View& view) {
  return view.containerBackground(View(WidgetBackground{}), ContainerBackgroundPlacement::widget,
                                  Alignment::center);
}

Color pressureTint(WidgetSnapshot::Severity pressure) {
  switch (pressure) {
    case WidgetSnapshot::Severity::info:
      break;
    case WidgetSnapshot::Severity::warning:
      return Color::orange;
    case WidgetSnapshot::Severity::critical:
      return Color::red;
  }
  return Color::green;
}

}  // namespace KestrunWidgetKit
