// Text: verbatim strings and localizable keys, joined with `+` into one text of several runs.
//
// A verbatim text is shown exactly as given and never looked up. A localizable key is looked
// up in the message catalogue (Foundation::localizedString) when the text is laid out and
// shown as written when nothing translates it. A key with interpolated values is keyed by its
// literal text with a specifier in place of each value (`%@` for a string, `%lld` for an
// integer, `%lf` for a double, or the value's explicit specifier), a literal percent sign
// written `%%`; the values are substituted into whatever the lookup returned:
//
//   Text("of ", physical, " · ", swap, " swap")   // key "of %@ · %@ swap"
//   Text(specified(speed, "%.1f"), " Mbps")       // key "%.1f Mbps"
//
// Strings are data: nothing here is ever parsed as markup.
#pragma once

#include <optional>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "Platform/ViewToolkit/Color.h"
#include "Platform/ViewToolkit/Font.h"
#include "Platform/ViewToolkit/Interpolation.h"
#include "Platform/ViewToolkit/View.h"

namespace ViewToolkit {

class LocalizedStringKey {
 public:
  // A key written in code, with no values.
  LocalizedStringKey(const char* literal) : key_(literal ? literal : "") {}
  // A key made at run time; explicit so that data is never looked up by accident.
  explicit LocalizedStringKey(std::string key) : key_(std::move(key)) {}
  // Literal pieces (string literals) and interpolated values, in reading order.
  template <class... Parts>
  requires(sizeof...(Parts) >= 2) LocalizedStringKey(const Parts&... parts) : formatted_(true) {
    (append(parts), ...);
  }

  const std::string& key() const { return key_; }
  const std::vector<InterpolatedValue>& arguments() const { return arguments_; }
  // The text to show: the translation (or the key), with the values substituted.
  std::string resolve() const;

  friend bool operator==(const LocalizedStringKey&, const LocalizedStringKey&) = default;

 private:
  template <class P>
  void append(const P& part) {
    if constexpr (std::is_convertible_v<const P&, const char*>) {
      appendLiteral(static_cast<const char*>(part));
    } else {
      appendArgument(InterpolatedValue(part));
    }
  }
  void appendLiteral(const char* literal);
  void appendArgument(InterpolatedValue argument);

  std::string key_;
  std::vector<InterpolatedValue> arguments_;
  bool formatted_ = false;  // built from pieces: the lookup result is a format
};

class Text : public ViewModifiers<Text> {
 public:
  struct Run {
    std::variant<std::string, LocalizedStringKey> content;  // verbatim, or a key
    std::optional<Font> font;
    std::optional<Font::Weight> weight;
    std::optional<ShapeStyle> style;
    std::optional<double> tracking;
    bool monospacedDigit = false;
    bool operator==(const Run&) const = default;
  };

  Text(LocalizedStringKey key);
  template <class... Parts>
  requires(sizeof...(Parts) >= 2) Text(const Parts&... parts)
      : Text(LocalizedStringKey(parts...)) {}
  static Text verbatim(std::string text);

  // Run attributes: each applies to the runs that do not set their own, so a run keeps what
  // was given to it before concatenation.
  Text font(std::optional<Font> font) const;
  Text fontWeight(Font::Weight weight) const;
  Text bold() const { return fontWeight(Font::Weight::bold); }
  Text foregroundStyle(ShapeStyle style) const;
  Text foregroundColor(Color color) const { return foregroundStyle(color); }
  Text tracking(double tracking) const;
  Text monospacedDigit() const;

  friend Text operator+(const Text& a, const Text& b);

  const std::vector<Run>& runs() const { return runs_; }
  // Every run's text, looked up and joined.
  std::string resolvedString() const;

 private:
  Text() = default;
  std::vector<Run> runs_;
};

}  // namespace ViewToolkit
