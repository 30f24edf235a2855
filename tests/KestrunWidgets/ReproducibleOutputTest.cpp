// The same input and --now give the same PDF, byte for byte: the file carries no date of its
// own making (SOURCE_DATE_EPOCH's when it is set, a readable one only).
#include <gtest/gtest.h>

#include <string>

#include "tests/KestrunWidgets/CommandLineTesting.h"
#include "tests/Support/TestSupport.h"

namespace {

std::string renderedPDF(const TestSupport::TemporaryDirectory& out, const std::string& name) {
  auto outcome = CommandLineTesting::run({"--now", "2026-12-09T05:50:00Z", "render", "--widget",
                                          "overview", "--source", "preview", "--format", "pdf",
                                          "--out", (out / name).string()});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  return TestSupport::readFile(out / name / "overview@2x.pdf");
}

TEST(ReproducibleOutput, PDFsCarryOnlyTheSourceDateEpoch) {
  TestSupport::TemporaryDirectory out;
  struct Case {
    const char* epoch;
    const char* date;  // what the file says, none when null
  } cases[] = {
      {nullptr, nullptr},
      {"1765260000", "/CreationDate (20251209060000Z)"},
      {"0", "/CreationDate (19700101000000Z)"},
      // Not a count of seconds: no date rather than a guess.
      {"", nullptr},
      {"12x", nullptr},
      {"-5", nullptr},
      {"99999999999999999999", nullptr},
      {"1765260000 ", nullptr},
  };
  int n = 0;
  for (const Case& c : cases) {
    TestSupport::ScopedEnvironment environment{{"SOURCE_DATE_EPOCH", c.epoch}};
    const std::string first = renderedPDF(out, std::to_string(n++));
    const std::string second = renderedPDF(out, std::to_string(n++));
    const std::string label = c.epoch ? c.epoch : "(unset)";
    ASSERT_FALSE(first.empty()) << label;
    EXPECT_EQ(first, second) << label;
    if (c.date)
      EXPECT_NE(first.find(c.date), std::string::npos) << label;
    else
      EXPECT_EQ(first.find("/CreationDate"), std::string::npos) << label;
  }
}

}  // namespace
