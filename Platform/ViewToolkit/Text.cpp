#include "Platform/ViewToolkit/Text.h"

#include "Platform/Foundation/Localization.h"

namespace ViewToolkit {

void LocalizedStringKey::appendLiteral(const char* literal) {
  for (const char* p = literal; *p; ++p) {
    if (*p == '%') key_ += '%';
    key_ += *p;
  }
}

void LocalizedStringKey::appendArgument(InterpolatedValue argument) {
  key_ += argument.specifier();
  arguments_.push_back(std::move(argument));
}

std::string LocalizedStringKey::resolve() const {
  // The empty key is never looked up: a gettext catalogue answers it with its header.
  if (key_.empty()) return {};
  std::string translated = Foundation::localizedString(key_);
  if (!formatted_) return translated;
  std::vector<Foundation::FormatArgument> values;
  values.reserve(arguments_.size());
  for (const InterpolatedValue& v : arguments_) values.push_back(v.argument());
  return Foundation::formatWithArguments(translated, values);
}

Text::Text(LocalizedStringKey key) {
  Run run;
  run.content = std::move(key);
  runs_.push_back(std::move(run));
}

Text Text::verbatim(std::string text) {
  Text t;
  Run run;
  run.content = std::move(text);
  t.runs_.push_back(std::move(run));
  return t;
}

Text Text::font(std::optional<Font> font) const {
  Text t = *this;
  for (Run& r : t.runs_) {
    if (!r.font) r.font = font;
  }
  return t;
}

Text Text::fontWeight(Font::Weight weight) const {
  Text t = *this;
  for (Run& r : t.runs_) {
    if (!r.weight) r.weight = weight;
  }
  return t;
}

Text Text::foregroundStyle(ShapeStyle style) const {
  Text t = *this;
  for (Run& r : t.runs_) {
    if (!r.style) r.style = style;
  }
  return t;
}

Text Text::tracking(double tracking) const {
  Text t = *this;
  for (Run& r : t.runs_) {
    if (!r.tracking) r.tracking = tracking;
  }
  return t;
}

Text Text::monospacedDigit() const {
  Text t = *this;
  for (Run& r : t.runs_) r.monospacedDigit = true;
  return t;
}

Text operator+(const Text& a, const Text& b) {
  Text t = a;
  t.runs_.insert(t.runs_.end(), b.runs_.begin(), b.runs_.end());
  return t;
}

std::string Text::resolvedString() const {
  std::string out;
  for (const Run& r : runs_) {
    if (const auto* s = std::get_if<std::string>(&r.content)) {
      out += *s;
    } else {
      out += std::get<LocalizedStringKey>(r.content).resolve();
    }
  }
  return out;
}

}  // namespace ViewToolkit
