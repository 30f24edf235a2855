#include "Platform/WidgetHost/HostCommands.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <ostream>
#include <sstream>
#include <system_error>

#include "Platform/Foundation/Files.h"
#include "Platform/Foundation/Localization.h"
#include "Platform/Foundation/Text.h"
#include "Platform/ViewToolkit/PangoTextSystem.h"
#include "Platform/WidgetHost/WidgetRendering.h"

namespace WidgetHost {
namespace {

using ViewToolkit::ColorScheme;
using ViewToolkit::DocumentFormat;
using ViewToolkit::WidgetRenderingMode;

enum class Source { timeline, preview, placeholder };

// Commands run on one thread: its text system measures and draws every widget they show.
const ViewToolkit::TextSystem& text() {
  return ViewToolkit::PangoTextSystem::shared();
}

struct Options {
  std::string widget = "all";
  Source source = Source::timeline;
  std::optional<std::string> snapshot;
  Appearance appearance;
  DocumentFormat format = DocumentFormat::png;
  std::filesystem::path out = ".";
  std::optional<ViewToolkit::Point> at;
};

double parseNumber(const std::string& text, const std::string& option) {
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  // "nan" and "inf" parse, but name no place and no size.
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
    throw UsageError{option + ": \"" + text + "\" is not a finite number"};
  return value;
}

std::string joined(const std::vector<std::string>& items, std::string_view separator) {
  std::string out;
  for (const auto& item : items) out += (out.empty() ? "" : std::string(separator)) + item;
  return out;
}

// The values --widget takes: every widget's kind suffix, then "all".
std::vector<std::string> widgetChoices(const std::vector<WidgetDescription>& widgets) {
  std::vector<std::string> choices;
  for (const auto& w : widgets) choices.push_back(w.kindSuffix());
  choices.push_back("all");
  return choices;
}

void choose(const std::string& option, const std::string& value,
            const std::vector<std::string>& choices) {
  if (std::find(choices.begin(), choices.end(), value) != choices.end()) return;
  throw UsageError{option + " takes " + joined(choices, "|") + ", not \"" + value + "\""};
}

// Reads the options a command allows; anything else is a usage error.
Options parseOptions(const std::vector<std::string>& args, std::string_view allowed,
                     const std::vector<std::string>& widgets) {
  Options o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (option.rfind("--", 0) != 0 || allowed.find(" " + option + " ") == std::string_view::npos)
      throw UsageError{"unexpected argument \"" + option + "\""};
    if (i + 1 >= args.size()) throw UsageError{option + " needs a value"};
    const std::string& value = args[++i];
    if (option == "--widget") {
      choose(option, value, widgets);
      o.widget = value;
    } else if (option == "--source") {
      choose(option, value, {"timeline", "preview", "placeholder"});
      o.source = value == "preview"       ? Source::preview
                 : value == "placeholder" ? Source::placeholder
                                          : Source::timeline;
    } else if (option == "--snapshot") {
      o.snapshot = value;
    } else if (option == "--scale") {
      choose(option, value, {"1", "2", "3"});
      o.appearance.displayScale = value[0] - '0';
    } else if (option == "--appearance") {
      choose(option, value, {"light", "dark"});
      o.appearance.colorScheme = value == "dark" ? ColorScheme::dark : ColorScheme::light;
    } else if (option == "--mode") {
      choose(option, value, {"full", "accented"});
      o.appearance.renderingMode =
          value == "accented" ? WidgetRenderingMode::accented : WidgetRenderingMode::fullColor;
    } else if (option == "--format") {
      choose(option, value, {"png", "svg", "pdf"});
      o.format = value == "svg"   ? DocumentFormat::svg
                 : value == "pdf" ? DocumentFormat::pdf
                                  : DocumentFormat::png;
    } else if (option == "--out") {
      o.out = value;
    } else if (option == "--at") {
      auto comma = value.find(',');
      if (comma == std::string::npos) throw UsageError{"--at takes X,Y in points"};
      o.at = ViewToolkit::Point{parseNumber(value.substr(0, comma), option),
                                parseNumber(value.substr(comma + 1), option)};
    }
  }
  return o;
}

const char* extension(DocumentFormat f) {
  return f == DocumentFormat::svg ? ".svg" : f == DocumentFormat::pdf ? ".pdf" : ".png";
}

std::string fileName(const WidgetDescription& w, const Appearance& a, DocumentFormat f) {
  std::string name = w.kindSuffix();
  if (a.colorScheme == ColorScheme::dark) name += "-dark";
  if (a.renderingMode == WidgetRenderingMode::accented) name += "-accented";
  if (a.displayScale != 1) name += "@" + std::to_string(int(a.displayScale)) + "x";
  return name + extension(f);
}

HostEntry entryFor(const WidgetDescription& w, Source source) {
  switch (source) {
    case Source::placeholder:
      return w.placeholder({});
    case Source::preview:
      return w.snapshot({true});
    case Source::timeline:
      break;
  }
  HostTimeline timeline = w.timeline({});
  if (const HostEntry* e = currentEntry(timeline, Foundation::Clock::now())) return *e;
  return w.placeholder({});
}

class Host {
 public:
  explicit Host(WidgetExtension extension)
      : programName_(std::move(extension.programName)),
        widgets_(std::move(extension.widgets)),
        choices_(widgetChoices(widgets_)),
        readingFile_(std::move(extension.readingFile)) {}

  std::vector<const WidgetDescription*> select(const std::vector<WidgetDescription>& widgets,
                                               const Options& o, bool one) const {
    std::vector<const WidgetDescription*> chosen;
    for (const auto& w : widgets)
      if (o.widget == "all" || w.kindSuffix() == o.widget) chosen.push_back(&w);
    if (one && (o.widget == "all" || chosen.size() != 1)) {
      std::vector<std::string> names(choices_.begin(), choices_.end() - 1);
      std::string list =
          names.size() > 1 ? joined({names.begin(), names.end() - 1}, ", ") + " or " + names.back()
                           : joined(names, "");
      throw UsageError{"--widget names one widget: " + list};
    }
    return chosen;
  }

  Options parse(const std::vector<std::string>& args, std::string_view allowed) const {
    return parseOptions(args, allowed, choices_);
  }

  // The widgets one command draws: the extension's own, or with --snapshot those it makes to
  // read that file, which live no longer than the command.
  std::vector<WidgetDescription> prepare(const Options& o, CommandIO& io) const {
    if (!o.snapshot) return widgets_;
    if (!readingFile_) throw UsageError{"--snapshot: " + programName_ + " reads no given file"};
    WidgetsReadingFile reading = readingFile_(*o.snapshot);
    if (reading.whyUnreadable)
      io.err << programName_ << ": --snapshot " << Foundation::escapedForTerminal(*o.snapshot)
             << ": " << Foundation::escapedForTerminal(*reading.whyUnreadable) << '\n';
    return std::move(reading.widgets);
  }

  int render(const std::vector<std::string>& args, CommandIO& io) const {
    Options o =
        parse(args, " --widget --source --snapshot --scale --appearance --mode --format --out ");
    const auto widgets = prepare(o, io);
    std::filesystem::create_directories(o.out);
    for (const WidgetDescription* w : select(widgets, o, false)) {
      std::filesystem::path path = o.out / fileName(*w, o.appearance, o.format);
      write(*w, entryFor(*w, o.source), o.appearance, o.format, path);
      io.out << path.string() << '\n';
    }
    return ExitStatus::success;
  }

  int tree(const std::vector<std::string>& args, CommandIO& io) const {
    Options o = parse(args, " --widget --source --snapshot --scale --appearance --mode ");
    const auto widgets = prepare(o, io);
    const WidgetDescription& w = *select(widgets, o, true).front();
    io.out << renderWidget(w, entryFor(w, o.source), o.appearance, text()).json(w) << '\n';
    return ExitStatus::success;
  }

  int tap(const std::vector<std::string>& args, CommandIO& io) const {
    Options o = parse(args, " --widget --at --source --snapshot --scale --appearance --mode ");
    if (!o.at) throw UsageError{"--at X,Y is required"};
    const auto widgets = prepare(o, io);
    const WidgetDescription& w = *select(widgets, o, true).front();
    auto url = renderWidget(w, entryFor(w, o.source), o.appearance, text()).urlAt(*o.at);
    if (!url) return ExitStatus::failure;
    io.out << *url << '\n';
    return ExitStatus::success;
  }

  int gallery(const std::vector<std::string>& args, CommandIO& io) const {
    Options o = parse(args, " --out --snapshot ");
    const auto widgets = prepare(o, io);
    std::filesystem::create_directories(o.out);
    std::ostringstream html;
    html << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Widget gallery</title>"
            "<style>body{font-family:sans-serif;background:#888;margin:24px}figure{display:inline-"
            "block;margin:12px;vertical-align:top}figcaption{font-size:12px;color:#fff}</style>"
            "</head><body>\n";
    for (const auto& w : widgets) {
      HostEntry entry = w.snapshot({true});
      // The gallery's name and description are keys, shown in the reader's language.
      html << "<h2>" << escape(Foundation::localizedString(w.displayName)) << "</h2><p>"
           << escape(Foundation::localizedString(w.description)) << "</p>\n";
      for (auto scheme : {ColorScheme::light, ColorScheme::dark})
        for (double scale : {1.0, 2.0})
          for (auto mode : {WidgetRenderingMode::fullColor, WidgetRenderingMode::accented}) {
            Appearance a{scheme, scale, mode};
            std::string name = fileName(w, a, DocumentFormat::png);
            RenderedWidget r = write(w, entry, a, DocumentFormat::png, o.out / name);
            io.out << (o.out / name).string() << '\n';
            if (scale != 1) continue;  // the page shows each variant once, at its size in points
            html << "<figure><img src=\"" << name << "\" usemap=\"#" << name << "\" width=\""
                 << r.metrics.size.width << "\" height=\"" << r.metrics.size.height
                 << "\"><map name=\"" << name << "\">";
            for (const auto& region : r.displayList.links)
              html << "<area shape=\"rect\" coords=\"" << int(region.rect.x) << ","
                   << int(region.rect.y) << "," << int(region.rect.x + region.rect.width) << ","
                   << int(region.rect.y + region.rect.height) << "\" href=\"" << escape(region.url)
                   << "\" alt=\"" << escape(region.label) << "\" title=\"" << escape(region.url)
                   << "\">";
            if (auto url = r.laidOut.widgetURL())
              html << "<area shape=\"default\" href=\"" << escape(*url) << "\" title=\""
                   << escape(*url) << "\">";
            html << "</map><figcaption>" << name << "</figcaption></figure>\n";
          }
    }
    html << "</body></html>\n";
    std::filesystem::path index = o.out / "index.html";
    Foundation::writeAtomically(index, html.str());
    io.out << index.string() << '\n';
    return ExitStatus::success;
  }

 private:
  static std::string escape(std::string_view text) {
    std::string out;
    for (char c : text) {
      switch (c) {
        case '&':
          out += "&amp;";
          break;
        case '<':
          out += "&lt;";
          break;
        case '>':
          out += "&gt;";
          break;
        case '"':
          out += "&quot;";
          break;
        default:
          out += c;
      }
    }
    return out;
  }
  static RenderedWidget write(const WidgetDescription& w, const HostEntry& entry,
                              const Appearance& a, DocumentFormat f,
                              const std::filesystem::path& path) {
    RenderedWidget r = renderWidget(w, entry, a, text());
    r.writeDocument(f, path.string());
    return r;
  }

  std::string programName_;
  std::vector<WidgetDescription> widgets_;
  std::vector<std::string> choices_;  // of --widget
  std::function<WidgetsReadingFile(const std::filesystem::path&)> readingFile_;
};

}  // namespace

std::vector<Command> hostCommands(WidgetExtension extension) {
  const std::string widgetOption =
      "[--widget " + joined(widgetChoices(extension.widgets), "|") + "]";
  auto host = std::make_shared<Host>(std::move(extension));
  auto wrap = [host](int (Host::*method)(const std::vector<std::string>&, CommandIO&) const) {
    return [host, method](const std::vector<std::string>& args, CommandIO& io) {
      return ((*host).*method)(args, io);
    };
  };
  const std::string options =
      "[--source timeline|preview|placeholder] [--snapshot FILE] [--scale 1|2|3] "
      "[--appearance light|dark] [--mode full|accented]";
  return {
      {"render", widgetOption + " " + options + " [--format png|svg|pdf] [--out DIR]",
       "Draws widgets to files and prints each path.", wrap(&Host::render)},
      {"tree", "--widget W " + options, "The laid-out widget as JSON, frames in points.",
       wrap(&Host::tree)},
      {"tap", "--widget W --at X,Y " + options,
       "The URL a tap at X,Y (points from the top-left corner) opens; exit 1 where none does.",
       wrap(&Host::tap)},
      {"gallery", "[--out DIR] [--snapshot FILE]",
       "Every widget in light and dark, scales 1 and 2, full colour and accented, with index.html.",
       wrap(&Host::gallery)},
  };
}

}  // namespace WidgetHost
