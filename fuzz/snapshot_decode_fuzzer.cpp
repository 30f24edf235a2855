// The snapshot decoder on arbitrary bytes: never a crash, and whatever decodes re-encodes to a
// document that decodes to the same snapshot.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "KestrunWidgetKit/WidgetSnapshot/SnapshotJSON.h"

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
  if (!again || encodeSnapshot(*again) != encoded) std::abort();
  return 0;
}
