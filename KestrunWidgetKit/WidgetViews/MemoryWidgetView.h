// The small Memory widget: memory in use as a ring tinted by the pressure and as a big number,
// the installed memory and swap, and the footer with the pressure. A tap anywhere opens the host
// application's memory section. Without a snapshot, or with one that has no memory record yet,
// it is the first-run view: there is nothing else this widget could show.
//
// A plain value holding a shared, immutable snapshot; the body reads the clock (through the
// footer) when it is built, on the thread that lays the tree out.
#pragma once

#include <optional>

#include "KestrunWidgetKit/WidgetSnapshot/WidgetSnapshot.h"
#include "Platform/ViewToolkit/Color.h"
#include "Platform/ViewToolkit/View.h"

namespace KestrunWidgetKit {

struct MemoryWidgetView {
  SharedSnapshot snapshot;

  ViewToolkit::View body() const;
};

}  // namespace KestrunWidgetKit
