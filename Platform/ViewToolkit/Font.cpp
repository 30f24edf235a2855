#include "Platform/ViewToolkit/Font.h"

namespace ViewToolkit {
namespace {

struct StyleMetrics {
  double size;
  Font::Weight weight;
};

// macOS built-in text styles: macOS has no dynamic type, so sizes are fixed.
StyleMetrics metrics(Font::TextStyle style) {
  using W = Font::Weight;
  switch (style) {
    case Font::TextStyle::largeTitle:
      return {26, W::regular};
    case Font::TextStyle::title:
      return {22, W::regular};
    case Font::TextStyle::title2:
      return {17, W::regular};
    case Font::TextStyle::title3:
      return {15, W::regular};
    case Font::TextStyle::headline:
      return {13, W::bold};
    case Font::TextStyle::body:
      return {13, W::regular};
    case Font::TextStyle::callout:
      return {12, W::regular};
    case Font::TextStyle::subheadline:
      return {11, W::regular};
    case Font::TextStyle::footnote:
      return {10, W::regular};
    case Font::TextStyle::caption:
      return {10, W::regular};
    case Font::TextStyle::caption2:
      return {10, W::medium};
  }
  return {13, W::regular};
}

}  // namespace

ResolvedFont Font::resolve() const {
  ResolvedFont r;
  r.design = design_;
  if (style_) {
    StyleMetrics m = metrics(*style_);
    r.size = m.size;
    r.weight = weight_.value_or(m.weight);
  } else {
    r.size = size_;
    r.weight = weight_.value_or(Weight::regular);
  }
  return r;
}

const char* weightName(Font::Weight weight) {
  switch (weight) {
    case Font::Weight::ultraLight:
      return "ultraLight";
    case Font::Weight::thin:
      return "thin";
    case Font::Weight::light:
      return "light";
    case Font::Weight::regular:
      return "regular";
    case Font::Weight::medium:
      return "medium";
    case Font::Weight::semibold:
      return "semibold";
    case Font::Weight::bold:
      return "bold";
    case Font::Weight::heavy:
      return "heavy";
    case Font::Weight::black:
      return "black";
  }
  return "regular";
}

const char* designName(Font::Design design) {
  switch (design) {
    case Font::Design::standard:
      return "default";
    case Font::Design::rounded:
      return "rounded";
    case Font::Design::monospaced:
      return "monospaced";
    case Font::Design::serif:
      return "serif";
  }
  return "default";
}

int numericWeight(Font::Weight weight) {
  switch (weight) {
    case Font::Weight::ultraLight:
      return 100;
    case Font::Weight::thin:
      return 200;
    case Font::Weight::light:
      return 300;
    case Font::Weight::regular:
      return 400;
    case Font::Weight::medium:
      return 500;
    case Font::Weight::semibold:
      return 600;
    case Font::Weight::bold:
      return 700;
    case Font::Weight::heavy:
      return 800;
    case Font::Weight::black:
      return 900;
  }
  return 400;
}

}  // namespace ViewToolkit
