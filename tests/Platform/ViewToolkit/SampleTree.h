// A tree the size and shape of the large widget (header with pills, a grid of four gauge tiles,
// a list of three rows with badges, on a gradient background), built only from the toolkit's
// public API. Tests and the benchmark draw it; it also shows that such views can be written.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Platform/ViewToolkit/Text.h"
#include "Platform/ViewToolkit/View.h"

namespace SampleTree {

using namespace ViewToolkit;

inline constexpr Color kBrand{Color::RGBColorSpace::sRGB, 0.36, 0.34, 0.98, 1.0};

struct Gauge {
  std::optional<double> fraction;
  Color tint;
  std::string symbol;
  double size = 38;
  double lineWidth = 4;

  View body() const {
    View gauge;
    if (!fraction) {
      gauge = Circle().fill(tint.opacity(0.15));
    } else {
      double t = std::min(*fraction, 1.0);
      if (!(t >= 0.02)) t = 0.02;
      gauge = ZStack({
          Circle().stroke(tint.opacity(0.18), lineWidth),
          Circle()
              .trim(0, t)
              .stroke(gradient(tint),
                      StrokeStyle{.lineWidth = lineWidth, .lineCap = LineCap::round})
              .rotationEffect(Angle::degrees(-90))
              .widgetAccentable(),
      });
    }
    return ZStack({
                      gauge,
                      Image::systemName(symbol)
                          .font(Font::system(size * 0.36, Font::Weight::semibold))
                          .foregroundStyle(tint),
                  })
        .frame({.width = size, .height = size});
  }
};

struct Pill {
  std::string text;
  Color color;
  std::optional<std::string> symbol;

  View body() const {
    const bool neutral = color == Color::secondary;
    View mark = symbol ? Image::systemName(*symbol).font(Font::system(8, Font::Weight::bold))
                       : Circle().fill(color).frame({.width = 5, .height = 5});
    return HStack(VerticalAlignment::center, 4, {mark, Text::verbatim(text)})
        .font(Font::caption2.weight(Font::Weight::semibold))
        .foregroundStyle(neutral ? ShapeStyle::secondary : ShapeStyle(color))
        .padding(EdgeSet::horizontal, 7)
        .padding(EdgeSet::vertical, 3)
        .background(neutral ? Color::primary.opacity(0.06) : color.opacity(0.14),
                    Capsule(RoundedCornerStyle::continuous));
  }
};

struct Tile {
  std::string title, value, caption;
  Gauge ring;
  std::string link;

  View body() const {
    return Link(
        link,
        HStack(VerticalAlignment::center, 8,
               {ring,
                VStack(HorizontalAlignment::leading, 0,
                       {Text::verbatim(title)
                            .font(Font::system(8.5, Font::Weight::semibold))
                            .tracking(0.5)
                            .foregroundStyle(ShapeStyle::secondary),
                        Text::verbatim(value)
                            .font(Font::system(Font::TextStyle::subheadline, Font::Design::rounded)
                                      .weight(Font::Weight::bold))
                            .lineLimit(1)
                            .minimumScaleFactor(0.75),
                        Text::verbatim(caption)
                            .font(Font::caption2)
                            .foregroundStyle(ShapeStyle::secondary)
                            .lineLimit(1)
                            .minimumScaleFactor(0.85)}),
                Spacer(0)})
            .padding(EdgeSet::horizontal, 8)
            .padding(EdgeSet::vertical, 7)
            .frame(FlexibleFrame{.maxWidth = Length::infinity(), .alignment = Alignment::leading})
            .background(ShapeStyle::primary.opacity(0.05),
                        RoundedRectangle(11, RoundedCornerStyle::continuous)));
  }
};

struct Row {
  std::string id, title, detail, symbol, link;
  Color tint;
  int severity;  // 0 info, 1 warning, 2 critical

  View body() const {
    std::vector<View> icon{RoundedRectangle(6)
                               .fill(tint.opacity(0.16))
                               .frame({.width = 24, .height = 24})
                               .overlay(Image::systemName(symbol)
                                            .font(Font::system(11, Font::Weight::semibold))
                                            .foregroundStyle(tint))};
    if (severity > 0) {
      icon.push_back(Circle()
                         .fill(severity == 2 ? Color::red : Color::orange)
                         .frame({.width = 7, .height = 7})
                         .overlay(Circle().strokeBorder(Color::windowBackground, 1.5))
                         .offset(2, -2));
    }
    std::vector<View> texts{
        Text::verbatim(title).font(Font::caption.weight(Font::Weight::semibold)).lineLimit(1)};
    if (!detail.empty()) {
      texts.push_back(Text::verbatim(detail)
                          .font(Font::caption2)
                          .foregroundStyle(ShapeStyle::secondary)
                          .lineLimit(1));
    }
    return Link(link, HStack(VerticalAlignment::center, 9,
                             {ZStack(Alignment::topTrailing, icon),
                              VStack(HorizontalAlignment::leading, 0, texts), Spacer(0)}));
  }
};

struct Background {
  View body() const {
    return ZStack(
        {Color::windowBackground, LinearGradient{Gradient{kBrand.opacity(0.09), Color::clear},
                                                 UnitPoint::topLeading, UnitPoint::center}});
  }
};

inline View largeWidget() {
  std::vector<Row> rows{
      {"1", "Swap is growing", "3.2 GB swapped in the last hour", "memorychip.fill",
       "kestrun://open/memory", Color::orange, 1},
      {"2", "Disk almost full", "12 GB free of 500 GB", "internaldrive.fill",
       "kestrun://open/sweep", Color::red, 2},
      {"3", "Docker is idle", "", "shippingbox.fill", "kestrun://open/ports", Color::teal, 0},
  };
  std::vector<View> section{HStack(VerticalAlignment::firstTextBaseline,
                                   {Text::verbatim("NEEDS YOU · +2 MORE")
                                        .font(Font::system(9.5, Font::Weight::semibold))
                                        .tracking(0.6)
                                        .foregroundStyle(ShapeStyle::secondary),
                                    Spacer(),
                                    Text::verbatim("Updated 5 min. ago")
                                        .font(Font::system(9.5, Font::Weight::medium))
                                        .foregroundStyle(ShapeStyle::tertiary)
                                        .lineLimit(1)})};
  section.push_back(ForEach(
      rows, [](const Row& r) { return r.id; }, [](const Row& r) { return View(r); }));
  return VStack(
             HorizontalAlignment::leading, 10,
             {HStack(VerticalAlignment::center, 6,
                     {Image::systemName("flag.pattern.checkered")
                          .font(Font::system(13, Font::Weight::bold))
                          .foregroundStyle(kBrand)
                          .widgetAccentable(),
                      Text("Kestrun").font(Font::headline), Spacer(),
                      Pill{"1 urgent", Color::red, std::nullopt},
                      Pill{"2 to check", Color::orange, std::nullopt}}),
              Grid(Alignment::center, 6, 6,
                   {GridRow({Tile{"MEMORY", "High pressure", "12.4 GB of 16 GB",
                                  Gauge{0.78, Color::orange, "memorychip.fill", 28, 3.5},
                                  "kestrun://open/memory"},
                             Tile{"DISK", "12 GB free", "4.2 GB to clear",
                                  Gauge{0.97, Color::red, "internaldrive.fill", 28, 3.5},
                                  "kestrun://open/sweep"}}),
                    GridRow({Tile{"WI-FI", "4 ms", "Office · 5 GHz",
                                  Gauge{0.9, Color::green, "wifi", 28, 3.5}, "kestrun://open/wifi"},
                             Tile{"DEV SERVERS", "3 running", "Ports, sims, Docker",
                                  Gauge{std::nullopt, Color::teal, "bolt.horizontal.fill", 28, 3.5},
                                  "kestrun://open/ports"}})}),
              VStack(HorizontalAlignment::leading, 6, section), Spacer(0)})
      .widgetURL("kestrun://open/home")
      .padding(EdgeInsets{18, 16, 14, 16})
      .frame(FlexibleFrame{.maxHeight = Length::infinity(), .alignment = Alignment::top})
      .containerBackground(Background{});
}

}  // namespace SampleTree
