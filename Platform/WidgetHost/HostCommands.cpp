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
#include "Platform/ViewToolkit/Symbols.h"
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
    throw UsageError{option + ": \"" + Foundation::escapedForTerminal(text) +
                     "\" is not a finite number"};
  return value;
}

// The values --widget takes: every widget's kind suffix, then "all" where several may be drawn.
std::vector<std::string> widgetChoices(const std::vector<WidgetDescription>& widgets, bool all) {
  std::vector<std::string> choices;
  for (const auto& w : widgets) choices.push_back(w.kindSuffix());
  if (all) choices.push_back("all");
  return choices;
}

// The options the drawing commands share, as the parser and the help know them.
namespace Declared {
Option widget(const std::vector<WidgetDescription>& widgets, bool one) {
  if (one)
    return {"widget",
            "W",
            "The widget, by the last part of its kind.",
            "",
            widgetChoices(widgets, false),
            true};
  return {"widget", "W", "The widget to draw, by the last part of its kind, or all of them.", "all",
          widgetChoices(widgets, true)};
}
const Option source{"source",
                    "",
                    "Where the entry comes from: the timeline's entry current now, "
                    "the widget gallery's preview, or the placeholder.",
                    "timeline",
                    {"timeline", "preview", "placeholder"}};
const Option snapshot{"snapshot",
                      "FILE",
                      "Reads the snapshot from FILE instead of the group container's file; an "
                      "unreadable file is no snapshot, and one line on stderr says why.",
                      "the group container's file",
                      {},
                      false,
                      "file"};
const Option scale{"scale", "", "Pixels per point.", "2", {"1", "2", "3"}};
const Option appearance{"appearance", "", "Light or dark appearance.", "light", {"light", "dark"}};
const Option mode{"mode",
                  "",
                  "Full colour, or accented (the accent group tinted, the rest white).",
                  "full",
                  {"full", "accented"}};
const Option format{"format", "", "The document format.", "png", {"png", "svg", "pdf"}};
const Option out{"out",
                 "DIR",
                 "The directory the files are written to (made if missing).",
                 "the current directory",
                 {},
                 false,
                 "directory"};
const Option at{"at", "X,Y", "The point tapped, in points from the widget's top-left corner.",
                "",   {},    true};
}  // namespace Declared

// The drawing options from what the parser read; the parser has already checked every choice.
Options optionsFrom(const Arguments& args) {
  Options o;
  if (auto v = args.value("widget")) o.widget = *v;
  if (auto v = args.value("source"))
    o.source = *v == "preview"       ? Source::preview
               : *v == "placeholder" ? Source::placeholder
                                     : Source::timeline;
  if (auto v = args.value("snapshot")) o.snapshot = *v;
  if (auto v = args.value("scale")) o.appearance.displayScale = (*v)[0] - '0';
  if (auto v = args.value("appearance"))
    o.appearance.colorScheme = *v == "dark" ? ColorScheme::dark : ColorScheme::light;
  if (auto v = args.value("mode"))
    o.appearance.renderingMode =
        *v == "accented" ? WidgetRenderingMode::accented : WidgetRenderingMode::fullColor;
  if (auto v = args.value("format"))
    o.format = *v == "svg"   ? DocumentFormat::svg
               : *v == "pdf" ? DocumentFormat::pdf
                             : DocumentFormat::png;
  if (auto v = args.value("out")) o.out = *v;
  if (auto v = args.value("at")) {
    auto comma = v->find(',');
    if (comma == std::string::npos) throw UsageError{"--at takes X,Y in points"};
    o.at = ViewToolkit::Point{parseNumber(v->substr(0, comma), "--at"),
                              parseNumber(v->substr(comma + 1), "--at")};
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

// The entry `w` shows from `source`; the widgets of one command share `answers`, so that the data
// behind them is read once.
HostEntry entryFor(const WidgetDescription& w, Source source, ProviderAnswers& answers) {
  switch (source) {
    case Source::placeholder:
      return w.placeholder({});
    case Source::preview:
      return w.snapshot({true}, &answers);
    case Source::timeline:
      break;
  }
  HostTimeline timeline = w.timeline({}, &answers);
  if (const HostEntry* e = currentEntry(timeline, Foundation::Clock::now())) return *e;
  return w.placeholder({});
}

class Host {
 public:
  explicit Host(WidgetExtension extension)
      : programName_(std::move(extension.programName)),
        widgets_(std::move(extension.widgets)),
        readingFile_(std::move(extension.readingFile)) {}

  std::vector<const WidgetDescription*> select(const std::vector<WidgetDescription>& widgets,
                                               const Options& o) const {
    std::vector<const WidgetDescription*> chosen;
    for (const auto& w : widgets)
      if (o.widget == "all" || w.kindSuffix() == o.widget) chosen.push_back(&w);
    return chosen;
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

  int render(const Arguments& args, CommandIO& io) const {
    Options o = optionsFrom(args);
    const auto widgets = prepare(o, io);
    std::filesystem::create_directories(o.out);
    ProviderAnswers answers;
    for (const WidgetDescription* w : select(widgets, o)) {
      std::filesystem::path path = o.out / fileName(*w, o.appearance, o.format);
      write(*w, entryFor(*w, o.source, answers), o.appearance, o.format, path);
      io.out << path.string() << '\n';
    }
    return ExitStatus::success;
  }

  int tree(const Arguments& args, CommandIO& io) const {
    Options o = optionsFrom(args);
    const auto widgets = prepare(o, io);
    const WidgetDescription& w = *select(widgets, o).front();
    ProviderAnswers answers;
    io.out << renderWidget(w, entryFor(w, o.source, answers), o.appearance, text()).json(w) << '\n';
    return ExitStatus::success;
  }

  int tap(const Arguments& args, CommandIO& io) const {
    Options o = optionsFrom(args);
    const auto widgets = prepare(o, io);
    const WidgetDescription& w = *select(widgets, o).front();
    ProviderAnswers answers;
    auto url = renderWidget(w, entryFor(w, o.source, answers), o.appearance, text()).urlAt(*o.at);
    if (!url) return ExitStatus::failure;
    io.out << *url << '\n';
    return ExitStatus::success;
  }

  int gallery(const Arguments& args, CommandIO& io) const {
    Options o = optionsFrom(args);
    const auto widgets = prepare(o, io);
    std::filesystem::create_directories(o.out);
    std::ostringstream html;
    html << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Widget gallery</title>"
            "<style>body{font-family:sans-serif;background:#888;margin:24px}figure{display:inline-"
            "block;margin:12px;vertical-align:top}figcaption{font-size:12px;color:#fff}</style>"
            "</head><body>\n";
    ProviderAnswers answers;
    for (const auto& w : widgets) {
      HostEntry entry = w.snapshot({true}, &answers);
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
  static std::string escape(std::string_view text) { return Foundation::escapedForMarkup(text); }
  static RenderedWidget write(const WidgetDescription& w, const HostEntry& entry,
                              const Appearance& a, DocumentFormat f,
                              const std::filesystem::path& path) {
    RenderedWidget r = renderWidget(w, entry, a, text());
    r.writeDocument(f, path.string());
    return r;
  }

  std::string programName_;
  std::vector<WidgetDescription> widgets_;
  std::function<WidgetsReadingFile(const std::filesystem::path&)> readingFile_;
};

}  // namespace

std::vector<Command> hostCommands(WidgetExtension extension) {
  using namespace Declared;
  const Option anyWidget = Declared::widget(extension.widgets, false);
  const Option oneWidget = Declared::widget(extension.widgets, true);
  auto host = std::make_shared<Host>(std::move(extension));
  auto wrap = [host](int (Host::*method)(const Arguments&, CommandIO&) const) {
    return [host, method](const Arguments& args, CommandIO& io) {
      return ((*host).*method)(args, io);
    };
  };
  const std::vector<Option> drawing = {source, snapshot, scale, appearance, mode};
  auto with = [&](std::vector<Option> first, std::vector<Option> last = {}) {
    first.insert(first.end(), drawing.begin(), drawing.end());
    first.insert(first.end(), last.begin(), last.end());
    return first;
  };
  return {
      {"render", "", "Draws widgets to files and prints each path.",
       with({anyWidget}, {format, out}), wrap(&Host::render)},
      {"tree", "", "The laid-out widget as JSON, frames in points.", with({oneWidget}),
       wrap(&Host::tree)},
      {"tap",
       "",
       "The URL a tap at X,Y (points from the top-left corner) opens.",
       with({oneWidget, at}),
       wrap(&Host::tap),
       Foundation::ClockPace::stopped,
       {{ExitStatus::failure, "no link and no widget URL at that point"}}},
      {"gallery",
       "",
       "Every widget in light and dark, scales 1 and 2, full colour and accented, with index.html.",
       {out, snapshot},
       wrap(&Host::gallery)},
      {"symbols",
       "",
       "Every symbol name an image may use, one a line with the icon it draws; any other name "
       "draws the neutral fallback icon.",
       {},
       [](const Arguments&, CommandIO& io) {
         for (const auto& symbol : ViewToolkit::knownSymbols())
           io.out << symbol.name << '\t' << symbol.icon << '\n';
         return ExitStatus::success;
       }},
  };
}

}  // namespace WidgetHost
