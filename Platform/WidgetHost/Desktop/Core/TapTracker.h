// Tells a tap from a drag and a double click from two taps, for one widget's pointer.
//
// A link opens when the button comes up over the same link it went down on, once per click: the
// second press of a double click opens nothing, and a press that moved further than `slop`
// points is the start of a move, never a tap.
#pragma once

#include <cmath>
#include <optional>
#include <string>

#include "Platform/ViewToolkit/Geometry.h"

namespace WidgetHost {

class TapTracker {
 public:
  static constexpr double slop = 4;

  // `count` is the press's position in a run of quick clicks (1 for a single click).
  void pressed(int count, ViewToolkit::Point at, std::optional<std::string> url) {
    press_ = count == 1 ? std::optional<Press>(Press{at, std::move(url)}) : std::nullopt;
  }

  // True once, when the pointer has moved far enough from the press for a move to begin.
  bool moved(ViewToolkit::Point to) {
    if (!press_) return false;
    if (std::hypot(to.x - press_->at.x, to.y - press_->at.y) <= slop) return false;
    press_.reset();
    return true;
  }

  // The URL to open, if the release completes a tap on the link the press began on.
  std::optional<std::string> released(const std::optional<std::string>& urlHere) {
    std::optional<Press> press = std::move(press_);
    press_.reset();
    if (!press || !press->url || press->url != urlHere) return std::nullopt;
    return press->url;
  }

  void cancel() { press_.reset(); }

 private:
  struct Press {
    ViewToolkit::Point at;
    std::optional<std::string> url;
  };
  std::optional<Press> press_;
};

}  // namespace WidgetHost
