// Whole-file reading and writing for documents that two processes share without a lock.
//
// The reader treats the file as untrusted: it never blocks on a FIFO or device and never reads
// more than its cap, so a hostile or damaged
// file costs at most the cap in memory and returns at once. The writer replaces the file
// atomically (temp file, fsync, rename, fsync of the directory), so a concurrent reader sees the
// previous document or the new one, never a partial one. Both are safe to call from any thread.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace Foundation {

enum class FileKinds {
  regularFiles,            // shared documents: a FIFO or device never blocks or streams forever
  regularFilesAndStreams,  // what a user names on a command line: also /dev/stdin, a pipe
};

// Reads a whole file of at most maximumSize bytes, following symbolic links. What is opened must
// be a regular file (or, when asked for, a FIFO, character device or socket, read to its end); a
// directory or anything else fails, and so does content larger than the cap (on fstat, or by
// growing while it is read). On failure returns nullopt and, when `failure` is not null, stores
// one short lower-case reason ("no such file", "permission denied", "not a regular file",
// "larger than 16777216 bytes", "read error: ...").
std::optional<std::string> readWholeFile(const std::filesystem::path& path, std::size_t maximumSize,
                                         std::string* failure = nullptr,
                                         FileKinds kinds = FileKinds::regularFiles);

// Replaces the file at `path` with `bytes` atomically, through a temp file in the same directory
// named ".<filename>.tmp-<pid>-<random hex>", locked (flock) by its writer until the rename. The
// new file has the mode of the file it replaces, or 0600 when there is none. Temp files of this
// naming for the same target whose lock can be taken (their writer is gone, in whatever PID
// namespace it ran) are removed first. On failure the temp file is removed, the previous document
// is untouched and std::system_error is thrown, naming the path and the step that failed.
void writeAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace Foundation
