// The PNG encoder, read back through an independent decoder (libpng, via Cairo's reader).
#include <cairo.h>
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <stdexcept>
#include <vector>

#include "Platform/ViewToolkit/PNGEncoder.h"
#include "Platform/ViewToolkit/PangoTextSystem.h"
#include "Platform/ViewToolkit/Renderer.h"
#include "Platform/ViewToolkit/Text.h"

namespace ViewToolkit {
namespace {

struct Decoded {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> argb;  // premultiplied, as Cairo reads it back
};

Decoded decode(const std::string& png) {
  struct Reader {
    const std::string* bytes;
    std::size_t at = 0;
  } reader{&png};
  cairo_surface_t* s = cairo_image_surface_create_from_png_stream(
      [](void* closure, unsigned char* data, unsigned int length) {
        auto* r = static_cast<Reader*>(closure);
        if (r->bytes->size() - r->at < length) return CAIRO_STATUS_READ_ERROR;
        std::memcpy(data, r->bytes->data() + r->at, length);
        r->at += length;
        return CAIRO_STATUS_SUCCESS;
      },
      &reader);
  Decoded d;
  if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
    d.width = cairo_image_surface_get_width(s);
    d.height = cairo_image_surface_get_height(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < d.height; ++y) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(s) + y * stride);
      d.argb.insert(d.argb.end(), row, row + d.width);
    }
  }
  cairo_surface_destroy(s);
  return d;
}

std::uint32_t premultiplied(unsigned a, unsigned r, unsigned g, unsigned b) {
  auto mul = [&](unsigned c) { return (c * a + 127) / 255; };
  return a << 24 | mul(r) << 16 | mul(g) << 8 | mul(b);
}

// Channel by channel, within `tolerance` (unpremultiplying and premultiplying again rounds).
void expectSamePixels(const std::vector<std::uint32_t>& want, const std::vector<std::uint32_t>& got,
                      int tolerance) {
  ASSERT_EQ(want.size(), got.size());
  for (std::size_t i = 0; i < want.size(); ++i)
    for (int shift : {24, 16, 8, 0}) {
      const int a = int(want[i] >> shift & 0xff), b = int(got[i] >> shift & 0xff);
      ASSERT_LE(std::abs(a - b), tolerance) << "pixel " << i << " channel " << shift;
    }
}

TEST(PNGEncoder, OpaqueAndTransparentPixelsRoundTripExactly) {
  const int w = 7, h = 5;
  std::vector<std::uint32_t> px(w * h);
  std::mt19937 random(1);
  for (auto& p : px) p = (random() % 3 == 0) ? 0u : (0xff000000u | (random() & 0xffffffu));
  std::string png = encodePNG(reinterpret_cast<const unsigned char*>(px.data()), w, h, w * 4);
  Decoded d = decode(png);
  ASSERT_EQ(d.width, w);
  ASSERT_EQ(d.height, h);
  EXPECT_EQ(d.argb, px);
}

TEST(PNGEncoder, TranslucentPixelsRoundTripWithinRounding) {
  const int w = 64, h = 64;
  std::vector<std::uint32_t> px;
  std::mt19937 random(2);
  for (int i = 0; i < w * h; ++i)
    px.push_back(premultiplied(i % 256, random() & 0xff, random() & 0xff, random() & 0xff));
  for (int level : {0, 1, 9}) {
    Decoded d = decode(encodePNG(reinterpret_cast<const unsigned char*>(px.data()), w, h, w * 4,
                                 {level}));
    expectSamePixels(px, d.argb, 1);
  }
}

TEST(PNGEncoder, HonoursTheStrideAndOddSizes) {
  // Rows padded to 16 bytes; the padding holds garbage that must not reach the image.
  for (auto [w, h] : {std::pair{1, 1}, {3, 1}, {1, 9}, {513, 3}}) {
    const int stride = (w * 4 + 15) / 16 * 16 + 16;
    std::vector<unsigned char> bytes(std::size_t(stride) * h, 0xab);
    std::vector<std::uint32_t> want;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const std::uint32_t p = 0xff000000u | std::uint32_t(x * 7 + y * 13) << 8;
        std::memcpy(bytes.data() + y * stride + x * 4, &p, 4);
        want.push_back(p);
      }
    Decoded d = decode(encodePNG(bytes.data(), w, h, stride));
    EXPECT_EQ(d.width, w);
    EXPECT_EQ(d.argb, want) << w << "x" << h;
  }
}

TEST(PNGEncoder, RefusesSizesPNGCannotHold) {
  unsigned char pixel[4] = {};
  EXPECT_THROW(encodePNG(pixel, 0, 1, 4), std::runtime_error);
  EXPECT_THROW(encodePNG(pixel, 1, -1, 4), std::runtime_error);
  EXPECT_THROW(encodePNG(pixel, 2, 1, 4), std::runtime_error);  // stride shorter than a row
}

TEST(PNGEncoder, ADrawnWidgetDecodesToTheSamePixels) {
  // Opaque, translucent and clear pixels, antialiased edges and text on a wash, with the corners
  // left clear.
  View widget =
      ZStack({View(RoundedRectangle(22).fill(Color::windowBackground)),
              LinearGradient{Gradient{Color::indigo.opacity(0.3), Color::clear},
                             UnitPoint::topLeading, UnitPoint::center},
              VStack(HorizontalAlignment::leading, 8,
                     {Text::verbatim("Memory 58 %").font(Font::headline),
                      HStack({Circle().stroke(Color::orange.opacity(0.18), 4),
                              Circle().trim(0, 0.7).stroke(Color::orange, 4),
                              Capsule().fill(Color::red.opacity(0.14))})
                          .frame({.height = 40}),
                      Text::verbatim("Updated 5 min. ago").foregroundStyle(ShapeStyle::tertiary)})
                  .padding(16)});
  Scene scene{{364, 382}, 2, {}};
  const PangoTextSystem& text = PangoTextSystem::shared();
  DisplayList list = DisplayList::build(layoutView(widget, scene, text));
  Bitmap drawn = rasterize(list, scene, text);
  Decoded d = decode(renderDocument(list, scene, DocumentFormat::png, text));
  EXPECT_EQ(d.width, 728);
  EXPECT_EQ(d.height, 764);
  expectSamePixels(drawn.argb, d.argb, 1);
}

}  // namespace
}  // namespace ViewToolkit
