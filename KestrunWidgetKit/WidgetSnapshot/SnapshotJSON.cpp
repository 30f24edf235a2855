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

// Reads the members of one object, each by name; missing and null mean absent for optionals.
// The members are gathered in one pass, so that each lookup is a short scan rather than a walk
// of the document.
class Fields {
 public:
  Fields(const Value& object, const Path& path) : path_(path) {
    if (object.type() != Type::object) wrongType(path_, "an object", object);
    count_ = object.members(few_.data(), few_.size());
    if (count_ > few_.size()) {
      many_.reserve(count_ - few_.size());
      std::size_t i = 0;
      object.forEachMember([&](std::string_view name, Value value) {
        if (i++ >= few_.size()) many_.push_back({name, value});
      });
    }
    for (std::size_t i = 0; i < std::min(count_, few_.size()); ++i)
      if (few_[i].nameHoldsNul) fail(path_, "member name holds U+0000");
    for (const auto& m : many_)
      if (m.name.find('\0') != std::string_view::npos) fail(path_, "member name holds U+0000");
    // A name given twice leaves which value counts to chance: the object is refused. Inside an
    // unknown member nothing is looked at but the grammar.
    if (auto repeated = repeatedName())
      fail(path_, "member \"" + std::string(*repeated) + "\" appears twice");
  }

  const Path& path() const { return path_; }

  std::optional<Value> member(std::string_view name) const {
    for (std::size_t i = 0; i < std::min(count_, few_.size()); ++i)
      if (few_[i].name == name) return few_[i].value;
    for (const auto& m : many_)
      if (m.name == name) return m.value;
    return std::nullopt;
  }
  std::optional<Value> optional(std::string_view name) const {
    auto v = member(name);
    if (!v || v->isNull()) return std::nullopt;
    return v;
  }
  Value required(std::string_view name) const {
    auto v = member(name);
    if (!v) fail(path_.member(name), "missing");
    if (v->isNull()) fail(path_.member(name), "null, but required");
    return *v;
  }

  std::int64_t int64(std::string_view name) const {
    return toInt64(required(name), path_.member(name));
  }
  std::uint64_t uint64(std::string_view name) const {
    return toUInt64(required(name), path_.member(name));
  }
  std::optional<std::int64_t> optionalInt64(std::string_view name) const {
    auto v = optional(name);
    if (!v) return std::nullopt;
    return toInt64(*v, path_.member(name));
  }
  bool boolean(std::string_view name) const {
    Value v = required(name);
    auto b = v.boolean();
    if (!b) wrongType(path_.member(name), "true or false", v);
    return *b;
  }
  std::string text(std::string_view name) const {
    return toText(required(name), path_.member(name));
  }
  std::optional<std::string> optionalText(std::string_view name) const {
    auto v = optional(name);
    if (!v) return std::nullopt;
    return toText(*v, path_.member(name));
  }
  Foundation::Date date(std::string_view name) const {
    Value v = required(name);
    auto s = v.string();
    if (!s) wrongType(path_.member(name), "a date text", v);
    auto d = Foundation::parseRFC3339(*s);
    if (!d) fail(path_.member(name), v.excerpt() + " is not an RFC 3339 date");
    return *d;
  }
  WidgetSnapshot::Severity severity(std::string_view name) const {
    Value v = required(name);
    auto severity = WidgetSnapshot::severityFromRawValue(toInt64(v, path_.member(name)));
    if (!severity) fail(path_.member(name), v.excerpt() + " is not a severity (0, 1 or 2)");
    return *severity;
  }
  WidgetSnapshot::Tint tint(std::string_view name) const {
    Value v = required(name);
    auto s = v.string();
    if (!s) wrongType(path_.member(name), "a string", v);
    auto tint = WidgetSnapshot::tintFromRawValue(*s);
    if (!tint) fail(path_.member(name), v.excerpt() + " is not a tint");
    return *tint;
  }

 private:
  // Objects of the usual size compare names pairwise; larger ones sort, which puts a repeated
  // name next to its twin.
  std::optional<std::string_view> repeatedName() const {
    const std::size_t inPlace = std::min(count_, few_.size());
    for (std::size_t i = 0; i < inPlace; ++i)
      for (std::size_t k = 0; k < i; ++k)
        if (few_[i].name == few_[k].name) return few_[i].name;
    if (many_.empty()) return std::nullopt;
    std::vector<std::string_view> names;
    names.reserve(count_);
    for (const auto& m : few_) names.push_back(m.name);
    for (const auto& m : many_) names.push_back(m.name);
    std::sort(names.begin(), names.end());
    if (auto dup = std::adjacent_find(names.begin(), names.end()); dup != names.end()) return *dup;
    return std::nullopt;
  }

  const Path& path_;
  std::array<Foundation::JSON::Member, 12> few_;
  std::vector<Foundation::JSON::Member> many_;  // unknown members past the first dozen
  std::size_t count_ = 0;
};

WidgetSnapshot::Memory decodeMemory(const Fields& f) {
  return {f.uint64("used"), f.uint64("physical"), f.uint64("swapUsed"), f.severity("pressure")};
}

WidgetSnapshot::WiFi decodeWiFi(const Fields& f) {
  return {f.optionalText("ssid"),       f.text("band"),
          f.int64("rssi"),              f.optionalInt64("routerMs"),
          f.optionalInt64("internetMs"), f.int64("issues")};
}

WidgetSnapshot::SpeedTest decodeSpeedTest(const Fields& f) {
  return {f.int64("downloadMbps"), f.int64("uploadMbps"), f.date("date")};
}

WidgetSnapshot::Disk decodeDisk(const Fields& f) {
  return {f.int64("free"), f.int64("total"), f.optionalInt64("cleanable")};
}

WidgetSnapshot::Attention decodeAttention(const Fields& f) {
  return {f.text("id"),      f.text("title"),   f.text("detail"), f.severity("severity"),
          f.text("section"), f.text("symbol"), f.tint("tint")};
}

template <class Record, class Decode>
std::optional<Record> optionalRecord(const Fields& parent, std::string_view name, Decode decode) {
  auto v = parent.optional(name);
  if (!v) return std::nullopt;
  Path path = parent.path().member(name);
  return decode(Fields(*v, path));
}

WidgetSnapshot decodeRoot(const Value& root) {
  Path rootPath;
  Fields f(root, rootPath);
  // Members are read in field order so that a document with several faults is diagnosed at the
  // first field, whatever order its members were written in.
  Foundation::Date updated = f.date("updated");
  auto memory = optionalRecord<WidgetSnapshot::Memory>(f, "memory", decodeMemory);
  bool wifiChecked = f.boolean("wifiChecked");
  auto wifi = optionalRecord<WidgetSnapshot::WiFi>(f, "wifi", decodeWiFi);
  auto speedTest = optionalRecord<WidgetSnapshot::SpeedTest>(f, "speedTest", decodeSpeedTest);
  auto disk = optionalRecord<WidgetSnapshot::Disk>(f, "disk", decodeDisk);
  std::int64_t devRunning = f.int64("devRunning");

  Value list = f.required("attention");
  Path listPath = rootPath.member("attention");
  if (list.type() != Type::array) wrongType(listPath, "an array", list);
  std::vector<WidgetSnapshot::Attention> attention;
  attention.reserve(list.count());
  list.forEachElement([&](std::size_t i, Value item) {
    Path itemPath = listPath.element(i);
    attention.push_back(decodeAttention(Fields(item, itemPath)));
  });

  std::int64_t attentionTotal = f.int64("attentionTotal");
  std::int64_t urgent = f.int64("urgent");
  std::int64_t toCheck = f.int64("toCheck");
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
  auto document = Document::parse(json, Document::defaultMaximumDepth,
                                  diagnosis ? &parseFailure : nullptr);
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
