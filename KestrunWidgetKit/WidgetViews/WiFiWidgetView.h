// The small Wi-Fi widget: signal strength as a ring, the router latency (or a word for the signal
// when there is none), the network's name and band, and the footer with the last speed test. A tap
// anywhere opens the host application's Wi-Fi section; with no snapshot it is the first-run view.
//
// A plain value holding a shared, immutable snapshot; the body reads the clock (through the
// footer) when it is built, on the thread that lays the tree out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "KestrunWidgetKit/WidgetSnapshot/WidgetSnapshot.h"
#include "Platform/ViewToolkit/Color.h"
#include "Platform/ViewToolkit/View.h"

namespace KestrunWidgetKit {

struct WiFiWidgetView {
  SharedSnapshot snapshot;

  ViewToolkit::View body() const;
};

// The colour of a signal by its strength in dBm: green from -60, yellow from -72, red below. The
// widgets colour by these bounds, which are deliberately not those of WiFi::signalTitle().
ViewToolkit::Color signalTint(std::int64_t rssi);

// "<ssid> · <band>", or the band alone when the network has no name. Empty texts are kept, so an
// empty band still shows the separator: the line says exactly what the host application wrote.
// Name and band are each cut and isolated as snapshotText() makes them.
std::string networkLine(const WidgetSnapshot::WiFi& wifi);

}  // namespace KestrunWidgetKit
