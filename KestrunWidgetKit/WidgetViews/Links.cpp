#include "KestrunWidgetKit/WidgetViews/Links.h"

#include "KestrunWidgetKit/WidgetSnapshot/WidgetLink.h"
#include "KestrunWidgetKit/WidgetViews/Formatting.h"
#include "KestrunWidgetKit/WidgetViews/Palette.h"
#include "Platform/Foundation/Date.h"
#include "Platform/ViewToolkit/Text.h"

namespace KestrunWidgetKit {

using namespace ViewToolkit;

namespace {
struct WidgetLinksAsPlainViewsKey {
  using Value = bool;
  static Value defaultValue() { return false; }
};
}  // namespace

bool widgetLinksAsPlainViews(const EnvironmentValues& environment) {
  return environment.get<WidgetLinksAsPlainViewsKey>();
}

void setWidgetLinksAsPlainViews(EnvironmentValues& environment, bool plain) {
  environment.set<WidgetLinksAsPlainViewsKey>(plain);
}

View widgetLinksAsPlainViews(const View& view, bool plain) {
  return view.environment<WidgetLinksAsPlainViewsKey>(plain);
}

View Tap::body() const {
  if (widgetLinksAsPlainViews(EnvironmentValues::current())) return content;
  return Link(url, content);
}

View Footnote::body() const {
  View shown = content;
  if (snapshot->isStale(Foundation::Clock::now())) {
    // One sentence to translate: languages place the age where their grammar wants it.
    shown = Label(Text("Updated ", relative(snapshot->updated)), "clock")
                .foregroundStyle(Color::orange);
  }
  return Group({std::move(shown)}).font(Font::caption2).lineLimit(1).padding(EdgeSet::top, 5);
}

View SetupView::body() const {
  return VStack(HorizontalAlignment::center, 8,
                {
                    Image::systemName("flag.pattern.checkered")
                        .font(Font::system(22, Font::Weight::bold))
                        .foregroundStyle(kestrunBrand)
                        .widgetAccentable(true),
                    Text("Open Kestrun").font(Font::callout.weight(Font::Weight::semibold)),
                    Text("It measures; this widget shows what it finds.")
                        .font(Font::caption2)
                        .foregroundStyle(ShapeStyle::secondary)
                        .multilineTextAlignment(TextAlignment::center),
                })
      .frame(FlexibleFrame{.maxWidth = Length::infinity(),
                           .maxHeight = Length::infinity(),
                           .alignment = Alignment::center})
      .widgetURL(WidgetLink::open(WidgetLink::Section::home));
}

}  // namespace KestrunWidgetKit
