// What connects a widget to the host application and to time: regions that open a deep link
// (Tap), the footer that turns into a warning once the snapshot is stale (Footnote), and the
// first-run view (SetupView).
//
// Tap and Footnote read the environment and the clock when their bodies are built, so the same
// values give a fresh footer for one timeline entry and a stale one for a later entry.
#pragma once

#include "KestrunWidgetKit/WidgetSnapshot/WidgetSnapshot.h"
#include "Platform/Foundation/URL.h"
#include "Platform/ViewToolkit/Environment.h"
#include "Platform/ViewToolkit/View.h"

namespace KestrunWidgetKit {

// The environment switch that turns every Tap into plain content, for a renderer that cannot
// follow links. Nothing in the widgets sets it; false by default.
bool widgetLinksAsPlainViews(const ViewToolkit::EnvironmentValues& environment);
void setWidgetLinksAsPlainViews(ViewToolkit::EnvironmentValues& environment, bool plain);
// `view` with the switch set for everything below it.
ViewToolkit::View widgetLinksAsPlainViews(const ViewToolkit::View& view, bool plain);

// `content` as a link to `url`; a tap there wins over the whole widget's URL.
struct Tap {
  Foundation::URL url;
  ViewToolkit::View content;

  ViewToolkit::View body() const;
};

// The bottom line of the small widgets: `content` while the snapshot is fresh (an empty view shows
// nothing), an orange "Updated …" label in its place once it is stale.
struct Footnote {
  SharedSnapshot snapshot;  // never empty
  ViewToolkit::View content;

  ViewToolkit::View body() const;
};

// Shown when there is nothing to show: asks the user to open the host application, and a tap
// anywhere opens its home section.
struct SetupView {
  ViewToolkit::View body() const;
};

}  // namespace KestrunWidgetKit
