// A host application's side of the exchange: it measures nothing here, but writes a snapshot as a
// real one would, through the installed kit, and says where it went.
#include <KestrunWidgetKit/WidgetSnapshot/WidgetStore.h>

#include <exception>
#include <iostream>

// The kit's names used unqualified here.
using KestrunWidgetKit::WidgetSnapshot;
namespace WidgetStore = KestrunWidgetKit::WidgetStore;

int main() {
  WidgetSnapshot snapshot;
  snapshot.updated = Foundation::Clock::now();
  snapshot.wifiChecked = true;
  snapshot.wifi = WidgetSnapshot::WiFi{"Consumer network", "5 GHz", -58, 4, 18, 0};
  snapshot.memory =
      WidgetSnapshot::Memory{8ull << 30, 16ull << 30, 0, WidgetSnapshot::Severity::warning};
  auto file = WidgetStore::fileURL();
  if (!file) {
    std::cerr << "kit-consumer: no group container was found\n";
    return 2;
  }
  try {
    WidgetStore::write(snapshot);
  } catch (const std::exception& e) {
    std::cerr << "kit-consumer: " << e.what() << '\n';
    return 1;
  }
  std::cout << file->string() << '\n';
  return 0;
}
