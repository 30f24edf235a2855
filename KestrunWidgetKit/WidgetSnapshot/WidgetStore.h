// Where the snapshot file lives, reading it and writing it, and the widget kind strings.
//
// The file is `widget-snapshot.json` in the shared container of the application group named by the
// "KestrunAppGroup" key of the running bundle's Info.plist. The group identifier and the location
// are looked up afresh on every call. Reading never reports: any break in the chain (no identifier,
// no container, no file, a file that is not a regular file or is larger than maximumFileSize, a
// document that does not decode) is no snapshot. Writing, the host application's side, replaces the
// file atomically and reports every platform error, except that a missing group identifier or
// container makes it a silent no-op. Safe from any thread; writer and readers share no lock, the
// atomic replacement is their only coordination.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "KestrunWidgetKit/WidgetSnapshot/WidgetSnapshot.h"

namespace KestrunWidgetKit {

namespace WidgetStore {

inline constexpr std::string_view fileName = "widget-snapshot.json";
inline constexpr std::string_view groupKey = "KestrunAppGroup";
// Large enough for hundreds of thousands of attention items, small enough to keep a read bounded.
inline constexpr std::size_t maximumFileSize = 16 * 1024 * 1024;

// The value of "KestrunAppGroup" when it is text; none when missing or of another type.
std::optional<std::string> groupID();
// The group's container joined with fileName; none without an identifier or a container.
std::optional<std::filesystem::path> fileURL();

std::optional<WidgetSnapshot> read();
// The same read; a failure stores why in *whyNot (for people asking why a widget is empty).
std::optional<WidgetSnapshot> read(std::string* whyNot);
// The document in `file` instead of the container's, read and decoded as read() does (for tools
// that show what a given document looks like).
std::optional<WidgetSnapshot> readFrom(const std::filesystem::path& file,
                                       std::string* whyNot = nullptr);

// Throws std::system_error on any failure to create the directory, encode or write, and with EFBIG
// for a document larger than maximumFileSize (which no read would accept); the previous file is
// then untouched.
void write(const WidgetSnapshot& snapshot);

namespace Kind {
inline constexpr std::string_view wifi = "app.kestrun.widgets.wifi";
inline constexpr std::string_view memory = "app.kestrun.widgets.memory";
inline constexpr std::string_view overview = "app.kestrun.widgets.overview";
inline constexpr std::string_view health = "app.kestrun.widgets.health";
}  // namespace Kind

}  // namespace WidgetStore

}  // namespace KestrunWidgetKit
