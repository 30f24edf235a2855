// Environment values: settings read where a view is placed, with defaults when nobody sets
// them, and settable on a subtree with `.environment(...)`.
//
// The toolkit's own values are plain members (appearance, display scale, rendering mode,
// locale, and the inherited text and style settings). Code built on the toolkit defines keys
// of its own as types with a `Value` and a `defaultValue()`:
//
//   struct WidgetLinksAsPlainViewsKey {
//     using Value = bool;
//     static Value defaultValue() { return false; }
//   };
//   bool plain = EnvironmentValues::current().get<WidgetLinksAsPlainViewsKey>();
//
// EnvironmentValues::current() is the environment where the component whose body is being
// built is placed; bodies are built on the thread that lays out the tree, and outside of a
// layout it is the default environment.
#pragma once

#include <concepts>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Platform/ViewToolkit/Color.h"
#include "Platform/ViewToolkit/Font.h"
#include "Platform/ViewToolkit/Geometry.h"

namespace ViewToolkit {

enum class WidgetRenderingMode : std::uint8_t { fullColor, accented };

namespace detail {
template <class Key>
inline constexpr char environmentKeyTag = 0;
}  // namespace detail

template <class Key>
concept EnvironmentKey = requires {
  typename Key::Value;
  { Key::defaultValue() } -> std::convertible_to<typename Key::Value>;
};

class EnvironmentValues {
 public:
  ColorScheme colorScheme = ColorScheme::light;
  double displayScale = 1;
  WidgetRenderingMode widgetRenderingMode = WidgetRenderingMode::fullColor;
  std::string locale = "en_US";

  // Inherited by text, symbols and shapes below the point where a view sets them.
  std::optional<Font> font;                   // absent: Font::body
  std::optional<ShapeStyle> foregroundStyle;  // absent: the primary label colour
  std::optional<int> lineLimit;               // absent: as many lines as the text needs
  double minimumScaleFactor = 1;
  TextAlignment multilineTextAlignment = TextAlignment::leading;
  double tracking = 0;
  bool monospacedDigit = false;
  bool accentable = false;  // inside `.widgetAccentable()`

  template <EnvironmentKey Key>
  typename Key::Value get() const {
    for (const auto& [tag, value] : custom_) {
      if (tag == &detail::environmentKeyTag<Key>) {
        return *static_cast<const typename Key::Value*>(value.get());
      }
    }
    return Key::defaultValue();
  }
  template <EnvironmentKey Key>
  void set(typename Key::Value value) {
    auto stored = std::make_shared<const typename Key::Value>(std::move(value));
    for (auto& [tag, slot] : custom_) {
      if (tag == &detail::environmentKeyTag<Key>) {
        slot = std::move(stored);
        return;
      }
    }
    custom_.emplace_back(&detail::environmentKeyTag<Key>, std::move(stored));
  }

  // The environment of the component being built; the default one outside a layout.
  static const EnvironmentValues& current();

 private:
  std::vector<std::pair<const void*, std::shared_ptr<const void>>> custom_;
};

// Makes `environment` the current one for the lifetime of the scope (nests).
class ScopedCurrentEnvironment {
 public:
  explicit ScopedCurrentEnvironment(const EnvironmentValues& environment);
  ~ScopedCurrentEnvironment();
  ScopedCurrentEnvironment(const ScopedCurrentEnvironment&) = delete;
  ScopedCurrentEnvironment& operator=(const ScopedCurrentEnvironment&) = delete;

 private:
  const EnvironmentValues* previous_;
};

}  // namespace ViewToolkit
