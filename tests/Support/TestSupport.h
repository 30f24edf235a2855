// Scoped environment variables and temporary directories for tests.
#pragma once

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace TestSupport {

// Sets environment variables for the length of a scope and restores what was there before.
// A null value unsets the variable.
class ScopedEnvironment {
 public:
  ScopedEnvironment(std::initializer_list<std::pair<const char*, const char*>> values) {
    for (auto [name, value] : values) {
      const char* before = std::getenv(name);
      saved_.emplace_back(name, before ? std::optional<std::string>(before) : std::nullopt);
      set(name, value);
    }
  }
  ~ScopedEnvironment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
      set(it->first.c_str(), it->second ? it->second->c_str() : nullptr);
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  static void set(const char* name, const char* value) {
    if (value)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// The four variables the locale is read from, each given or unset (so that a LANGUAGE of the
// machine running the tests never reaches them).
class ScopedLocale : public ScopedEnvironment {
 public:
  explicit ScopedLocale(const char* lang, const char* lcMessages = nullptr,
                        const char* lcAll = nullptr, const char* language = nullptr)
      : ScopedEnvironment{{"LC_ALL", lcAll},
                          {"LC_MESSAGES", lcMessages},
                          {"LANG", lang},
                          {"LANGUAGE", language}} {}
};

// A fresh directory under the system's temporary directory, removed with everything in it.
class TemporaryDirectory {
 public:
  TemporaryDirectory() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("kestrun-test-" + std::to_string(::getpid()) + "-" + std::to_string(random()));
    std::filesystem::create_directories(path_);
  }
  ~TemporaryDirectory() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

inline void writeFile(const std::filesystem::path& path, std::string_view bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// An Info.plist whose only key is "KestrunAppGroup" with the given XML value element, e.g.
// "<string>group.test</string>" or "<integer>7</integer>"; an empty value leaves the key out.
inline std::string infoPlist(std::string_view groupValueElement) {
  std::string plist =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
      "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
      "<plist version=\"1.0\"><dict>";
  if (!groupValueElement.empty())
    plist += "<key>KestrunAppGroup</key>" + std::string(groupValueElement);
  return plist + "</dict></plist>\n";
}

// A bundle and a data home of the test's own: the program's group container lies inside the
// temporary directory, so tests never touch the user's files.
class ScopedWidgetContainer {
 public:
  explicit ScopedWidgetContainer(std::string_view groupValueElement = "<string>group.test</string>")
      : bundleDirectory_((root_ / "bundle").string()),
        dataHome_((root_ / "data").string()),
        variables_{{"KESTRUN_BUNDLE", bundleDirectory_.c_str()},
                   {"XDG_DATA_HOME", dataHome_.c_str()}} {
    writeFile(root_ / "bundle" / "Info.plist", infoPlist(groupValueElement));
  }

  const std::filesystem::path& root() const { return root_.path(); }
  // Where the snapshot file of the group "group.test" lies.
  std::filesystem::path snapshotFile() const {
    return root_ / "data" / "group-containers" / "group.test" / "widget-snapshot.json";
  }

 private:
  TemporaryDirectory root_;
  std::string bundleDirectory_, dataHome_;
  ScopedEnvironment variables_;
};

// Runs `body` in a child process as the unprivileged user nobody (65534) when this process is
// root, so that permission checks are tested for real under CI, which runs as root; as any other
// user, in a child as that user. Returns the body's result, or -1 when the child failed otherwise.
inline int asUnprivilegedUser(const std::function<int()>& body) {
  pid_t child = ::fork();
  if (child == 0) {
    if (::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
         ::setresuid(65534, 65534, 65534) != 0))
      ::_exit(255);
    ::_exit(body());
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  int code = WEXITSTATUS(status);
  return code == 255 ? -1 : code;
}

// Hands a test's directory (and what is in it) to the user asUnprivilegedUser runs as.
inline void giveToUnprivilegedUser(const std::filesystem::path& path) {
  if (::geteuid() != 0) return;
  std::error_code ignored;
  if (::chown(path.c_str(), 65534, 65534) != 0) return;
  if (std::filesystem::is_directory(path))
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path, ignored))
      if (::lchown(entry.path().c_str(), 65534, 65534) != 0) return;
}

}  // namespace TestSupport
