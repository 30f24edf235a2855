#include "Platform/Foundation/JSON.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "Platform/Foundation/Text.h"

namespace Foundation::JSON {

std::string_view describe(Type type) {
  switch (type) {
    case Type::null:
      return "null";
    case Type::boolean:
      return "a boolean";
    case Type::number:
      return "a number";
    case Type::string:
      return "a string";
    case Type::array:
      return "an array";
    case Type::object:
      return "an object";
  }
  return "a value";
}

// The parsed tree, flat and in document order: a container is followed by its elements (for an
// object, each member's name as a string node, then its value) and knows where its subtree ends,
// so that walking past a value is one step. A number's text and a string without escapes are
// where they were written, in `text`: the document's bytes, or the copy of them in `copy`, so
// that a document parsed from a copy never refers to the bytes it was parsed from. A string with
// escapes is appended decoded to `decoded`.
struct Document::Storage {
  struct Node {
    Node(Type type, std::uint32_t first, std::uint32_t length, std::uint32_t end)
        : type(type), first(first), length(length), end(end) {}
    Type type;
    // Numbers: written as digits alone (an optional minus, no fraction, no exponent), so that
    // an integer of up to 18 digits is read without the exact arithmetic.
    bool plainInteger = false;
    // Strings: U+0000 inside (only an escape can put it there).
    bool holdsNul = false;
    // Strings: held in `decoded`, not in `text`.
    bool isDecoded = false;
    std::uint32_t first;   // string and number: offset in `text` or `decoded`; boolean: value;
                           // container: number of elements or members
    std::uint32_t length;  // string and number: length in bytes
    std::uint32_t end;     // index of the node after this value's subtree
  };
  static_assert(sizeof(Node) == 16);
  std::string copy;
  std::string_view text;
  std::string decoded;
  std::vector<Node> nodes;

  // The text of a string or number node.
  std::string_view textOf(const Node& n) const {
    return {(n.isDecoded ? decoded.data() : text.data()) + n.first, n.length};
  }
};

namespace {

using Node = Document::Storage::Node;

struct Handle {
  const Document::Storage* storage;
  std::uint32_t index;
};

// Where the parser stands, as a chain of stack frames; turned into text only for a fault.
struct Where {
  const Where* parent = nullptr;
  const Document::Storage* storage = nullptr;
  std::uint32_t nameNode = 0;  // the member name's node, when `isMember`
  std::size_t index = 0;
  bool isMember = false;

  std::string text() const {
    if (!parent) return "(root)";
    std::string head = parent->parent ? parent->text() : std::string();
    if (!isMember) return head + "[" + std::to_string(index) + "]";
    const Node& name = storage->nodes[nameNode];
    std::string_view member = storage->textOf(name);
    return head.empty() ? std::string(member) : head + "." + std::string(member);
  }
};

struct SyntaxError {};
struct DepthError {
  std::string path;
};

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// The first byte at or after `p` that ends a run of plain string content: a quote, a backslash
// or a control character (or `end`).
const char* plainRunEnd(const char* p, const char* end) {
#if defined(__SSE2__)
  const __m128i quote = _mm_set1_epi8('"'), backslash = _mm_set1_epi8('\\');
  const __m128i lastControl = _mm_set1_epi8(0x1F);
  while (end - p >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i stop = _mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, backslash));
    stop = _mm_or_si128(stop, _mm_cmpeq_epi8(_mm_min_epu8(v, lastControl), v));  // v <= 0x1F
    if (const int mask = _mm_movemask_epi8(stop))
      return p + __builtin_ctz(static_cast<unsigned>(mask));
    p += 16;
  }
#endif
  while (p < end && *p != '"' && *p != '\\' && static_cast<unsigned char>(*p) >= 0x20) ++p;
  return p;
}

class Parser {
 public:
  Parser(Document::Storage& storage, std::string_view text, std::size_t maximumDepth)
      : s_(storage),
        begin_(text.data()),
        p_(text.data()),
        end_(text.data() + text.size()),
        maximumDepth_(maximumDepth) {}

  void parseDocument() {
    skipSpace();
    Where root;
    value(root, 0);
    skipSpace();
    if (p_ != end_) throw SyntaxError{};
  }

 private:
  void skipSpace() {
    while (p_ < end_ && isSpace(*p_)) ++p_;
  }
  char peek() const { return p_ < end_ ? *p_ : '\0'; }
  void expect(char c) {
    if (peek() != c) throw SyntaxError{};
    ++p_;
  }
  void literal(std::string_view word) {
    if (static_cast<std::size_t>(end_ - p_) < word.size() ||
        std::memcmp(p_, word.data(), word.size()) != 0)
      throw SyntaxError{};
    p_ += word.size();
  }
  // Called for every value and name: kept inline, the node made in place.
  [[gnu::always_inline]] std::uint32_t push(const Node& node) {
    if (s_.nodes.size() >= UINT32_MAX) [[unlikely]]
      throw SyntaxError{};
    s_.nodes.push_back(node);
    return static_cast<std::uint32_t>(s_.nodes.size() - 1);
  }
  std::uint32_t next() const { return static_cast<std::uint32_t>(s_.nodes.size() + 1); }

  void value(const Where& where, std::size_t depth) {
    switch (peek()) {
      case '{':
      case '[':
        return container(where, depth + 1);
      case '"':
        string();
        return;
      case 't':
        literal("true");
        push({Type::boolean, 1, 0, next()});
        return;
      case 'f':
        literal("false");
        push({Type::boolean, 0, 0, next()});
        return;
      case 'n':
        literal("null");
        push({Type::null, 0, 0, next()});
        return;
      default:
        number();
        return;
    }
  }

  // An array or an object: elements, or name, colon and value, separated by commas.
  void container(const Where& where, std::size_t depth) {
    if (depth > maximumDepth_) throw DepthError{where.text()};
    const bool isObject = *p_ == '{';
    const char close = isObject ? '}' : ']';
    ++p_;
    std::uint32_t node = push({isObject ? Type::object : Type::array, 0, 0, 0});
    skipSpace();
    std::uint32_t count = 0;
    if (peek() == close) {
      ++p_;
    } else {
      for (;;) {
        skipSpace();
        Where inner{&where, &s_, 0, count, isObject};
        if (isObject) {
          if (peek() != '"') throw SyntaxError{};
          inner.nameNode = string();
          skipSpace();
          expect(':');
          skipSpace();
        }
        value(inner, depth);
        ++count;
        skipSpace();
        if (peek() == ',') {
          ++p_;
          continue;
        }
        expect(close);
        break;
      }
    }
    s_.nodes[node].first = count;
    s_.nodes[node].end = static_cast<std::uint32_t>(s_.nodes.size());
  }

  static int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }
  char32_t hex4() {
    if (end_ - p_ < 4) throw SyntaxError{};
    const int a = hexDigit(p_[0]), b = hexDigit(p_[1]), c = hexDigit(p_[2]), d = hexDigit(p_[3]);
    if ((a | b | c | d) < 0) throw SyntaxError{};
    p_ += 4;
    return static_cast<char32_t>(a << 12 | b << 8 | c << 4 | d);
  }

  // The input was checked to be UTF-8 as a whole, so only escapes and controls need a look.
  std::uint32_t string() {
    ++p_;
    const char* run = plainRunEnd(p_, end_);
    if (run < end_ && *run == '"') {  // no escapes: the text is where it was written
      const auto at = static_cast<std::uint32_t>(p_ - begin_);
      const auto length = static_cast<std::uint32_t>(run - p_);
      p_ = run + 1;
      return push({Type::string, at, length, next()});
    }
    return escapedString();
  }

  std::uint32_t escapedString() {
    const std::size_t first = s_.decoded.size();
    bool holdsNul = false;
    for (;;) {
      if (p_ < end_ && *p_ != '\\') {  // escapes in a row go straight to the next
        const char* run = plainRunEnd(p_, end_);
        s_.decoded.append(p_, static_cast<std::size_t>(run - p_));
        p_ = run;
      }
      char c = peek();
      if (c == '"') {
        ++p_;
        break;
      }
      if (c != '\\') throw SyntaxError{};  // the end, or a raw control character
      ++p_;
      char e = peek();
      ++p_;
      switch (e) {
        case '"':
          s_.decoded += '"';
          break;
        case '\\':
          s_.decoded += '\\';
          break;
        case '/':
          s_.decoded += '/';
          break;
        case 'b':
          s_.decoded += '\b';
          break;
        case 'f':
          s_.decoded += '\f';
          break;
        case 'n':
          s_.decoded += '\n';
          break;
        case 'r':
          s_.decoded += '\r';
          break;
        case 't':
          s_.decoded += '\t';
          break;
        case 'u': {
          char32_t c1 = hex4();
          if (c1 >= 0xDC00 && c1 <= 0xDFFF) throw SyntaxError{};  // a lone low surrogate
          if (c1 >= 0xD800 && c1 <= 0xDBFF) {
            if (end_ - p_ < 2 || p_[0] != '\\' || p_[1] != 'u') throw SyntaxError{};
            p_ += 2;
            char32_t c2 = hex4();
            if (c2 < 0xDC00 || c2 > 0xDFFF) throw SyntaxError{};
            c1 = 0x10000 + ((c1 - 0xD800) << 10) + (c2 - 0xDC00);
          }
          holdsNul = holdsNul || c1 == 0;
          appendUTF8(s_.decoded, c1);
          break;
        }
        default:
          throw SyntaxError{};
      }
    }
    if (s_.decoded.size() - first > UINT32_MAX || first > UINT32_MAX) throw SyntaxError{};
    Node n{Type::string, static_cast<std::uint32_t>(first),
           static_cast<std::uint32_t>(s_.decoded.size() - first), next()};
    n.holdsNul = holdsNul;
    n.isDecoded = true;
    return push(n);
  }

  // RFC 8259's number grammar; the text is kept as written, so that integers are judged exactly.
  void number() {
    const char* first = p_;
    auto digits = [&] {
      const char* from = p_;
      while (p_ < end_ && isDigit(*p_)) ++p_;
      return p_ - from;
    };
    if (peek() == '-') ++p_;
    if (peek() == '0') {
      ++p_;
    } else if (digits() == 0) {
      throw SyntaxError{};
    }
    bool plain = true;
    if (peek() == '.') {
      ++p_;
      plain = false;
      if (digits() == 0) throw SyntaxError{};
    }
    if (peek() == 'e' || peek() == 'E') {
      ++p_;
      plain = false;
      if (peek() == '+' || peek() == '-') ++p_;
      if (digits() == 0) throw SyntaxError{};
    }
    Node n{Type::number, static_cast<std::uint32_t>(first - begin_),
           static_cast<std::uint32_t>(p_ - first), next()};
    n.plainInteger = plain;
    push(n);
  }

  Document::Storage& s_;
  const char* begin_;
  const char* p_;
  const char* end_;
  std::size_t maximumDepth_;
};

// A number's exact value as sign, significant digits and a power of ten: digits × 10^exponent.
struct ExactNumber {
  bool negative = false;
  std::string digits;  // no leading or trailing zeros; empty for zero
  long long exponent = 0;
};

ExactNumber exactNumber(std::string_view text) {
  ExactNumber n;
  std::size_t i = 0;
  if (text[i] == '-') {
    n.negative = true;
    ++i;
  }
  long long fractionDigits = 0;
  bool inFraction = false;
  for (; i < text.size() && text[i] != 'e' && text[i] != 'E'; ++i) {
    if (text[i] == '.') {
      inFraction = true;
      continue;
    }
    if (!(n.digits.empty() && text[i] == '0')) n.digits += text[i];
    if (inFraction) ++fractionDigits;
  }
  long long exponent = 0;
  if (i < text.size()) {
    ++i;
    bool negativeExponent = false;
    if (text[i] == '+' || text[i] == '-') negativeExponent = text[i++] == '-';
    // Saturates far beyond any digit count the cap allows, so that the sum below cannot overflow.
    for (; i < text.size(); ++i)
      exponent = std::min<long long>(exponent * 10 + (text[i] - '0'), 1'000'000'000'000LL);
    if (negativeExponent) exponent = -exponent;
  }
  n.exponent = exponent - fractionDigits;
  while (!n.digits.empty() && n.digits.back() == '0') {
    n.digits.pop_back();
    ++n.exponent;
  }
  return n;
}

// The magnitude when the number is an integer below 2^64; none otherwise. `integral` tells the
// two failures apart.
std::optional<std::uint64_t> magnitude(const ExactNumber& n, bool& integral) {
  integral = n.digits.empty() || n.exponent >= 0;
  if (n.digits.empty()) return 0;
  if (!integral || static_cast<long long>(n.digits.size()) + n.exponent > 20) return std::nullopt;
  std::uint64_t value = 0;
  for (std::size_t k = 0; k < n.digits.size() + static_cast<std::size_t>(n.exponent); ++k) {
    unsigned digit = k < n.digits.size() ? static_cast<unsigned>(n.digits[k] - '0') : 0;
    if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

const Node& nodeOf(const unsigned char* handle, Handle& h) {
  std::memcpy(&h, handle, sizeof h);
  return h.storage->nodes[h.index];
}

}  // namespace

Document::Document(std::unique_ptr<Storage> storage) : storage_(std::move(storage)) {}
Document::Document(Document&&) noexcept = default;
Document& Document::operator=(Document&&) noexcept = default;
Document::~Document() = default;

std::optional<Document> Document::parse(std::string_view bytes, std::size_t maximumDepth,
                                        std::string* failure, Bytes kept) {
  auto fail = [&](std::string reason) -> std::optional<Document> {
    if (failure) *failure = std::move(reason);
    return std::nullopt;
  };
  if (!isValidUTF8(bytes)) return fail("(root): not valid UTF-8");
  if (bytes.find_first_not_of(" \t\r\n") == std::string_view::npos)
    return fail("(root): empty document");
  if (bytes.size() >= UINT32_MAX) return fail("(root): out of memory");
  auto storage = std::make_unique<Storage>();
  // A node per few bytes of a typical document; reserving saves the regrowth of large ones.
  storage->nodes.reserve(bytes.size() / 8 + 4);
  if (kept == Bytes::borrowed) {
    storage->text = bytes;
  } else {
    storage->copy.assign(bytes);
    storage->text = storage->copy;
  }
  Parser parser(*storage, storage->text, maximumDepth);
  try {
    parser.parseDocument();
  } catch (const SyntaxError&) {
    return fail("(root): not valid JSON");
  } catch (const DepthError& e) {
    return fail(e.path + ": nested deeper than " + std::to_string(maximumDepth) + " levels");
  }
  return Document(std::move(storage));
}

Value Document::root() const {
  Value v;
  Handle h{storage_.get(), 0};
  std::memcpy(v.handle_, &h, sizeof h);
  return v;
}

namespace {
Value wrap(const Document::Storage* storage, std::uint32_t index) {
  Value v;
  Handle h{storage, index};
  static_assert(sizeof(Value) >= sizeof(Handle));
  std::memcpy(reinterpret_cast<unsigned char*>(&v), &h, sizeof h);
  return v;
}
std::string_view numberText(const Handle& h, const Node& n) {
  return h.storage->textOf(n);
}
// The value of a number written as at most 18 digits (so within int64_t either way), the
// common case, read without the exact arithmetic.
std::optional<std::int64_t> shortInteger(const Handle& h, const Node& n) {
  if (!n.plainInteger) return std::nullopt;
  const std::string_view text = numberText(h, n);
  const bool negative = text[0] == '-';
  std::size_t i = negative ? 1 : 0;
  if (text.size() - i > 18) return std::nullopt;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) value = value * 10 + (text[i] - '0');
  return negative ? -value : value;
}
}  // namespace

Type Value::type() const {
  Handle h;
  return nodeOf(handle_, h).type;
}

std::optional<bool> Value::boolean() const {
  Handle h;
  const Node& n = nodeOf(handle_, h);
  if (n.type != Type::boolean) return std::nullopt;
  return n.first != 0;
}

std::optional<bool> Value::isIntegral() const {
  Handle h;
  const Node& n = nodeOf(handle_, h);
  if (n.type != Type::number) return std::nullopt;
  if (n.plainInteger) return true;
  ExactNumber exact = exactNumber(numberText(h, n));
  return exact.digits.empty() || exact.exponent >= 0;
}

std::optional<std::int64_t> Value::int64() const {
  Handle h;
  const Node& n = nodeOf(handle_, h);
  if (n.type != Type::number) return std::nullopt;
  if (auto value = shortInteger(h, n)) return value;
  ExactNumber exact = exactNumber(numberText(h, n));
  bool integral;
  auto m = magnitude(exact, integral);
  if (!m) return std::nullopt;
  if (!exact.negative) {
    if (*m > static_cast<std::uint64_t>(INT64_MAX)) return std::nullopt;
    return static_cast<std::int64_t>(*m);
  }
  if (*m > static_cast<std::uint64_t>(INT64_MAX) + 1) return std::nullopt;
  return static_cast<std::int64_t>(0 - *m);
}

std::optional<std::uint64_t> Value::uint64() const {
  Handle h;
  const Node& n = nodeOf(handle_, h);
  if (n.type != Type::number) return std::nullopt;
  if (auto value = shortInteger(h, n)) {
    if (*value < 0) return std::nullopt;
    return static_cast<std::uint64_t>(*value);
  }
  ExactNumber exact = exactNumber(numberText(h, n));
  bool integral;
  auto m = magnitude(exact, integral);
  if (!m || (exact.negative && *m != 0)) return std::nullopt;
  return m;
}

std::optional<double> Value::number() const {
  Handle h;
  const Node& n = nodeOf(handle_, h);
  if (n.type != Type::number) return std::nullopt;
  std::string_view text = numberText(h, n);
  double d = 0;
  auto result = std::from_chars(text.data(), text.data() + text.size(), d);
  if (result.ec == std::errc::result_out_of_range) {
    // Too large is infinite, too small is zero, with the number's sign.
    ExactNumber exact = exactNumber(text);
    bool large = static_cast<long long>(exact.digits.size()) + exact.exponent > 0;
    d = large ? HUGE_VAL : 0.0;
    if (exact.negative) d = -d;
  }
  return d;
}

bool Value::holdsNul() const {
  Handle h;
  return nodeOf(handle_, h).holdsNul;
}

std::optional<std::string_view> Value::string() const {
  Handle h;
  const Node& n = nodeOf(handle_, h);
  if (n.type != Type::string) return std::nullopt;
  return h.storage->textOf(n);
}

std::size_t Value::count() const {
  Handle h;
  const Node& n = nodeOf(handle_, h);
  return n.type == Type::array ? n.first : 0;
}

void Value::forEachElement(const std::function<void(std::size_t, Value)>& body) const {
  Handle h;
  const Node& n = nodeOf(handle_, h);
  if (n.type != Type::array) return;
  std::uint32_t child = h.index + 1;
  for (std::size_t i = 0; i < n.first; ++i) {
    body(i, wrap(h.storage, child));
    child = h.storage->nodes[child].end;
  }
}

std::optional<Value> Value::member(std::string_view name) const {
  std::optional<Value> found;
  forEachMember([&](std::string_view key, Value value) {
    if (!found && key == name) found = value;
  });
  return found;
}

void Value::forEachMember(const std::function<void(std::string_view, Value)>& body) const {
  Handle h;
  const Node& n = nodeOf(handle_, h);
  if (n.type != Type::object) return;
  std::uint32_t child = h.index + 1;
  for (std::size_t i = 0; i < n.first; ++i) {
    const Node& key = h.storage->nodes[child];
    std::string_view name = h.storage->textOf(key);
    body(name, wrap(h.storage, child + 1));
    child = h.storage->nodes[child + 1].end;
  }
}

std::size_t Value::members(Member* out, std::size_t capacity) const {
  Handle h;
  const Node& n = nodeOf(handle_, h);
  if (n.type != Type::object) return 0;
  std::uint32_t child = h.index + 1;
  const std::size_t filled = std::min<std::size_t>(n.first, capacity);
  for (std::size_t i = 0; i < filled; ++i) {
    const Node& key = h.storage->nodes[child];
    out[i].name = h.storage->textOf(key);
    out[i].nameHoldsNul = key.holdsNul;
    out[i].value = wrap(h.storage, child + 1);
    child = h.storage->nodes[child + 1].end;
  }
  return n.first;
}

namespace {

// The compact text of a value, stopping once it is longer than `limit`.
void appendCompact(std::string& out, const Value& v, std::size_t limit) {
  if (out.size() > limit) return;
  switch (v.type()) {
    case Type::null:
      out += "null";
      return;
    case Type::boolean:
      out += *v.boolean() ? "true" : "false";
      return;
    case Type::string:
      appendString(out, *v.string());
      return;
    case Type::number: {
      Handle h;
      std::memcpy(&h, &v, sizeof h);
      out += numberText(h, h.storage->nodes[h.index]);
      return;
    }
    case Type::array: {
      out += '[';
      v.forEachElement([&](std::size_t i, Value e) {
        if (out.size() > limit) return;
        if (i) out += ',';
        appendCompact(out, e, limit);
      });
      out += ']';
      return;
    }
    case Type::object: {
      out += '{';
      bool first = true;
      v.forEachMember([&](std::string_view name, Value e) {
        if (out.size() > limit) return;
        if (!first) out += ',';
        first = false;
        appendString(out, name);
        out += ':';
        appendCompact(out, e, limit);
      });
      out += '}';
      return;
    }
  }
}

}  // namespace

std::string Value::excerpt() const {
  constexpr std::size_t limit = 40;
  std::string text;
  appendCompact(text, *this, limit);
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
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
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
