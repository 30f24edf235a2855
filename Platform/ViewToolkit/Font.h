// Fonts: the system font by size, weight and design, or one of the platform's text styles,
// optionally with a weight and design of its own. A Font is a description; it is resolved to
// a size, weight and design (ResolvedFont) when text is laid out, and to an installed family
// only by the text system.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ViewToolkit {

struct ResolvedFont;

class Font {
 public:
  enum class Weight : std::uint8_t {
    ultraLight,
    thin,
    light,
    regular,
    medium,
    semibold,
    bold,
    heavy,
    black
  };
  enum class Design : std::uint8_t { standard, rounded, monospaced, serif };
  enum class TextStyle : std::uint8_t {
    largeTitle,
    title,
    title2,
    title3,
    headline,
    body,
    callout,
    subheadline,
    footnote,
    caption,
    caption2
  };

  // `.system(size:weight:design:)`
  static constexpr Font system(double size, Weight weight = Weight::regular,
                               Design design = Design::standard) {
    Font f;
    f.size_ = size;
    f.weight_ = weight;
    f.design_ = design;
    return f;
  }
  // `.system(.subheadline, design: .rounded)`
  static constexpr Font system(TextStyle style, Design design = Design::standard) {
    Font f;
    f.style_ = style;
    f.design_ = design;
    return f;
  }
  // `.caption.weight(.semibold)`
  constexpr Font weight(Weight w) const {
    Font f = *this;
    f.weight_ = w;
    return f;
  }
  constexpr Font bold() const { return weight(Weight::bold); }

  static const Font largeTitle, title, title2, title3, headline, body, callout, subheadline,
      footnote, caption, caption2;

  ResolvedFont resolve() const;
  friend bool operator==(const Font&, const Font&) = default;

 private:
  constexpr Font() = default;
  std::optional<TextStyle> style_;
  double size_ = 0;
  std::optional<Weight> weight_;
  Design design_ = Design::standard;
};

inline constexpr Font Font::largeTitle = Font::system(Font::TextStyle::largeTitle);
inline constexpr Font Font::title = Font::system(Font::TextStyle::title);
inline constexpr Font Font::title2 = Font::system(Font::TextStyle::title2);
inline constexpr Font Font::title3 = Font::system(Font::TextStyle::title3);
inline constexpr Font Font::headline = Font::system(Font::TextStyle::headline);
inline constexpr Font Font::body = Font::system(Font::TextStyle::body);
inline constexpr Font Font::callout = Font::system(Font::TextStyle::callout);
inline constexpr Font Font::subheadline = Font::system(Font::TextStyle::subheadline);
inline constexpr Font Font::footnote = Font::system(Font::TextStyle::footnote);
inline constexpr Font Font::caption = Font::system(Font::TextStyle::caption);
inline constexpr Font Font::caption2 = Font::system(Font::TextStyle::caption2);

// A font as the text system needs it: points, weight and design.
struct ResolvedFont {
  double size = 13;
  Font::Weight weight = Font::Weight::regular;
  Font::Design design = Font::Design::standard;
  friend bool operator==(const ResolvedFont&, const ResolvedFont&) = default;
};

const char* weightName(Font::Weight weight);
const char* designName(Font::Design design);
// The weight on the CSS and OpenType scale (100 to 900).
int numericWeight(Font::Weight weight);

}  // namespace ViewToolkit
