// Strict JSON: the parser behind the kit's decoder and the compact writer behind its encoder.
//
// Parsing accepts exactly one RFC 8259 document in valid UTF-8, with no byte order mark and nothing
// after it but whitespace, nested at most `maximumDepth` arrays and objects. Anything else fails
// with a one-line reason naming where. What the grammar allows is kept for the reader to judge:
// repeated member names (each member in order) and strings holding U+0000. Numbers of any size and
// precision are valid; each keeps its text, so that whether it is an integer and whether it fits is
// decided exactly.
//
// A Document owns its parsed tree; Values are small handles into it, valid while it lives.
// Parsing and reading are safe from any thread on distinct documents.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace Foundation::JSON {

enum class Type : std::uint8_t { null, boolean, number, string, array, object };

// The name of a type for messages: "null", "a boolean", "a number", …
std::string_view describe(Type type);

struct Member;

class Value {
 public:
  Type type() const;
  bool isNull() const { return type() == Type::null; }

  std::optional<bool> boolean() const;
  // Whether a number is an integer, judged exactly from its text (4, 4.0 and 4e0 are; 4.5 and
  // 4.00000000000000000001 are not); none for other types.
  std::optional<bool> isIntegral() const;
  // A number that is an integer and fits the result type, exactly.
  std::optional<std::int64_t> int64() const;
  std::optional<std::uint64_t> uint64() const;
  // Any number, as the nearest double (infinite past the double range, zero below it).
  std::optional<double> number() const;
  std::optional<std::string_view> string() const;
  // Whether a string holds U+0000, without a look at its text (false for other types).
  bool holdsNul() const;

  // Arrays: the number of elements and each element in order.
  std::size_t count() const;
  void forEachElement(const std::function<void(std::size_t index, Value element)>& body) const;

  // Objects: the value of a member, none when the object has no such member (or this is not an object).
  std::optional<Value> member(std::string_view name) const;
  // Every member in the order written.
  void forEachMember(const std::function<void(std::string_view name, Value value)>& body) const;
  // The first `capacity` members in the order written, into `out`, without a call per member;
  // returns how many members the object has (0 for other types).
  std::size_t members(Member* out, std::size_t capacity) const;

  // The value's text as it would be written compactly, for messages (long texts are shortened).
  std::string excerpt() const;

 private:
  friend class Document;
  alignas(8) unsigned char handle_[16];  // the document's tree and a node in it
};

struct Member {
  std::string_view name;
  Value value;
  bool nameHoldsNul = false;
};

class Document {
 public:
  // Deeper than any document a program writes; a bound so that a hostile one costs little.
  static constexpr std::size_t defaultMaximumDepth = 512;

  // Whether a document keeps a copy of the bytes it was parsed from, or refers to them (then
  // they must outlive it and every Value of it; it saves a copy of a large document).
  enum class Bytes { copied, borrowed };

  // The parsed document, or none with the reason in *failure (when given).
  static std::optional<Document> parse(std::string_view bytes,
                                       std::size_t maximumDepth = defaultMaximumDepth,
                                       std::string* failure = nullptr, Bytes kept = Bytes::copied);
  Value root() const;

  Document(Document&&) noexcept;
  Document& operator=(Document&&) noexcept;
  ~Document();

  struct Storage;  // the parsed tree, opaque outside the parser

 private:
  explicit Document(std::unique_ptr<Storage> storage);
  std::unique_ptr<Storage> storage_;
};

// Appends `text` as a JSON string: quotes, backslash and every display control escaped (C0, DEL,
// C1, the direction controls, and U+2028/U+2029, which end lines in JavaScript), so that the text
// pastes anywhere and never steers a terminal. Bytes that are not valid UTF-8 become U+FFFD.
// The one string escaping of every JSON the system writes.
void appendString(std::string& out, std::string_view text);

// A compact writer: no whitespace, members in the order written. Strings must be valid UTF-8 without
// U+0000 (what the parser accepts); otherwise the string throws std::system_error(EILSEQ).
class Writer {
 public:
  void beginObject();
  void endObject();
  void beginArray();
  void endArray();
  void key(std::string_view name);
  void value(std::string_view text);
  void value(const char* text) { value(std::string_view(text)); }
  void value(std::int64_t number);
  void value(std::uint64_t number);
  void value(bool flag);
  void null();
  // A value that is already compact JSON text (from another Writer), copied as it stands.
  void rawValue(std::string_view json);

  const std::string& text() const& { return out_; }
  std::string text() && { return std::move(out_); }

 private:
  void separate();
  void writeString(std::string_view text);
  std::string out_;
  bool needsComma_ = false;
};

}  // namespace Foundation::JSON
