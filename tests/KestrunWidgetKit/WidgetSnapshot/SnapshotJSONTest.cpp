#include "KestrunWidgetKit/WidgetSnapshot/SnapshotJSON.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <new>
#include <system_error>

// The kit's names used unqualified here.
using KestrunWidgetKit::decodeSnapshot;
using KestrunWidgetKit::encodeSnapshot;
using KestrunWidgetKit::WidgetSnapshot;

namespace {

// A complete document; tests replace one part of it at a time.
const std::string full =
    R"({"updated":"2026-03-01T10:00:00Z","memory":{"used":8589934592,"physical":17179869184,)"
    R"("swapUsed":0,"pressure":1},"wifiChecked":true,"wifi":{"ssid":"Home","band":"5 GHz",)"
    R"("rssi":-61,"routerMs":3,"internetMs":20,"issues":0},"speedTest":{"downloadMbps":500,)"
    R"("uploadMbps":50,"date":"2026-03-01T09:00:00Z"},"disk":{"free":100,"total":200,)"
    R"("cleanable":5},"devRunning":2,"attention":[{"id":"x","title":"T","detail":"D",)"
    R"("severity":2,"section":"ports","symbol":"bolt","tint":"red"}],"attentionTotal":4,)"
    R"("urgent":1,"toCheck":2})";

std::string replaced(std::string_view what, std::string_view with) {
  std::string s = full;
  auto at = s.find(what);
  EXPECT_NE(at, std::string::npos) << what;
  return s.replace(at, what.size(), with);
}

TEST(Decode, ReadsEveryField) {
  auto s = decodeSnapshot(full);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->updated, *Foundation::parseRFC3339("2026-03-01T10:00:00Z"));
  EXPECT_EQ(s->memory->physical, 17179869184u);
  EXPECT_EQ(s->memory->pressure, WidgetSnapshot::Severity::warning);
  EXPECT_EQ(s->wifi->ssid, "Home");
  EXPECT_EQ(s->wifi->routerMs, 3);
  EXPECT_EQ(s->speedTest->uploadMbps, 50);
  EXPECT_EQ(s->disk->cleanable, 5);
  ASSERT_EQ(s->attention.size(), 1u);
  EXPECT_EQ(s->attention[0].tint, WidgetSnapshot::Tint::red);
  EXPECT_EQ(s->attentionTotal, 4);
  EXPECT_EQ(s->toCheck, 2);
}

TEST(Decode, AcceptedVariations) {
  struct Case {
    const char* name;
    std::string document;
  } cases[] = {
      {"unknown members at every level",
       replaced(R"("devRunning":2)", R"("devRunning":2,"extra":{"a":[1,{}]},"more":null)")},
      {"unknown member in an item", replaced(R"("tint":"red")", R"("tint":"red","colour":7)")},
      {"wifi absent", replaced(R"("wifi":{"ssid":"Home","band":"5 GHz","rssi":-61,"routerMs":3,)"
                               R"("internetMs":20,"issues":0},)",
                               "")},
      {"wifi null", replaced(R"({"ssid":"Home","band":"5 GHz","rssi":-61,"routerMs":3,)"
                             R"("internetMs":20,"issues":0})",
                             "null")},
      {"ssid null", replaced(R"("ssid":"Home")", R"("ssid":null)")},
      {"routerMs absent", replaced(R"("routerMs":3,)", "")},
      {"cleanable null", replaced(R"("cleanable":5)", R"("cleanable":null)")},
      {"empty attention", replaced(R"([{"id":"x","title":"T","detail":"D","severity":2,)"
                                   R"("section":"ports","symbol":"bolt","tint":"red"}])",
                                   "[]")},
      {"integral double", replaced(R"("routerMs":3)", R"("routerMs":3.0)")},
      {"exponent", replaced(R"("devRunning":2)", R"("devRunning":2e0)")},
      {"largest unsigned", replaced(R"("swapUsed":0)", R"("swapUsed":18446744073709551615)")},
      {"smallest signed", replaced(R"("free":100)", R"("free":-9223372036854775808)")},
      {"whitespace around", "\n\t " + full + " \r\n"},
      {"offset date", replaced("2026-03-01T10:00:00Z", "2026-03-01T11:00:00+01:00")},
      {"fractional date", replaced("2026-03-01T10:00:00Z", "2026-03-01T10:00:00.25Z")},
      {"escapes in text", replaced(R"("title":"T")", R"("title":"\u00e9\"\\\n\ud83d\ude00")")},
  };
  for (const auto& c : cases) {
    std::string why;
    EXPECT_TRUE(decodeSnapshot(c.document, &why)) << c.name << ": " << why;
  }
  EXPECT_FALSE(decodeSnapshot(replaced(R"("ssid":"Home")", R"("ssid":null)"))->wifi->ssid);
  EXPECT_EQ(decodeSnapshot(replaced("2026-03-01T10:00:00Z", "2026-03-01T11:00:00+01:00"))->updated,
            decodeSnapshot(full)->updated);
}

TEST(Decode, RejectionsNameThePathAndTheReason) {
  struct Case {
    std::string document;
    const char* diagnosis;
  } cases[] = {
      {"", "(root): empty document"},
      {"{}", "updated: missing"},
      {"[]", "(root): expected an object, found an array"},
      {replaced(R"("tint":"red")", R"("tint":"Blue")"),
       R"(attention[0].tint: "Blue" is not a tint)"},
      {replaced(R"("severity":2)", R"("severity":3)"),
       "attention[0].severity: 3 is not a severity (0, 1 or 2)"},
      {replaced(R"("routerMs":3)", R"("routerMs":4.5)"), "wifi.routerMs: 4.5 is not an integer"},
      {replaced(R"("used":8589934592)", R"("used":-1)"),
       "memory.used: -1 does not fit an unsigned 64-bit integer"},
      {replaced(R"("free":100)", R"("free":9223372036854775808)"),
       "disk.free: 9223372036854775808 does not fit a signed 64-bit integer"},
      {replaced(R"("swapUsed":0)", R"("swapUsed":18446744073709551616)"),
       "memory.swapUsed: 18446744073709551616 does not fit an unsigned 64-bit integer"},
      {replaced(R"("devRunning":2)", R"("devRunning":1e-400)"),
       "devRunning: 1e-400 is not an integer"},
      {replaced(R"("devRunning":2)", R"("devRunning":4.00000000000000000001)"),
       "devRunning: 4.00000000000000000001 is not an integer"},
      {replaced(R"("devRunning":2)", R"("devRunning":01)"), "(root): not valid JSON"},
      {replaced(R"("devRunning":2)", R"("devRunning":1.)"), "(root): not valid JSON"},
      {replaced(R"("devRunning":2)", R"("devRunning":-)"), "(root): not valid JSON"},
      {replaced(R"("devRunning":2)", R"("devRunning":0x10)"), "(root): not valid JSON"},
      {replaced(R"("devRunning":2)",
                R"("devRunning":2,"x":)" + std::string(600, '[') + std::string(600, ']')),
       [] {
         static std::string path = "x";
         for (int i = 0; i < 511; ++i) path += "[0]";
         path += ": nested deeper than 512 levels";
         return path.c_str();
       }()},
      {replaced(R"("attention":[)", R"("at\u0000tention":1,"attention":[)"),
       "(root): member name holds U+0000"},
      {replaced(R"("id":"x")", R"("id":"x","id":"x")"),
       R"(attention[0]: member "id" appears twice)"},
      {replaced(R"("rssi":-61)", R"("rssi":-61,"future":1,"future":2)"),
       R"(wifi: member "future" appears twice)"},
      {replaced(R"("attention":[)", R"("attention":null,"x":[)"), "attention: null, but required"},
      {replaced(R"("wifiChecked":true)", R"("wifiChecked":1)"),
       "wifiChecked: expected true or false, found a number"},
      {replaced(R"("band":"5 GHz")", R"("band":5)"),
       "wifi.band: expected a string, found a number"},
      {replaced(R"("memory":{)", R"("memory":[],"m":{)"),
       "memory: expected an object, found an array"},
      {replaced(R"("rssi":-61,)", ""), "wifi.rssi: missing"},
      {replaced("2026-03-01T09:00:00Z", "2026-02-30T09:00:00Z"),
       R"(speedTest.date: "2026-02-30T09:00:00Z" is not an RFC 3339 date)"},
      {replaced(R"("devRunning":2)", R"("devRunning":2,"devRunning":3)"),
       R"((root): member "devRunning" appears twice)"},
      {replaced(R"("id":"x")", R"("id":"x\u0000y")"), "attention[0].id: string holds U+0000"},
      {full + "{}", "(root): not valid JSON"},
      {"{\"updated\":", "(root): not valid JSON"},
  };
  for (const auto& c : cases) {
    std::string why;
    EXPECT_FALSE(decodeSnapshot(c.document, &why)) << c.diagnosis;
    EXPECT_EQ(why, c.diagnosis);
  }
}

// Every accepted document must be encodable: a date the encoder cannot write is refused on reading.
TEST(Decode, DatesOutsideTheWritableYearsAreUnreadableValues) {
  struct Case {
    std::string document;
    const char* diagnosis;
  } cases[] = {
      {replaced("2026-03-01T10:00:00Z", "0000-01-01T00:00:00+00:01"),
       R"(updated: "0000-01-01T00:00:00+00:01" is not an RFC 3339 date)"},
      {replaced("2026-03-01T10:00:00Z", "9999-12-31T23:30:00-01:00"),
       R"(updated: "9999-12-31T23:30:00-01:00" is not an RFC 3339 date)"},
      {replaced("2026-03-01T09:00:00Z", "9999-12-31T23:30:00-01:00"),
       R"(speedTest.date: "9999-12-31T23:30:00-01:00" is not an RFC 3339 date)"},
  };
  for (const auto& c : cases) {
    std::string why;
    EXPECT_FALSE(decodeSnapshot(c.document, &why)) << c.diagnosis;
    EXPECT_EQ(why, c.diagnosis);
  }
  for (const char* edge : {"0000-01-01T00:00:00Z", "9999-12-31T23:59:59.75Z"}) {
    auto s = decodeSnapshot(replaced("2026-03-01T10:00:00Z", edge));
    ASSERT_TRUE(s) << edge;
    EXPECT_NO_THROW(encodeSnapshot(*s)) << edge;
  }
}

// A later host application may add members of its own: an unknown member is skipped whatever
// valid JSON it holds, and the known ones keep every rule.
TEST(Decode, UnknownMembersHoldingAnyValidJSONAreSkipped) {
  const std::string deep = std::string(300, '[') + std::string(300, ']');
  const std::string unknowns[] = {
      "123456789012345678901234567890",
      "1e400",
      "-1e-400",
      "4.00000000000000000001",
      R"({"a":1,"a":2})",
      R"([{"x":[{"y":1,"y":true}]}])",
      deep,
      R"("\u001b[2J")",
  };
  for (const auto& value : unknowns) {
    for (std::string_view where : {R"("devRunning":2)", R"("rssi":-61)", R"("tint":"red")"}) {
      std::string document = replaced(where, std::string(where) + R"(,"future":)" + value);
      std::string why;
      auto s = decodeSnapshot(document, &why);
      ASSERT_TRUE(s) << value.substr(0, 40) << " beside " << where << ": " << why;
      EXPECT_EQ(*s, *decodeSnapshot(full));
    }
  }
  // Known members keep every rule, repeated ones included.
  EXPECT_FALSE(decodeSnapshot(replaced(R"("rssi":-61)", R"("rssi":-61,"rssi":-61)")));
  EXPECT_EQ(
      decodeSnapshot(replaced(R"("free":100)", R"("free":9223372036854775807.0)"))->disk->free,
      INT64_MAX);
  EXPECT_EQ(decodeSnapshot(replaced(R"("free":100)", R"("free":9007199254740993.0)"))->disk->free,
            9007199254740993LL);
}

// An object of many members: known ones are found wherever they stand, after a dozen unknown
// ones too, and the rules on names hold there as well.
TEST(Decode, KnownMembersAreFoundAmongManyUnknownOnes) {
  std::string unknown;
  for (int i = 0; i < 14; ++i)
    unknown += "\"future" + std::to_string(i) + "\":" + std::to_string(i) + ",";
  const std::string late = replaced(R"("toCheck":2)", unknown + R"("toCheck":7)");
  auto s = decodeSnapshot(late);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->toCheck, 7);
  EXPECT_EQ(s->urgent, 1);
  const std::string item = replaced(R"("tint":"red")", unknown + R"("tint":"blue")");
  ASSERT_TRUE(decodeSnapshot(item));
  EXPECT_EQ(decodeSnapshot(item)->attention[0].tint, WidgetSnapshot::Tint::blue);

  struct Case {
    std::string document;
    const char* diagnosis;
  } cases[] = {
      {replaced(R"("urgent":1)", R"("urgent":1,)" + unknown + R"("urgent":1)"),
       R"((root): member "urgent" appears twice)"},
      {replaced(R"("toCheck":2)", R"("toCheck":2,)" + unknown + R"("a\u0000":1)"),
       "(root): member name holds U+0000"},
      {replaced(R"("toCheck":2)", unknown + R"("future3":3,"toCheck":2)"),
       R"((root): member "future3" appears twice)"},
      {replaced(R"("tint":"red")", unknown + R"("tint":"red","id":"y")"),
       R"(attention[0]: member "id" appears twice)"},
      {replaced(R"("toCheck":2)", unknown + R"("toCheck":"2")"),
       "toCheck: expected an integer, found a string"},
      {replaced(R"("toCheck":2)", unknown.substr(0, unknown.size() - 1)), "toCheck: missing"},
  };
  for (const auto& c : cases) {
    std::string why;
    EXPECT_FALSE(decodeSnapshot(c.document, &why)) << c.diagnosis;
    EXPECT_EQ(why, c.diagnosis);
  }
}

TEST(Decode, RejectsWhatNoWriterProduces) {
  std::string nested = std::string(100, '[') + std::string(100, ']');
  const std::string cases[] = {
      "\xEF\xBB\xBF" + full,                                 // byte order mark
      full + std::string(1, '\0'),                           // NUL after the document
      full + std::string("\0garbage", 8),                    // NUL then garbage
      replaced(R"("title":"T")", "\"title\":\"\xC3\x28\""),  // invalid UTF-8
      replaced(R"("title":"T")", "\"title\":\"\xC0\xAF\""),  // overlong
      replaced(R"("title":"T")", R"("title":"\ud800")"),     // lone surrogate
      full.substr(0, full.size() - 1),                       // truncated
  };
  for (const auto& document : cases) EXPECT_FALSE(decodeSnapshot(document));
}

TEST(Encode, CompactFieldOrderAbsentOptionalsLeftOut) {
  WidgetSnapshot s{*Foundation::parseRFC3339("2026-03-01T10:00:00.9Z"),
                   std::nullopt,
                   false,
                   WidgetSnapshot::WiFi{std::nullopt, "2.4 GHz", -70, std::nullopt, 12, 1},
                   std::nullopt,
                   WidgetSnapshot::Disk{1, 2, std::nullopt},
                   0,
                   {},
                   0,
                   0,
                   0};
  EXPECT_EQ(encodeSnapshot(s),
            R"({"updated":"2026-03-01T10:00:00Z","wifiChecked":false,"wifi":{"band":"2.4 GHz",)"
            R"("rssi":-70,"internetMs":12,"issues":1},"disk":{"free":1,"total":2},"devRunning":0,)"
            R"("attention":[],"attentionTotal":0,"urgent":0,"toCheck":0})");
}

// A record a host application declares without values must encode the same whatever the memory
// it lands in held: made (default-initialised, as `WidgetSnapshot s;` does) over bytes of 0xA5.
template <class Record>
std::string encodedOverDirtyMemory(const std::function<std::string(const Record&)>& encode) {
  alignas(Record) unsigned char storage[sizeof(Record)];
  std::memset(storage, 0xA5, sizeof storage);
  Record* record = new (storage) Record;
  std::string encoded = encode(*record);
  record->~Record();
  return encoded;
}

TEST(Encode, RecordsMadeWithoutValuesHoldZerosNotLeftoverMemory) {
  EXPECT_EQ(encodedOverDirtyMemory<WidgetSnapshot>(
                [](const WidgetSnapshot& s) { return encodeSnapshot(s); }),
            R"({"updated":"1970-01-01T00:00:00Z","wifiChecked":false,"devRunning":0,)"
            R"("attention":[],"attentionTotal":0,"urgent":0,"toCheck":0})");
  auto with = [](auto part) {
    return [part](const auto& record) {
      WidgetSnapshot s;
      part(s, record);
      return encodeSnapshot(s);
    };
  };
  using S = WidgetSnapshot;
  EXPECT_NE(encodedOverDirtyMemory<S::Memory>(with([](S& s, const S::Memory& m) {
              s.memory = m;
            })).find(R"("memory":{"used":0,"physical":0,"swapUsed":0,"pressure":0})"),
            std::string::npos);
  EXPECT_NE(encodedOverDirtyMemory<S::WiFi>(with([](S& s, const S::WiFi& w) {
              s.wifi = w;
            })).find(R"("wifi":{"band":"","rssi":0,"issues":0})"),
            std::string::npos);
  EXPECT_NE(
      encodedOverDirtyMemory<S::SpeedTest>(with([](S& s, const S::SpeedTest& t) {
        s.speedTest = t;
      })).find(R"("speedTest":{"downloadMbps":0,"uploadMbps":0,"date":"1970-01-01T00:00:00Z"})"),
      std::string::npos);
  EXPECT_NE(encodedOverDirtyMemory<S::Disk>(with([](S& s, const S::Disk& d) {
              s.disk = d;
            })).find(R"("disk":{"free":0,"total":0})"),
            std::string::npos);
  EXPECT_NE(encodedOverDirtyMemory<S::Attention>(with([](S& s, const S::Attention& a) {
              s.attention = {a};
            })).find(R"("severity":0,"section":"","symbol":"","tint":"brand"})"),
            std::string::npos);
}

TEST(Encode, RoundTripsEveryFieldAndDropsFractionsOfSeconds) {
  auto s = decodeSnapshot(full);
  ASSERT_TRUE(s);
  EXPECT_EQ(decodeSnapshot(encodeSnapshot(*s)), s);
  EXPECT_EQ(encodeSnapshot(*decodeSnapshot(encodeSnapshot(*s))), encodeSnapshot(*s));

  WidgetSnapshot fractional = *s;
  fractional.updated = fractional.updated + 0.75;
  auto back = decodeSnapshot(encodeSnapshot(fractional));
  EXPECT_NE(back, fractional);
  EXPECT_EQ(back, s);

  WidgetSnapshot sample = WidgetSnapshot::sample();
  auto sampleBack = decodeSnapshot(encodeSnapshot(sample));
  ASSERT_TRUE(sampleBack);
  EXPECT_EQ(sampleBack->updated.secondsSinceEpoch, std::floor(sample.updated.secondsSinceEpoch));
  EXPECT_EQ(sampleBack->attention, sample.attention);
  EXPECT_EQ(sampleBack->memory, sample.memory);
}

TEST(Encode, RefusesWhatCouldNotBeReadBack) {
  auto s = *decodeSnapshot(full);
  auto expectRefused = [](WidgetSnapshot bad, std::errc code, const char* path) {
    try {
      encodeSnapshot(bad);
      ADD_FAILURE() << path;
    } catch (const std::system_error& e) {
      EXPECT_EQ(e.code(), std::make_error_code(code)) << path;
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
  };
  WidgetSnapshot bad = s;
  bad.attention[0].title = "\xFF";
  expectRefused(bad, std::errc::illegal_byte_sequence, "attention[0].title");
  bad = s;
  bad.wifi->ssid = std::string("a\0b", 3);
  expectRefused(bad, std::errc::illegal_byte_sequence, "wifi.ssid");
  bad = s;
  bad.updated = Foundation::Date{std::nan("")};
  expectRefused(bad, std::errc::argument_out_of_domain, "updated");
  bad = s;
  bad.speedTest->date = Foundation::Date{1e15};
  expectRefused(bad, std::errc::argument_out_of_domain, "speedTest.date");
}

}  // namespace
