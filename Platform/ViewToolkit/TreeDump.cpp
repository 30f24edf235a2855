// The JSON dump of a laid-out tree.
#include "Platform/ViewToolkit/JsonWriter.h"
#include "Platform/ViewToolkit/LayoutNode.h"

namespace ViewToolkit {
namespace {

struct Writer {
  std::string out;
  bool pretty;
  int depth = 0;

  void newline() {
    if (!pretty) return;
    out += '\n';
    out.append(std::size_t(depth) * 2, ' ');
  }
  void key(const char* k) {
    out += ',';
    newline();
    Json::appendString(out, k);
    out += pretty ? ": " : ":";
  }
  void font(const ResolvedFont& f, double scale) {
    out += "{\"size\":";
    Json::appendNumber(out, f.size * scale);
    out += ",\"weight\":";
    Json::appendString(out, weightName(f.weight));
    out += ",\"design\":";
    Json::appendString(out, designName(f.design));
    out += '}';
  }

  void node(const LayoutNode& n) {
    out += '{';
    ++depth;
    newline();
    out += pretty ? "\"kind\": " : "\"kind\":";
    Json::appendString(out, n.kind);
    key("frame");
    out += '[';
    Json::appendNumber(out, n.frame.x);
    out += ',';
    Json::appendNumber(out, n.frame.y);
    out += ',';
    Json::appendNumber(out, n.frame.width);
    out += ',';
    Json::appendNumber(out, n.frame.height);
    out += ']';
    if (n.text) {
      const TextContent& t = *n.text;
      key("text");
      Json::appendString(out, t.string());
      if (!t.runs.empty()) {
        key("font");
        font(t.runs.front().style.font, t.fontScale);
        key("foreground");
        out += t.runs.front().paint.json();
      }
      if (t.fontScale < 1) {
        key("scale");
        Json::appendNumber(out, t.fontScale);
      }
      if (t.box.truncated) {
        key("truncated");
        out += "true";
      }
      if (t.paragraph.lineLimit) {
        key("lineLimit");
        Json::appendNumber(out, *t.paragraph.lineLimit);
      }
      if (t.runs.size() > 1) {
        key("runs");
        out += '[';
        for (std::size_t i = 0; i < t.runs.size(); ++i) {
          if (i) out += ',';
          out += "{\"text\":";
          Json::appendString(out, t.runs[i].text);
          out += ",\"font\":";
          font(t.runs[i].style.font, t.fontScale);
          out += ",\"foreground\":";
          out += t.runs[i].paint.json();
          if (t.runs[i].style.monospacedDigit) out += ",\"monospacedDigit\":true";
          out += '}';
        }
        out += ']';
      } else if (!t.runs.empty() && t.runs.front().style.monospacedDigit) {
        key("monospacedDigit");
        out += "true";
      }
      if (!t.runs.empty() && t.runs.front().style.tracking != 0) {
        key("tracking");
        Json::appendNumber(out, t.runs.front().style.tracking);
      }
    }
    if (n.symbol) {
      key("symbol");
      Json::appendString(out, n.symbol->name);
      if (!n.symbol->known) {
        key("fallback");
        out += "true";
      }
      key("font");
      font(n.symbol->font, 1);
      key("foreground");
      out += n.symbol->paint.json();
    }
    if (n.shape) {
      if (n.shape->mode == ShapeContent::Mode::fill) {
        key("fill");
      } else {
        key(n.shape->mode == ShapeContent::Mode::stroke ? "stroke" : "strokeBorder");
      }
      out += n.shape->paint.json();
      if (n.shape->mode != ShapeContent::Mode::fill) {
        key("lineWidth");
        Json::appendNumber(out, n.shape->stroke.lineWidth);
        key("lineCap");
        Json::appendString(out, n.shape->stroke.lineCap == LineCap::round    ? "round"
                                : n.shape->stroke.lineCap == LineCap::square ? "square"
                                                                             : "butt");
      }
      const Shape& s = n.shape->shape;
      if (s.kind() == Shape::Kind::roundedRectangle) {
        key("cornerRadius");
        Json::appendNumber(out, s.cornerRadius());
      }
      if (s.kind() == Shape::Kind::roundedRectangle || s.kind() == Shape::Kind::capsule) {
        key("cornerStyle");
        Json::appendString(
            out, s.cornerStyle() == RoundedCornerStyle::continuous ? "continuous" : "circular");
      }
      if (s.trimFrom() != 0 || s.trimTo() != 1) {
        key("trim");
        out += '[';
        Json::appendNumber(out, s.trimFrom());
        out += ',';
        Json::appendNumber(out, s.trimTo());
        out += ']';
      }
    }
    if (n.url) {
      key("url");
      Json::appendString(out, *n.url);
    }
    if (n.widgetURL) {
      key("widgetURL");
      Json::appendString(out, *n.widgetURL);
    }
    if (n.accentable) {
      key("accentable");
      out += "true";
    }
    if (n.opacity != 1) {
      key("opacity");
      Json::appendNumber(out, n.opacity);
    }
    if (n.rotation) {
      key("rotation");
      Json::appendNumber(out, n.rotation->degreesValue());
    }
    if (n.offset) {
      key("offset");
      out += '[';
      Json::appendNumber(out, n.offset->x);
      out += ',';
      Json::appendNumber(out, n.offset->y);
      out += ']';
    }
    if (!n.children.empty()) {
      key("children");
      out += '[';
      ++depth;
      for (std::size_t i = 0; i < n.children.size(); ++i) {
        if (i) out += ',';
        newline();
        node(n.children[i]);
      }
      --depth;
      newline();
      out += ']';
    }
    --depth;
    newline();
    out += '}';
  }
};

}  // namespace

std::string LaidOutView::json(bool pretty) const {
  Writer w{{}, pretty};
  w.node(root);
  if (pretty) w.out += '\n';
  return w.out;
}

}  // namespace ViewToolkit
