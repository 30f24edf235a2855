#include "KestrunWidgetKit/WidgetSnapshot/SnapshotJSON.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <system_error>

#include "Platform/Foundation/JSON.h"

namespace KestrunWidgetKit {

namespace {

using Foundation::JSON::Document;
using Foundation::JSON::Type;
using Foundation::JSON::Value;
using Foundation::JSON::Writer;

struct DecodeFailure {
  std::string path;
  std::string reason;
};

// Where a value sits in the document, as a chain of stack frames: nothing is allocated unless a
// diagnosis is written.
struct Path {
  const Path* parent = nullptr;
  std::string_view name;  // a member name, or empty for an array element
  std::size_t index = 0;

  Path member(std::string_view child) const { return {this, child, 0}; }
  Path element(std::size_t i) const { return {this, {}, i}; }

  std::string text() const {
    if (!parent) return "(root)";
    std::string head = parent->parent ? parent->text() : std::string();
    if (name.empty()) return head + "[" + std::to_string(index) + "]";
    return head.empty() ? std::string(name) : head + "." + std::string(name);
  }
};

[[noreturn]] void fail(const Path& path, std::string reason) {
  throw DecodeFailure{path.text(), std::move(reason)};
}

[[noreturn]] void wrongType(const Path& path, std::string_view expected, const Value& v) {
  fail(path, "expected " + std::string(expected) + ", found " +
                 std::string(Foundation::JSON::describe(v.type())));
}

void requireIntegral(const Value& v, const Path& path) {
  if (v.type() != Type::number) wrongType(path, "an integer", v);
  if (!v.isIntegral().value_or(false)) fail(path, v.excerpt() + " is not an integer");
}

std::int64_t toInt64(const Value& v, const Path& path) {
  if (auto i = v.int64()) return *i;
  requireIntegral(v, path);
  fail(path, v.excerpt() + " does not fit a signed 64-bit integer");
}

std::uint64_t toUInt64(const Value& v, const Path& path) {
  if (auto u = v.uint64()) return *u;
  requireIntegral(v, path);
  fail(path, v.excerpt() + " does not fit an unsigned 64-bit integer");
}

std::string toText(const Value& v, const Path& path) {
  auto s = v.string();
  if (!s) wrongType(path, "a string", v);
  // An escaped \u0000 would cut the text short further on.
  if (v.holdsNul()) fail(path, "string holds U+0000");
  return std::string(*s);
}

// The member names of one kind of object, in field order.
template <std::size_t N>
using Names = std::array<std::string_view, N>;
constexpr std::size_t mostFields = 11;

constexpr Names<11> rootNames{"updated",        "memory", "wifiChecked", "wifi",
                              "speedTest",      "disk",   "devRunning",  "attention",
                              "attentionTotal", "urgent", "toCheck"};
constexpr Names<4> memoryNames{"used", "physical", "swapUsed", "pressure"};
constexpr Names<6> wifiNames{"ssid", "band", "rssi", "routerMs", "internetMs", "issues"};
constexpr Names<3> speedTestNames{"downloadMbps", "uploadMbps", "date"};
constexpr Names<3> diskNames{"free", "total", "cleanable"};
constexpr Names<7> attentionNames{"id", "title", "detail", "severity", "section", "symbol", "tint"};

// Reads the members of one object by field, each field's value found in one walk of the
// members: every name is matched against the field names once, into the field's slot, and the
// fields are then read in field order. Missing and null mean absent for optionals.
class Fields {
 public:
  template <std::size_t N>
  Fields(const Value& object, const Path& path, const Names<N>& names)
      : path_(path), names_(names.data()), fieldCount_(N) {
    static_assert(N <= mostFields);
    if (object.type() != Type::object) wrongType(path_, "an object", object);
    std::array<Foundation::JSON::Member, capacity> few;
    const std::size_t count = object.members(few.data(), few.size());
    bool repeated = false, unknown = count > few.size();
    for (std::size_t i = 0; i < std::min(count, few.size()); ++i) {
      const auto& m = few[i];
      if (m.nameHoldsNul) fail(path_, "member name holds U+0000");
      const std::size_t k = slotOf(m.name);
      if (k == fieldCount_) {
        unknown = true;
      } else if (slots_[k]) {
        repeated = true;
      } else {
        slots_[k] = m.value;
      }
    }
    // Unknown members and repeated names take the general checks below, which also name the
    // repeated member as they always have.
    if (unknown || repeated) checkAllNames(object, count, few);
  }

  const Path& path() const { return path_; }
  Path member(std::size_t k) const { return path_.member(names_[k]); }

  std::optional<Value> optional(std::size_t k) const {
    if (!slots_[k] || slots_[k]->isNull()) return std::nullopt;
    return slots_[k];
  }
  Value required(std::size_t k) const {
    if (!slots_[k]) fail(member(k), "missing");
    if (slots_[k]->isNull()) fail(member(k), "null, but required");
    return *slots_[k];
  }

  std::int64_t int64(std::size_t k) const { return toInt64(required(k), member(k)); }
  std::uint64_t uint64(std::size_t k) const { return toUInt64(required(k), member(k)); }
  std::optional<std::int64_t> optionalInt64(std::size_t k) const {
    auto v = optional(k);
    if (!v) return std::nullopt;
    return toInt64(*v, member(k));
  }
  bool boolean(std::size_t k) const {
    Value v = required(k);
    auto b = v.boolean();
    if (!b) wrongType(member(k), "true or false", v);
    return *b;
  }
  std::string text(std::size_t k) const { return toText(required(k), member(k)); }
  std::optional<std::string> optionalText(std::size_t k) const {
    auto v = optional(k);
    if (!v) return std::nullopt;
    return toText(*v, member(k));
  }
  Foundation::Date date(std::size_t k) const {
    Value v = required(k);
    auto s = v.string();
    if (!s) wrongType(member(k), "a date text", v);
    auto d = Foundation::parseRFC3339(*s);
    if (!d) fail(member(k), v.excerpt() + " is not an RFC 3339 date");
    return *d;
  }
  WidgetSnapshot::Severity severity(std::size_t k) const {
    Value v = required(k);
    auto severity = WidgetSnapshot::severityFromRawValue(toInt64(v, member(k)));
    if (!severity) fail(member(k), v.excerpt() + " is not a severity (0, 1 or 2)");
    return *severity;
  }
  WidgetSnapshot::Tint tint(std::size_t k) const {
    Value v = required(k);
    auto s = v.string();
    if (!s) wrongType(member(k), "a string", v);
    auto tint = WidgetSnapshot::tintFromRawValue(*s);
    if (!tint) fail(member(k), v.excerpt() + " is not a tint");
    return *tint;
  }

 private:
  static constexpr std::size_t capacity = 12;

  std::size_t slotOf(std::string_view name) const {
    // Length and first letter tell the field names apart nearly always; the rest is compared
    // only then.
    for (std::size_t k = 0; k < fieldCount_; ++k)
      if (names_[k].size() == name.size() && !name.empty() && names_[k][0] == name[0] &&
          names_[k] == name)
        return k;
    return fieldCount_;
  }

  // Every member's name: none holds U+0000, and none is given twice (which would leave which
  // value counts to chance). Objects of the usual size compare names pairwise; larger ones sort,
  // which puts a repeated name next to its twin. Inside an unknown member nothing is looked at
  // but the grammar.
  void checkAllNames(const Value& object, std::size_t count,
                     const std::array<Foundation::JSON::Member, capacity>& few) {
    std::vector<std::string_view> names;
    names.reserve(count);
    for (std::size_t i = 0; i < std::min(count, few.size()); ++i) names.push_back(few[i].name);
    if (count > few.size()) {
      std::size_t i = 0;
      object.forEachMember([&](std::string_view name, Value value) {
        if (i++ < few.size()) return;
        if (name.find('\0') != std::string_view::npos) fail(path_, "member name holds U+0000");
        names.push_back(name);
        if (const std::size_t k = slotOf(name); k < fieldCount_ && !slots_[k]) slots_[k] = value;
      });
    }
    if (auto repeated = repeatedName(names))
      fail(path_, "member \"" + std::string(*repeated) + "\" appears twice");
  }

  static std::optional<std::string_view> repeatedName(std::vector<std::string_view>& names) {
    if (names.size() <= capacity) {
      for (std::size_t i = 0; i < names.size(); ++i)
        for (std::size_t k = 0; k < i; ++k)
          if (names[i] == names[k]) return names[i];
      return std::nullopt;
    }
    std::sort(names.begin(), names.end());
    if (auto dup = std::adjacent_find(names.begin(), names.end()); dup != names.end()) return *dup;
    return std::nullopt;
  }

  const Path& path_;
  const std::string_view* names_;
  std::size_t fieldCount_;
  std::array<std::optional<Value>, mostFields> slots_{};
};

WidgetSnapshot::Memory decodeMemory(const Fields& f) {
  return {f.uint64(0), f.uint64(1), f.uint64(2), f.severity(3)};
}

WidgetSnapshot::WiFi decodeWiFi(const Fields& f) {
  return {f.optionalText(0),  f.text(1),          f.int64(2),
          f.optionalInt64(3), f.optionalInt64(4), f.int64(5)};
}

WidgetSnapshot::SpeedTest decodeSpeedTest(const Fields& f) {
  return {f.int64(0), f.int64(1), f.date(2)};
}

WidgetSnapshot::Disk decodeDisk(const Fields& f) {
  return {f.int64(0), f.int64(1), f.optionalInt64(2)};
}

WidgetSnapshot::Attention decodeAttention(const Fields& f) {
  return {f.text(0), f.text(1), f.text(2), f.severity(3), f.text(4), f.text(5), f.tint(6)};
}

template <class Record, std::size_t N, class Decode>
std::optional<Record> optionalRecord(const Fields& parent, std::size_t k, const Names<N>& names,
                                     Decode decode) {
  auto v = parent.optional(k);
  if (!v) return std::nullopt;
  Path path = parent.member(k);
  return decode(Fields(*v, path, names));
}

WidgetSnapshot decodeRoot(const Value& root) {
  Path rootPath;
  Fields f(root, rootPath, rootNames);
  // Fields are read in field order so that a document with several faults is diagnosed at the
  // first field, whatever order its members were written in.
  Foundation::Date updated = f.date(0);
  auto memory = optionalRecord<WidgetSnapshot::Memory>(f, 1, memoryNames, decodeMemory);
  bool wifiChecked = f.boolean(2);
  auto wifi = optionalRecord<WidgetSnapshot::WiFi>(f, 3, wifiNames, decodeWiFi);
  auto speedTest = optionalRecord<WidgetSnapshot::SpeedTest>(f, 4, speedTestNames, decodeSpeedTest);
  auto disk = optionalRecord<WidgetSnapshot::Disk>(f, 5, diskNames, decodeDisk);
  std::int64_t devRunning = f.int64(6);

  Value list = f.required(7);
  Path listPath = f.member(7);
  if (list.type() != Type::array) wrongType(listPath, "an array", list);
  std::vector<WidgetSnapshot::Attention> attention;
  attention.reserve(list.count());
  list.forEachElement([&](std::size_t i, Value item) {
    Path itemPath = listPath.element(i);
    attention.push_back(decodeAttention(Fields(item, itemPath, attentionNames)));
  });

  std::int64_t attentionTotal = f.int64(8);
  std::int64_t urgent = f.int64(9);
  std::int64_t toCheck = f.int64(10);
  return WidgetSnapshot{updated, std::move(memory), wifiChecked,    std::move(wifi),
                        std::move(speedTest), std::move(disk), devRunning, std::move(attention),
                        attentionTotal, urgent, toCheck};
}

void writeDate(Writer& w, std::string_view name, Foundation::Date date, const std::string& path) {
  if (!Foundation::isRFC3339Representable(date))
    throw std::system_error(std::make_error_code(std::errc::argument_out_of_domain),
                            path + ": date cannot be written as an RFC 3339 date");
  w.key(name);
  w.value(Foundation::formatRFC3339(date));
}

template <class T>
void put(Writer& w, std::string_view name, T value) {
  w.key(name);
  w.value(value);
}

// Text is checked by the writer; the path is added to its error here.
void writeText(Writer& w, std::string_view name, std::string_view text, const std::string& path) {
  w.key(name);
  try {
    w.value(text);
  } catch (const std::system_error& e) {
    throw std::system_error(e.code(), path + ": text is not valid UTF-8 or holds U+0000");
  }
}

}  // namespace

std::optional<WidgetSnapshot> decodeSnapshot(std::string_view json, std::string* diagnosis) {
  std::string parseFailure;
  // The document lives only while `json` does: its strings are read from `json` itself.
  auto document = Document::parse(json, Document::defaultMaximumDepth,
                                  diagnosis ? &parseFailure : nullptr, Document::Bytes::borrowed);
  if (!document) {
    if (diagnosis) *diagnosis = std::move(parseFailure);
    return std::nullopt;
  }
  try {
    return decodeRoot(document->root());
  } catch (const DecodeFailure& failure) {
    if (diagnosis) *diagnosis = failure.path + ": " + failure.reason;
    return std::nullopt;
  }
}

std::string encodeSnapshot(const WidgetSnapshot& s) {
  Writer w;
  w.beginObject();
  writeDate(w, "updated", s.updated, "updated");
  if (s.memory) {
    w.key("memory");
    w.beginObject();
    put(w, "used", s.memory->used);
    put(w, "physical", s.memory->physical);
    put(w, "swapUsed", s.memory->swapUsed);
    put(w, "pressure", WidgetSnapshot::rawValue(s.memory->pressure));
    w.endObject();
  }
  put(w, "wifiChecked", s.wifiChecked);
  if (s.wifi) {
    w.key("wifi");
    w.beginObject();
    if (s.wifi->ssid) writeText(w, "ssid", *s.wifi->ssid, "wifi.ssid");
    writeText(w, "band", s.wifi->band, "wifi.band");
    put(w, "rssi", s.wifi->rssi);
    if (s.wifi->routerMs) put(w, "routerMs", *s.wifi->routerMs);
    if (s.wifi->internetMs) put(w, "internetMs", *s.wifi->internetMs);
    put(w, "issues", s.wifi->issues);
    w.endObject();
  }
  if (s.speedTest) {
    w.key("speedTest");
    w.beginObject();
    put(w, "downloadMbps", s.speedTest->downloadMbps);
    put(w, "uploadMbps", s.speedTest->uploadMbps);
    writeDate(w, "date", s.speedTest->date, "speedTest.date");
    w.endObject();
  }
  if (s.disk) {
    w.key("disk");
    w.beginObject();
    put(w, "free", s.disk->free);
    put(w, "total", s.disk->total);
    if (s.disk->cleanable) put(w, "cleanable", *s.disk->cleanable);
    w.endObject();
  }
  put(w, "devRunning", s.devRunning);
  w.key("attention");
  w.beginArray();
  for (std::size_t i = 0; i < s.attention.size(); ++i) {
    const auto& a = s.attention[i];
    std::string path = "attention[" + std::to_string(i) + "]";
    w.beginObject();
    writeText(w, "id", a.id, path + ".id");
    writeText(w, "title", a.title, path + ".title");
    writeText(w, "detail", a.detail, path + ".detail");
    put(w, "severity", WidgetSnapshot::rawValue(a.severity));
    writeText(w, "section", a.section, path + ".section");
    writeText(w, "symbol", a.symbol, path + ".symbol");
    put(w, "tint", WidgetSnapshot::rawValue(a.tint));
    w.endObject();
  }
  w.endArray();
  put(w, "attentionTotal", s.attentionTotal);
  put(w, "urgent", s.urgent);
  put(w, "toCheck", s.toCheck);
  w.endObject();
  return std::move(w).text();
}

}  // namespace KestrunWidgetKit
