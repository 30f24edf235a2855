#include "Platform/ViewToolkit/PNGEncoder.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "Platform/ViewToolkit/RenderError.h"

namespace ViewToolkit {
namespace {

void appendBigEndian(std::string& out, std::uint32_t v) {
  const char bytes[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
  out.append(bytes, 4);
}

// Appends a chunk whose data is already at out[start + 8 ...]; fills in length and CRC.
void closeChunk(std::string& out, std::size_t start) {
  const std::size_t length = out.size() - start - 8;
  const auto* type = reinterpret_cast<const Bytef*>(out.data() + start + 4);
  const std::uint32_t crc = static_cast<std::uint32_t>(crc32(crc32(0, nullptr, 0), type,
                                                             static_cast<uInt>(length + 4)));
  for (int i = 0; i < 4; ++i) out[start + i] = char(std::uint32_t(length) >> (24 - 8 * i));
  appendBigEndian(out, crc);
}

std::size_t openChunk(std::string& out, const char type[4]) {
  const std::size_t start = out.size();
  out.append(4, '\0');
  out.append(type, 4);
  return start;
}

// unpremultiply[a][c] = round(c * 255 / a): one table lookup a channel.
const std::array<std::array<unsigned char, 256>, 256>& unpremultiplyTable() {
  static const auto table = [] {
    std::array<std::array<unsigned char, 256>, 256> t{};
    for (unsigned a = 1; a < 256; ++a)
      for (unsigned c = 0; c < 256; ++c) t[a][c] = static_cast<unsigned char>(std::min(255u, (c * 255 + a / 2) / a));
    return t;
  }();
  return table;
}

}  // namespace

std::string encodePNG(const unsigned char* pixels, int width, int height, int stride,
                      PNGOptions options) {
  if (width <= 0 || height <= 0 || width > (1 << 24) || height > (1 << 24) || stride < width * 4)
    throw RenderError("png: image size out of range");
  const auto& table = unpremultiplyTable();
  std::string out("\x89PNG\r\n\x1a\n", 8);

  std::size_t ihdr = openChunk(out, "IHDR");
  appendBigEndian(out, std::uint32_t(width));
  appendBigEndian(out, std::uint32_t(height));
  out.append("\x08\x06\x00\x00\x00", 5);  // 8-bit RGBA, deflate, adaptive filters, no interlace
  closeChunk(out, ihdr);

  z_stream z{};
  if (deflateInit2(&z, options.compressionLevel, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw RenderError("png: deflate could not start");
  const std::size_t rowBytes = std::size_t(width) * 4 + 1;
  std::vector<unsigned char> row(rowBytes), filtered(rowBytes);
  std::vector<unsigned char> buffer(64 * 1024);
  std::size_t idat = openChunk(out, "IDAT");
  auto drain = [&](int flush) {
    int status;
    do {
      z.next_out = buffer.data();
      z.avail_out = static_cast<uInt>(buffer.size());
      status = deflate(&z, flush);
      if (status == Z_STREAM_ERROR) {
        deflateEnd(&z);
        throw RenderError("png: deflate failed");
      }
      out.append(reinterpret_cast<const char*>(buffer.data()), buffer.size() - z.avail_out);
    } while (z.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
  };
  for (int y = 0; y < height; ++y) {
    const auto* src = reinterpret_cast<const std::uint32_t*>(pixels + std::size_t(y) * std::size_t(stride));
    unsigned char* dst = row.data() + 1;
    for (int x = 0; x < width; ++x, dst += 4) {
      const std::uint32_t p = src[x];
      const unsigned a = p >> 24;
      if (a == 255) {
        dst[0] = static_cast<unsigned char>(p >> 16);
        dst[1] = static_cast<unsigned char>(p >> 8);
        dst[2] = static_cast<unsigned char>(p);
      } else {
        dst[0] = table[a][(p >> 16) & 0xff];
        dst[1] = table[a][(p >> 8) & 0xff];
        dst[2] = table[a][p & 0xff];
      }
      dst[3] = static_cast<unsigned char>(a);
    }
    // Sub: each byte less the byte of the pixel to its left.
    filtered[0] = 1;
    std::memcpy(filtered.data() + 1, row.data() + 1, 4);
    for (std::size_t i = 5; i < rowBytes; ++i)
      filtered[i] = static_cast<unsigned char>(row[i] - row[i - 4]);
    z.next_in = filtered.data();
    z.avail_in = static_cast<uInt>(rowBytes);
    drain(Z_NO_FLUSH);
  }
  drain(Z_FINISH);
  deflateEnd(&z);
  closeChunk(out, idat);

  closeChunk(out, openChunk(out, "IEND"));
  return out;
}

}  // namespace ViewToolkit
