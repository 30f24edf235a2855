#include "Platform/WidgetHost/WidgetRendering.h"

#include "Platform/Foundation/JSON.h"

namespace WidgetHost {

using namespace ViewToolkit;

namespace {

// What the host paints behind accented widgets in place of their own background.
const Color accentedBackdrop{0.16, 0.17, 0.20, 1};

}  // namespace

RenderedWidget renderWidget(const WidgetDescription& widget, const HostEntry& entry,
                            const Appearance& appearance, const TextSystem& text,
                            std::optional<WidgetFamily> family) {
  WidgetFamily f = family ? *family
                          : (widget.supportedFamilies.empty() ? WidgetFamily::systemSmall
                                                              : widget.supportedFamilies.front());
  FamilyMetrics m = metrics(f);
  double margin = widget.contentMarginsDisabled ? 0 : m.contentMargin;
  EdgeInsets margins{margin, margin, margin, margin};

  Scene scene;
  scene.size = m.size;
  scene.displayScale = appearance.displayScale;
  scene.draw.colorScheme = appearance.colorScheme;
  scene.draw.renderingMode = appearance.renderingMode;
  scene.cornerRadius = m.cornerRadius;
  const bool accented = appearance.renderingMode == WidgetRenderingMode::accented;
  if (accented) scene.backdrop = accentedBackdrop;

  View composed = Container(entry.content(), {m.size, margins, !accented});
  LaidOutView laidOut = layoutView(composed, scene, text);
  DisplayList list = DisplayList::build(laidOut);
  return {f, m, margins, scene, std::move(laidOut), std::move(list), &text};
}

std::string RenderedWidget::json(const WidgetDescription& widget) const {
  Foundation::JSON::Writer w;
  w.beginObject();
  w.key("kind");
  w.value(widget.kind);
  w.key("family");
  w.value(familyName(family));
  auto integer = [&](double points) { w.value(static_cast<std::int64_t>(points)); };
  w.key("frame");
  w.beginArray();
  for (double v : {0.0, 0.0, metrics.size.width, metrics.size.height}) integer(v);
  w.endArray();
  w.key("margins");
  w.beginObject();
  for (auto [name, v] : {std::pair{"top", margins.top}, {"leading", margins.leading},
                         {"bottom", margins.bottom}, {"trailing", margins.trailing}}) {
    w.key(name);
    integer(v);
  }
  w.endObject();
  w.key("cornerRadius");
  integer(metrics.cornerRadius);
  w.key("tree");
  w.rawValue(laidOut.json());
  w.endObject();
  return std::move(w).text();
}

std::string RenderedWidget::document(DocumentFormat format) const {
  return renderDocument(displayList, scene, format, *text);
}

void RenderedWidget::writeDocument(DocumentFormat format, const std::string& path) const {
  ViewToolkit::writeDocument(displayList, scene, format, path, *text);
}

void RenderedWidget::draw(cairo_t* cr) const {
  drawScene(cr, displayList, scene, *text);
}

Bitmap RenderedWidget::rasterize() const {
  return ViewToolkit::rasterize(displayList, scene, *text);
}

}  // namespace WidgetHost
