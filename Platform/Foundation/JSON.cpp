#include "Platform/Foundation/JSON.h"

#include <simdjson.h>

#include <algorithm>
#include <array>
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
// Recursion is bounded by the parser's depth limit. The path is built only for the fault found,
// on the way back up.
struct Fault {
  std::vector<std::string> path;  // innermost first
  std::string reason;
};

bool holdsNul(std::string_view s) { return s.find('\0') != std::string_view::npos; }

std::optional<Fault> faultIn(element e) {
  switch (e.type()) {
    case element_type::STRING:
      if (holdsNul(e.get_string().value_unsafe())) return Fault{{}, "string holds U+0000"};
      return std::nullopt;
    case element_type::ARRAY: {
      std::size_t i = 0;
      simdjson::dom::array items = e.get_array().value_unsafe();
      for (element child : items) {
        if (auto fault = faultIn(child)) {
          fault->path.push_back("[" + std::to_string(i) + "]");
          return fault;
        }
        ++i;
      }
      return std::nullopt;
    }
    case element_type::OBJECT: {
      simdjson::dom::object members = e.get_object().value_unsafe();
      // Objects of the usual size compare names pairwise in place; larger ones sort a copy, which
      // puts a repeated name next to its twin.
      constexpr std::size_t inPlace = 16;
      std::array<std::string_view, inPlace> few;
      std::vector<std::string_view> many;
      std::size_t count = 0;
      std::optional<std::string_view> repeated;
      for (auto field : members) {
        if (holdsNul(field.key)) return Fault{{}, "member name holds U+0000"};
        if (auto fault = faultIn(field.value)) {
          fault->path.push_back("." + std::string(field.key));
          return fault;
        }
        if (count < inPlace) {
          for (std::size_t i = 0; i < count && !repeated; ++i)
            if (few[i] == field.key) repeated = field.key;
          few[count] = field.key;
        } else {
          if (many.empty()) many.assign(few.begin(), few.end());
          many.push_back(field.key);
        }
        ++count;
      }
      if (!many.empty()) {
        std::sort(many.begin(), many.end());
        if (auto dup = std::adjacent_find(many.begin(), many.end()); dup != many.end()) repeated = *dup;
      }
      if (repeated) return Fault{{}, "member \"" + std::string(*repeated) + "\" appears twice"};
      return std::nullopt;
    }
    default: return std::nullopt;
  }
}

std::string firstStructuralFault(element root) {
  auto fault = faultIn(root);
  if (!fault) return {};
  std::string path;
  for (auto it = fault->path.rbegin(); it != fault->path.rend(); ++it) path += *it;
  if (path.empty())
    path = "(root)";
  else if (path[0] == '.')
    path.erase(0, 1);
  return path + ": " + fault->reason;
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

namespace {

// Each thread keeps one parser for documents of ordinary size, so that a decode allocates nothing;
// a parser grown for a large document is freed rather than kept.
constexpr std::size_t keptParserCapacity = 256 * 1024;

}  // namespace

void Document::keepSpare(std::unique_ptr<Storage>& storage) {
  thread_local std::unique_ptr<Storage> spare;
  if (!storage) {  // asking for the spare
    storage = std::move(spare);
    return;
  }
  if (!spare && storage->parser.capacity() <= keptParserCapacity) spare = std::move(storage);
}

Document::Document(std::unique_ptr<Storage> storage) : storage_(std::move(storage)) {}
Document::Document(Document&&) noexcept = default;
Document& Document::operator=(Document&& other) noexcept {
  std::swap(storage_, other.storage_);  // ours goes with `other`, whose destructor may keep it
  return *this;
}
Document::~Document() {
  if (storage_) keepSpare(storage_);
}

std::optional<Document> Document::parse(std::string_view bytes, std::size_t maximumDepth,
                                        std::string* failure) {
  auto fail = [&](std::string reason) -> std::optional<Document> {
    if (failure) *failure = std::move(reason);
    return std::nullopt;
  };
  std::unique_ptr<Storage> storage;
  keepSpare(storage);
  if (!storage) storage = std::make_unique<Storage>();
  // The parser needs room for the whole document and refuses deeper nesting than asked for.
  if ((storage->parser.capacity() < bytes.size() || storage->parser.max_depth() != maximumDepth) &&
      storage->parser.allocate(std::max<std::size_t>(bytes.size(), 4096), maximumDepth) !=
          simdjson::SUCCESS)
    return fail("(root): out of memory");
  // simdjson copies into its own padded buffer when the input is not padded.
  auto result = storage->parser.parse(bytes.data(), bytes.size(), true);
  auto giveBack = [&] { keepSpare(storage); };
  if (result.error()) {
    giveBack();
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
  if (std::string fault = firstStructuralFault(storage->root); !fault.empty()) {
    giveBack();
    return fail(fault);
  }
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

void Value::forEachMember(const std::function<void(std::string_view, Value)>& body) const {
  element e = unwrap(handle_);
  if (e.type() != element_type::OBJECT) return;
  simdjson::dom::object members = e.get_object().value_unsafe();
  for (auto field : members) body(field.key, wrap(field.value));
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
  appendString(out_, text);
}

void appendString(std::string& out, std::string_view text) {
  static constexpr char hex[] = "0123456789abcdef";
  out += '"';
  for (std::size_t i = 0; i < text.size();) {
    DecodedCodePoint c = decodeUTF8(text, i);
    if (c.length == 0) {
      out += "\\ufffd";
      ++i;
      continue;
    }
    switch (c.value) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      default:
        if (isDisplayControl(c.value) || c.value == 0x2028 || c.value == 0x2029) {
          out += "\\u";
          for (int shift = 12; shift >= 0; shift -= 4) out += hex[(c.value >> shift) & 15];
        } else {
          out.append(text.substr(i, c.length));
        }
    }
    i += c.length;
  }
  out += '"';
}

}  // namespace Foundation::JSON
