// The snapshot decoder on arbitrary bytes: never a crash, and whatever decodes encodes (never
// throwing) to a document that decodes to an equal snapshot, its dates at whole seconds.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "KestrunWidgetKit/WidgetSnapshot/SnapshotJSON.h"

// The kit's names used unqualified here.
using KestrunWidgetKit::decodeSnapshot;
using KestrunWidgetKit::encodeSnapshot;
using KestrunWidgetKit::WidgetSnapshot;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string diagnosis;
  auto snapshot = decodeSnapshot(bytes, &diagnosis);
  if (!snapshot) {
    if (diagnosis.empty()) std::abort();  // every failure says why
    return 0;
  }
  std::string encoded = encodeSnapshot(*snapshot);
  auto again = decodeSnapshot(encoded);
  WidgetSnapshot expected = *snapshot;
  expected.updated.secondsSinceEpoch = std::floor(expected.updated.secondsSinceEpoch);
  if (expected.speedTest)
    expected.speedTest->date.secondsSinceEpoch =
        std::floor(expected.speedTest->date.secondsSinceEpoch);
  if (!again || !(*again == expected) || encodeSnapshot(*again) != encoded) std::abort();
  return 0;
}
