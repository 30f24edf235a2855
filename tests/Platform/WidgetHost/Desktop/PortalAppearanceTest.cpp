#include "Platform/WidgetHost/Desktop/Core/PortalAppearance.h"

#include <gtest/gtest.h>

namespace {

using WidgetHost::PortalAppearance;
using Preference = PortalAppearance::Preference;

// The portal's Read wraps the value in two variants, ReadOne and SettingChanged in one; values
// the desktop may add later mean no preference; anything but a uint32 is no answer.
TEST(PortalAppearance, DecodesTheColourSchemeInAnyNumberOfVariants) {
  struct Case {
    const char* text;
    std::optional<Preference> expected;
  } cases[] = {
      {"uint32 1", Preference::dark},     {"<uint32 2>", Preference::light},
      {"<<uint32 0>>", Preference::none}, {"<<uint32 7>>", Preference::none},
      {"<<'dark'>>", std::nullopt},       {"int32 1", std::nullopt},
  };
  for (const Case& c : cases) {
    GVariant* v = g_variant_ref_sink(g_variant_parse(nullptr, c.text, nullptr, nullptr, nullptr));
    ASSERT_NE(v, nullptr) << c.text;
    EXPECT_EQ(PortalAppearance::decode(v), c.expected) << c.text;
    g_variant_unref(v);
  }
  EXPECT_EQ(PortalAppearance::decode(nullptr), std::nullopt);
}

TEST(PortalAppearance, WithoutABusThePreferenceStaysUnknown) {
  PortalAppearance portal(nullptr, [] { FAIL() << "no change without a bus"; });
  EXPECT_EQ(portal.preference(), std::nullopt);
}

}  // namespace
