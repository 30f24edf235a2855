// Deep links from arbitrary sections: every link parses as a URL under kestrun://open/, its path
// is one segment that no normalisation can turn into another place, and decoding it once gives
// the section back byte for byte.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "KestrunWidgetKit/WidgetSnapshot/WidgetLink.h"

// The kit's names used unqualified here.
namespace WidgetLink = KestrunWidgetKit::WidgetLink;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string section(reinterpret_cast<const char*>(data), size);
  Foundation::URL url = WidgetLink::open(section);
  const std::string& text = url.absoluteString();
  constexpr std::string_view prefix = "kestrun://open/";
  if (text.compare(0, prefix.size(), prefix) != 0) std::abort();
  if (!Foundation::URL::parse(text)) std::abort();
  if (url.scheme() != "kestrun" || url.host() != "open" || url.query() || url.fragment()) std::abort();
  std::string segment = text.substr(prefix.size());
  if (segment.find('/') != std::string::npos || segment == "." || segment == "..") std::abort();
  auto decoded = Foundation::URL::percentDecode(segment);
  if (!decoded || *decoded != section) std::abort();
  return 0;
}
