// Whole processes, as the desktop and scripts run them, each in a home of its own (HOME and the
// XDG directories private, so nothing of the user's takes part):
// - `render --widget all` at each scale, and `gallery`, paired run by run with a small C program
//   that makes the same four surfaces, draws one text on each and writes them with Cairo's PNG
//   writer (the floor): CPU, wall time and peak resident memory of each child, and their ratios;
// - the live host under a private Xvfb with openbox: from start to every widget drawn, from a
//   snapshot's replacement to changed pixels, a click answered just after the costliest document
//   replaced the snapshot, and sitting idle between entries (CPU share, wake-ups over a quiet
//   minute), and its resident memory beside a bare GTK program's.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchSupport.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

pid_t spawn(const std::vector<std::string>& argv, const std::string& output = "/dev/null",
            const std::string& errors = "/dev/null") {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = -1;
  if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

struct Exit {
  int status = -1;
  rusage usage{};
};

// Signals only a child we started: a failed spawn leaves -1, and kill(-1) would reach every
// process we may signal.
void stop(pid_t pid, int signal) {
  if (pid > 0) kill(pid, signal);
}

Exit await(pid_t pid) {
  Exit e;
  if (pid > 0) wait4(pid, &e.status, 0, &e.usage);
  return e;
}

fs::path scratch(const char* name) {
  fs::path dir = fs::temp_directory_path() / (std::string(name) + "-" + std::to_string(getpid()));
  fs::create_directories(dir);
  return dir;
}

// HOME and the XDG directories of this benchmark's children: a scratch directory, with nothing
// in it but what a benchmark puts there.
const fs::path& isolatedHome() {
  static const struct Home {
    fs::path dir = scratch("kestrun-process-bench-home");
    Home() {
      ::setenv("HOME", dir.c_str(), 1);
      ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
      ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
      ::setenv("XDG_STATE_HOME", (dir / "state").c_str(), 1);
      ::unsetenv("KESTRUN_BUNDLE");
    }
    ~Home() { fs::remove_all(dir); }
  } home;
  return home.dir;
}

double cpuSeconds(const rusage& u) {
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Run {
  double wall = 0, cpu = 0, peakMiB = 0;
  bool ok = false;
};

// One child from spawn to exit; its CPU and peak memory are the kernel's accounting of it alone.
Run run(const std::vector<std::string>& argv) {
  Run r;
  auto start = std::chrono::steady_clock::now();
  Exit e = await(spawn(argv));
  r.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.cpu = cpuSeconds(e.usage);
  r.peakMiB = double(e.usage.ru_maxrss) / 1024.0;
  r.ok = WIFEXITED(e.status) && WEXITSTATUS(e.status) == 0;
  return r;
}

// A command of the program against the floor program, in turn: counters cpu_ms, wall_ms and
// peak_MiB, each with its _floor and _ratio.
void pairedWithFloor(benchmark::State& state, const std::vector<std::string>& argv,
                     const std::string& floorScale) {
  isolatedHome();
  const fs::path floorOut = scratch("kestrun-render-floor");
  const std::vector<std::string> floor = {RENDER_FLOOR, floorScale, floorOut.string()};
  run(floor);  // warms the font cache and the page cache for both
  run(argv);
  BenchSupport::Paired cpu, wall, peak;
  for (auto _ : state) {
    Run f = run(floor);
    Run r = run(argv);
    if (!f.ok || !r.ok) {
      state.SkipWithError(f.ok ? "the command failed" : "the floor program failed");
      break;
    }
    state.SetIterationTime(r.wall);
    cpu.add(f.cpu, r.cpu);
    wall.add(f.wall, r.wall);
    peak.add(f.peakMiB, r.peakMiB);
  }
  cpu.report(state, "cpu_ms", 1e3);
  wall.report(state, "wall_ms", 1e3);
  peak.report(state, "peak_MiB");
  fs::remove_all(floorOut);
}

void BM_RenderAllProcess(benchmark::State& state) {
  const std::string scale = std::to_string(state.range(0));
  const fs::path out = scratch("kestrun-render-bench");
  pairedWithFloor(state,
                  {KESTRUN_CLI, "render", "--widget", "all", "--source", "preview", "--scale",
                   scale, "--out", out.string()},
                  scale);
  fs::remove_all(out);
}
BENCHMARK(BM_RenderAllProcess)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->DenseRange(1, 3)
    ->Iterations(11);

// Every widget in 8 variants at 1x and 2x; the floor is its four surfaces at 2x.
void BM_GalleryProcess(benchmark::State& state) {
  const fs::path out = scratch("kestrun-gallery-bench");
  pairedWithFloor(state, {KESTRUN_CLI, "gallery", "--out", out.string()}, "2");
  fs::remove_all(out);
}
BENCHMARK(BM_GalleryProcess)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

std::string readFile(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string readProc(pid_t pid, const char* file) {
  return readFile("/proc/" + std::to_string(pid) + "/" + file);
}

long statusField(pid_t pid, const std::string& field) {
  std::string status = readProc(pid, "status");
  auto at = status.find(field + ":");
  return at == std::string::npos ? -1 : std::atol(status.c_str() + at + field.size() + 1);
}

// User and system time, in clock ticks turned into seconds.
double cpuSeconds(pid_t pid) {
  std::string stat = readProc(pid, "stat");
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));
  std::string skip;
  for (int i = 3; i < 14; ++i) fields >> skip;  // state .. cmajflt
  long user = 0, system = 0;
  fields >> user >> system;
  return double(user + system) / double(sysconf(_SC_CLK_TCK));
}

// Calls that returned inside the window (a call the thread was blocked in when the tracer attached
// counts once it returns); the tracer's own signal when it leaves is not the host's doing.
long completedCalls(const std::string& trace) {
  std::ifstream in(trace);
  long n = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.find(" = ") == std::string::npos) continue;
    if (line.find("SIGINT") != std::string::npos) continue;
    ++n;
  }
  return n;
}

// A private desktop for the live host: Xvfb on a free display, openbox, a home of its own with
// the sample snapshot stored.
struct Desktop {
  fs::path home;
  pid_t xvfb = -1;
  pid_t wm = -1;

  explicit Desktop(const char* name) : home(scratch(name)) {
    setenv("HOME", home.c_str(), 1);
    unsetenv("KESTRUN_BUNDLE");
    setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("XDG_STATE_HOME", (home / "state").c_str(), 1);
    const std::string snapshot = (home / "snapshot.json").string();
    await(spawn({KESTRUN_CLI, "sample"}, snapshot));
    await(spawn({KESTRUN_CLI, "write", snapshot}));
    std::string display;
    for (int n = 140; n < 170 && display.empty(); ++n)
      if (!fs::exists("/tmp/.X" + std::to_string(n) + "-lock")) display = ":" + std::to_string(n);
    xvfb = spawn({"Xvfb", display, "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
    setenv("DISPLAY", display.c_str(), 1);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    wm = spawn({"openbox", "--sm-disable"});
    std::this_thread::sleep_for(std::chrono::seconds(1));
  }
  ~Desktop() {
    stop(wm, SIGTERM);
    await(wm);
    stop(xvfb, SIGTERM);
    await(xvfb);
    fs::remove_all(home);
  }
};

std::size_t occurrences(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Waits (up to 10 s) until the host's log says every one of its four widgets was drawn.
bool awaitDrawn(const fs::path& log) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    if (occurrences(readFile(log), " drawn ") >= 4) return true;
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  return false;
}

double secondsOf(void (*run)()) {
  auto start = std::chrono::steady_clock::now();
  run();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// From exec to all four widgets drawn (the host says so on stderr with --verbose). The floor is
// the same program's start to exit for `where`: loading it and its libraries, nothing drawn.
void BM_HostStartToDrawn(benchmark::State& state) {
  Desktop desktop("kestrun-start-bench");
  const fs::path log = desktop.home / "host.log";
  double floor = 0;
  for (auto _ : state) {
    floor += secondsOf([] { await(spawn({KESTRUN_CLI, "where"})); });
    auto start = std::chrono::steady_clock::now();
    pid_t host = spawn({KESTRUN_CLI, "host", "--verbose"}, "/dev/null", log.string());
    bool drawn = awaitDrawn(log);
    auto end = std::chrono::steady_clock::now();
    stop(host, SIGTERM);
    await(host);
    if (!drawn) {
      state.SkipWithError("the widgets were not drawn");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
  state.counters["floor_ms"] = benchmark::Counter(1000 * floor, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_HostStartToDrawn)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// A hash of the window's pixels as the X server holds them.
std::size_t pixels(Display* x, Window window) {
  XWindowAttributes a;
  XGetWindowAttributes(x, window, &a);
  XImage* image = XGetImage(x, window, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
  if (!image) return 0;
  std::size_t h = std::hash<std::string_view>{}(
      std::string_view(image->data, std::size_t(image->bytes_per_line) * image->height));
  XDestroyImage(image);
  return h;
}

// Where the host of `desktop` reads its snapshot, as `where` says.
fs::path snapshotFileOf(const Desktop& desktop) {
  await(spawn({KESTRUN_CLI, "where"}, (desktop.home / "where").string()));
  std::string where = readFile(desktop.home / "where");
  auto at = where.find("file: ");
  return where.substr(at + 6, where.find('\n', at) - at - 6);
}

// The stored sample twice, differing in the memory used, so that each replacement changes what
// the Memory widget shows.
std::vector<std::string> twoDocuments(const Desktop& desktop) {
  const std::string sample = readFile(desktop.home / "snapshot.json");
  const auto used = sample.find("\"used\":");
  std::vector<std::string> documents;
  for (const char* value : {"10000000000", "20000000000"}) {
    std::string doc = sample;
    doc.replace(used + 7, doc.find(',', used) - used - 7, value);
    documents.push_back(doc);
  }
  return documents;
}

// The Memory widget's window, once the host's log says every widget was drawn; 0 when none.
unsigned long memoryWindow(const fs::path& log) {
  unsigned long id = 0;
  if (!awaitDrawn(log)) return id;
  FILE* search = popen("xdotool search --name '^Memory$' | head -n 1", "r");
  if (search && fscanf(search, "%lu", &id) != 1) id = 0;
  if (search) pclose(search);
  return id;
}

// From the rename that replaces the snapshot to the Memory widget's pixels changing on the
// server. The floor is one reading of the window's pixels: the resolution of the measurement.
void BM_HostReplacementToPixels(benchmark::State& state) {
  Desktop desktop("kestrun-replace-bench");
  const fs::path log = desktop.home / "host.log";
  const fs::path file = snapshotFileOf(desktop);
  const std::vector<std::string> documents = twoDocuments(desktop);
  pid_t host = spawn({KESTRUN_CLI, "host", "--verbose"}, "/dev/null", log.string());
  Display* x = XOpenDisplay(nullptr);
  Window window = x ? Window(memoryWindow(log)) : 0;
  double floor = 0;
  std::size_t n = 0;
  for (auto _ : state) {
    if (!window) {
      state.SkipWithError("no Memory window");
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    auto readStart = std::chrono::steady_clock::now();
    const std::size_t before = pixels(x, window);
    floor += std::chrono::duration<double>(std::chrono::steady_clock::now() - readStart).count();
    const fs::path temp = file.string() + ".bench";
    std::ofstream(temp) << documents[n++ % 2];
    auto start = std::chrono::steady_clock::now();
    fs::rename(temp, file);
    auto deadline = start + std::chrono::seconds(5);
    while (pixels(x, window) == before && std::chrono::steady_clock::now() < deadline) {
    }
    auto end = std::chrono::steady_clock::now();
    if (end >= deadline) {
      state.SkipWithError("the pixels did not change within 5 s");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
  state.counters["floor_ms"] = benchmark::Counter(1000 * floor, benchmark::Counter::kAvgIterations);
  if (x) XCloseDisplay(x);
  stop(host, SIGTERM);
  await(host);
}
BENCHMARK(BM_HostReplacementToPixels)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

// A click on the Memory widget just after the snapshot was replaced by the costliest document a
// reader accepts (16 MiB, nearly all of it one text written as \u escapes): from the rename to
// the host saying which URL the click opens, the reload of every widget included. The floor is
// the same click on the same host with nothing replaced.
void BM_HostClickAfterWorstReplacement(benchmark::State& state) {
  Desktop desktop("kestrun-click-bench");
  const fs::path log = desktop.home / "host.log";
  const fs::path file = snapshotFileOf(desktop);
  std::string escapes;
  for (std::size_t i = 0; i < (16u << 20) / 6 - 1024; ++i) escapes += "\\u200b";
  std::vector<std::string> documents = twoDocuments(desktop);
  for (auto& doc : documents) doc.insert(doc.find("\"detail\":\"") + 10, escapes);
  pid_t host = spawn({KESTRUN_CLI, "host", "--verbose"}, "/dev/null", log.string());
  const unsigned long id = memoryWindow(log);
  const std::string window = id ? std::to_string(id) : "";
  // Seconds from `start` until the host has said it opens one more URL (at most 10 s).
  auto answered = [&](std::chrono::steady_clock::time_point start, std::size_t before) {
    auto deadline = start + std::chrono::seconds(10);
    while (occurrences(readFile(log), "opening ") == before &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  auto click = [&] {
    await(spawn({"xdotool", "mousemove", "--window", window, "85", "85", "click", "1"}));
  };
  BenchSupport::Paired pairs;
  std::size_t n = 0;
  for (auto _ : state) {
    if (window.empty()) {
      state.SkipWithError("no Memory window");
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::size_t before = occurrences(readFile(log), "opening ");
    auto floorStart = std::chrono::steady_clock::now();
    click();
    const double floor = answered(floorStart, before);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const fs::path temp = file.string() + ".bench";
    std::ofstream(temp) << documents[n++ % 2];
    before = occurrences(readFile(log), "opening ");
    auto start = std::chrono::steady_clock::now();
    fs::rename(temp, file);
    click();
    const double latency = answered(start, before);
    if (latency >= 10) {
      state.SkipWithError("the click was not answered within 10 s");
      break;
    }
    state.SetIterationTime(latency);
    pairs.add(floor, latency);
  }
  pairs.report(state, "click_ms", 1e3);
  stop(host, SIGTERM);
  await(host);
}
BENCHMARK(BM_HostClickAfterWorstReplacement)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(9);

// The resident memory of a GTK program settled after showing its windows, in KiB, and the part
// of it that is its own (anonymous: heap, stacks, relocated data), the rest being pages of
// libraries, fonts and data files shared with every other process that maps them.
struct Resident {
  double total = 0, anonymous = 0;
};

// Starts `argv`, waits until its log says `drawn` `count` times and a few seconds more (the host
// gives back what its first frames freed a second after them), and reads its memory.
Resident settledResident(const std::vector<std::string>& argv, const fs::path& log,
                         const std::string& drawn, std::size_t count) {
  pid_t child = spawn(argv, "/dev/null", log.string());
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (occurrences(readFile(log), drawn) < count && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  std::this_thread::sleep_for(std::chrono::seconds(3));
  Resident r{double(statusField(child, "VmRSS")), double(statusField(child, "RssAnon"))};
  stop(child, SIGTERM);
  await(child);
  return r;
}

// Resident memory of the host with its four widgets drawn, paired run by run with a bare GTK 4
// program that shows four windows painted with Cairo under the same renderer (the floor); then
// one host sitting idle between entries for a quiet minute: CPU share and system calls.
void BM_HostIdle(benchmark::State& state) {
  Desktop desktop("kestrun-idle-bench");
  const fs::path& home = desktop.home;
  const double seconds = std::getenv("KESTRUN_IDLE_SECONDS") ? std::atof(std::getenv("KESTRUN_IDLE_SECONDS")) : 60;
  // As the host chooses for itself when nothing else is asked for.
  setenv("GSK_RENDERER", "cairo", 1);
  setenv("GDK_DEBUG", "gl-disable", 1);
  BenchSupport::Paired resident, anonymous;
  std::vector<double> over;
  for (int i = 0; i < 5; ++i) {
    Resident f = settledResident({HOST_FLOOR}, home / "floor.log", "all drawn", 1);
    Resident h =
        settledResident({KESTRUN_CLI, "host", "--verbose"}, home / "host.log", " drawn ", 4);
    resident.add(f.total / 1024, h.total / 1024);
    anonymous.add(f.anonymous / 1024, h.anonymous / 1024);
    over.push_back((h.total - f.total) / 1024);
  }
  unsetenv("GSK_RENDERER");
  unsetenv("GDK_DEBUG");
  pid_t host = spawn({KESTRUN_CLI, "host"});

  for (auto _ : state) {
    std::this_thread::sleep_for(std::chrono::seconds(5));  // windows shown, first frames drawn
    const double cpuBefore = cpuSeconds(host);
    // Every system call the host's threads make in the window: an idle host makes none.
    const std::string calls = (home / "syscalls").string();
    pid_t tracer = spawn({"strace", "-f", "-o", calls, "-p", std::to_string(host)});
    auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (host <= 0 || kill(host, 0) != 0) {
      state.SkipWithError("the host exited");
      break;
    }
    state.SetIterationTime(wall);
    state.counters["cpu_percent"] = 100 * (cpuSeconds(host) - cpuBefore) / wall;
    stop(tracer, SIGINT);
    await(tracer);
    state.counters["syscalls"] = tracer > 0 ? double(completedCalls(calls)) : -1;  // -1: no strace
  }
  resident.report(state, "rss_MiB");
  anonymous.report(state, "anon_MiB");
  state.counters["rss_over_floor_MiB"] = BenchSupport::median(over);
  stop(host, SIGTERM);
  await(host);
}
BENCHMARK(BM_HostIdle)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1)->Repetitions(1);

}  // namespace
