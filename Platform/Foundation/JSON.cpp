#include "Platform/Foundation/JSON.h"

#include <simdjson.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <system_error>
#include <type_traits>
#include <vector>

#include "Platform/Foundation/Text.h"

namespace Foundation::JSON {
namespace {

using simdjson::dom::element;
using simdjson::dom::element_type;

static_assert(sizeof(element) <= 16 && alignof(element) <= 8);
static_assert(std::is_trivially_copyable_v<element>);

element unwrap(const unsigned char* handle) {
  element e;
  std::memcpy(static_cast<void*>(&e), handle, sizeof e);
  return e;
}

Type typeOf(element e) {
  switch (e.type()) {
    case element_type::ARRAY: return Type::array;
    case element_type::OBJECT: return Type::object;
    case element_type::INT64:
    case element_type::UINT64:
    case element_type::DOUBLE: return Type::number;
    case element_type::STRING: return Type::string;
    case element_type::BOOL: return Type::boolean;
    case element_type::NULL_VALUE: return Type::null;
  }
  return Type::null;
}

// Walks the whole tree once after parsing: member names must be unique within an object, and no
// string may hold U+0000 (an escaped \u0000 would otherwise cut the text short further on).
std::string firstStructuralFault(element root) {
  std::vector<std::pair<element, std::string>> pending{{root, "(root)"}};
  std::vector<std::string_view> names;
  while (!pending.empty()) {
    auto [e, path] = std::move(pending.back());
    pending.pop_back();
    switch (e.type()) {
      case element_type::STRING: {
        std::string_view s = e.get_string().value_unsafe();
        if (s.find('\0') != std::string_view::npos) return path + ": string holds U+0000";
        break;
      }
      case element_type::ARRAY: {
        std::size_t i = 0;
        simdjson::dom::array items = e.get_array().value_unsafe();
        for (element child : items) {
          pending.emplace_back(child, path + "[" + std::to_string(i++) + "]");
        }
        break;
      }
      case element_type::OBJECT: {
        names.clear();
        simdjson::dom::object members = e.get_object().value_unsafe();
        for (auto field : members) {
          if (field.key.find('\0') != std::string_view::npos)
            return path + ": member name holds U+0000";
          names.push_back(field.key);
          std::string child = path == "(root)" ? std::string(field.key) : path + "." + std::string(field.key);
          pending.emplace_back(field.value, std::move(child));
        }
        std::sort(names.begin(), names.end());
        auto dup = std::adjacent_find(names.begin(), names.end());
        if (dup != names.end()) return path + ": member \"" + std::string(*dup) + "\" appears twice";
        break;
      }
      default: break;
    }
  }
  return {};
}

}  // namespace

std::string_view describe(Type type) {
  switch (type) {
    case Type::null: return "null";
    case Type::boolean: return "a boolean";
    case Type::number: return "a number";
    case Type::string: return "a string";
    case Type::array: return "an array";
    case Type::object: return "an object";
  }
  return "a value";
}

struct Document::Storage {
  simdjson::dom::parser parser;
  element root;
};

Document::Document(std::unique_ptr<Storage> storage) : storage_(std::move(storage)) {}
Document::Document(Document&&) noexcept = default;
Document& Document::operator=(Document&&) noexcept = default;
Document::~Document() = default;

std::optional<Document> Document::parse(std::string_view bytes, std::size_t maximumDepth,
                                        std::string* failure) {
  auto fail = [&](std::string reason) -> std::optional<Document> {
    if (failure) *failure = std::move(reason);
    return std::nullopt;
  };
  auto storage = std::make_unique<Storage>();
  // The parser needs room for the whole document and refuses deeper nesting than asked for.
  if (storage->parser.allocate(std::max<std::size_t>(bytes.size(), 64), maximumDepth) !=
      simdjson::SUCCESS)
    return fail("(root): out of memory");
  // simdjson copies into its own padded buffer when the input is not padded.
  auto result = storage->parser.parse(bytes.data(), bytes.size(), true);
  if (result.error()) {
    switch (result.error()) {
      case simdjson::DEPTH_ERROR:
        return fail("(root): nested deeper than " + std::to_string(maximumDepth) + " levels");
      case simdjson::UTF8_ERROR: return fail("(root): not valid UTF-8");
      case simdjson::EMPTY: return fail("(root): empty document");
      case simdjson::NUMBER_ERROR: return fail("(root): a number that does not fit 64 bits");
      default: return fail("(root): not valid JSON");
    }
  }
  storage->root = result.value_unsafe();
  if (std::string fault = firstStructuralFault(storage->root); !fault.empty()) return fail(fault);
  return Document(std::move(storage));
}

Value Document::root() const {
  Value v;
  std::memcpy(v.handle_, static_cast<const void*>(&storage_->root), sizeof(element));
  return v;
}

namespace {
Value wrap(element e) {
  Value v;
  static_assert(sizeof(Value) >= sizeof(element));
  std::memcpy(reinterpret_cast<unsigned char*>(&v), static_cast<const void*>(&e), sizeof e);
  return v;
}
}  // namespace

Type Value::type() const { return typeOf(unwrap(handle_)); }

std::optional<bool> Value::boolean() const {
  element e = unwrap(handle_);
  if (e.type() != element_type::BOOL) return std::nullopt;
  return e.get_bool().value_unsafe();
}

std::optional<std::int64_t> Value::int64() const {
  element e = unwrap(handle_);
  switch (e.type()) {
    case element_type::INT64: return e.get_int64().value_unsafe();
    case element_type::DOUBLE: {
      double d = e.get_double().value_unsafe();
      // [-2^63, 2^63): both bounds are exact doubles.
      if (std::trunc(d) != d || d < -9223372036854775808.0 || d >= 9223372036854775808.0)
        return std::nullopt;
      return static_cast<std::int64_t>(d);
    }
    default: return std::nullopt;  // UINT64 holds only values above INT64_MAX
  }
}

std::optional<std::uint64_t> Value::uint64() const {
  element e = unwrap(handle_);
  switch (e.type()) {
    case element_type::UINT64: return e.get_uint64().value_unsafe();
    case element_type::INT64: {
      std::int64_t i = e.get_int64().value_unsafe();
      if (i < 0) return std::nullopt;
      return static_cast<std::uint64_t>(i);
    }
    case element_type::DOUBLE: {
      double d = e.get_double().value_unsafe();
      if (std::trunc(d) != d || d < 0 || d >= 18446744073709551616.0) return std::nullopt;
      return static_cast<std::uint64_t>(d);
    }
    default: return std::nullopt;
  }
}

std::optional<double> Value::number() const {
  element e = unwrap(handle_);
  switch (e.type()) {
    case element_type::INT64: return static_cast<double>(e.get_int64().value_unsafe());
    case element_type::UINT64: return static_cast<double>(e.get_uint64().value_unsafe());
    case element_type::DOUBLE: return e.get_double().value_unsafe();
    default: return std::nullopt;
  }
}

std::optional<std::string_view> Value::string() const {
  element e = unwrap(handle_);
  if (e.type() != element_type::STRING) return std::nullopt;
  return e.get_string().value_unsafe();
}

std::size_t Value::count() const {
  element e = unwrap(handle_);
  if (e.type() != element_type::ARRAY) return 0;
  simdjson::dom::array items = e.get_array().value_unsafe();
  return items.size();
}

void Value::forEachElement(const std::function<void(std::size_t, Value)>& body) const {
  element e = unwrap(handle_);
  if (e.type() != element_type::ARRAY) return;
  std::size_t i = 0;
  simdjson::dom::array items = e.get_array().value_unsafe();
  for (element child : items) body(i++, wrap(child));
}

std::optional<Value> Value::member(std::string_view name) const {
  element e = unwrap(handle_);
  if (e.type() != element_type::OBJECT) return std::nullopt;
  simdjson::dom::object members = e.get_object().value_unsafe();
  auto found = members.at_key(name);
  if (found.error()) return std::nullopt;
  return wrap(found.value_unsafe());
}

std::string Value::excerpt() const {
  std::string text = simdjson::minify(unwrap(handle_));
  constexpr std::size_t limit = 40;
  if (text.size() > limit) {
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    text = text.substr(0, cut) + "…";
  }
  return text;
}

void Writer::separate() {
  if (needsComma_) out_ += ',';
  needsComma_ = true;
}

void Writer::beginObject() {
  separate();
  out_ += '{';
  needsComma_ = false;
}
void Writer::endObject() {
  out_ += '}';
  needsComma_ = true;
}
void Writer::beginArray() {
  separate();
  out_ += '[';
  needsComma_ = false;
}
void Writer::endArray() {
  out_ += ']';
  needsComma_ = true;
}
void Writer::key(std::string_view name) {
  separate();
  writeString(name);
  out_ += ':';
  needsComma_ = false;
}
void Writer::value(std::string_view text) {
  separate();
  writeString(text);
}
void Writer::value(std::int64_t number) {
  separate();
  out_ += std::to_string(number);
}
void Writer::value(std::uint64_t number) {
  separate();
  out_ += std::to_string(number);
}
void Writer::value(bool flag) {
  separate();
  out_ += flag ? "true" : "false";
}
void Writer::null() {
  separate();
  out_ += "null";
}

void Writer::rawValue(std::string_view json) {
  separate();
  out_ += json;
}

void Writer::writeString(std::string_view text) {
  if (!isValidUTF8(text) || text.find('\0') != std::string_view::npos)
    throw std::system_error(std::make_error_code(std::errc::illegal_byte_sequence),
                            "text is not valid UTF-8 or holds U+0000");
  out_ += '"';
  for (char c : text) {
    auto u = static_cast<unsigned char>(c);
    switch (c) {
      case '"': out_ += "\\\""; break;
      case '\\': out_ += "\\\\"; break;
      case '\n': out_ += "\\n"; break;
      case '\r': out_ += "\\r"; break;
      case '\t': out_ += "\\t"; break;
      case '\b': out_ += "\\b"; break;
      case '\f': out_ += "\\f"; break;
      default:
        if (u < 0x20) {
          static constexpr char hex[] = "0123456789abcdef";
          out_ += "\\u00";
          out_ += hex[u >> 4];
          out_ += hex[u & 15];
        } else {
          out_ += c;
        }
    }
  }
  out_ += '"';
}

}  // namespace Foundation::JSON
