// The kit under LANG=de_DE.UTF-8: translated keys, German relative dates, verbatim texts left
// alone, through the catalogue built from resources/po/de.po.
#include <gtest/gtest.h>

#include "KestrunWidgetKit/WidgetViews/Formatting.h"
#include "KestrunWidgetKit/WidgetViews/Gauges.h"
#include "KestrunWidgetKit/WidgetViews/Links.h"
#include "KestrunWidgetKit/WidgetViews/StatusLines.h"
#include "Platform/ViewToolkit/Text.h"
#include "tests/KestrunWidgetKit/WidgetViews/KitTesting.h"
#include "tests/Support/TestSupport.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::BigValue;
using KestrunWidgetKit::diskSize;
using KestrunWidgetKit::Eyebrow;
using KestrunWidgetKit::Footnote;
using KestrunWidgetKit::gigabytes;
using KestrunWidgetKit::PressureLine;
using KestrunWidgetKit::relative;
using KestrunWidgetKit::SetupView;
using KestrunWidgetKit::SpeedLine;
using KestrunWidgetKit::WidgetSnapshot;

using namespace ViewToolkit;

class German : public ::testing::Test {
 protected:
  TestSupport::ScopedEnvironment bundle{{"KESTRUN_BUNDLE", KESTRUN_BUILD_DATA_DIR}};
  TestSupport::ScopedLocale german{"de_DE.UTF-8"};
  const Foundation::Date now{1750000000};
  Foundation::ScopedClock clock{now};

  std::string shown(const View& view) const {
    const LaidOutView laid = KitTesting::lay(view, {364, 170});
    std::string all;
    for (const LayoutNode* t : laid.root.findAll("Text")) {
      if (!all.empty()) all += " | ";
      all += t->text->string();
    }
    return all;
  }
};

TEST_F(German, TheFirstRunViewIsTranslated) {
  EXPECT_EQ(shown(SetupView()),
            "Kestrun öffnen | Kestrun misst; dieses Widget zeigt, was dabei herauskommt.");
}

TEST_F(German, StatusLinesTranslateTheirKeysAndKeepTheirValues) {
  EXPECT_EQ(shown(SpeedLine{{1234, 48, now}}), "1234 | 48 Mbit/s");
  EXPECT_EQ(shown(PressureLine{{1, 1, 0, WidgetSnapshot::Severity::warning}}), "Druck: High");
}

TEST_F(German, NumbersOfSizesAreNeverLocalised) {
  EXPECT_EQ(gigabytes(6442450944, 1, true), "6.0 GB");
  EXPECT_EQ(diskSize(2500000000000), "2.5 TB");
  EXPECT_EQ(shown(BigValue{"6.0", "GB", 30}), "6.0 GB");
}

TEST_F(German, AgesAreGermanAndTheEyebrowUpperCasesAsEverywhere) {
  EXPECT_EQ(relative(now - 30), "gerade eben");
  EXPECT_EQ(relative(now - 7200), "vor 2 Std.");
  EXPECT_EQ(relative(now - 86400 - 3600), "gestern");
  EXPECT_EQ(shown(Eyebrow{"Straße"}), "STRASSE");
}

TEST_F(German, TheStaleFooterIsOneGermanSentenceAroundTheAge) {
  WidgetSnapshot snapshot = WidgetSnapshot::sample();
  snapshot.updated = now - 1500;
  EXPECT_EQ(shown(Footnote{snapshot, View()}), "Aktualisiert vor 25 Min.");
}
