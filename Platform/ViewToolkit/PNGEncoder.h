// A lossless PNG encoder for Cairo's image surfaces, tuned for widget images: large flat areas,
// anti-aliased edges and text. Rows are unpremultiplied into 8-bit RGBA, given the Sub filter
// (flat runs become zeros) and deflated at a fast level, streaming one row at a time so no second
// copy of the image is held. Compared with Cairo's own writer (libpng's default level with adaptive
// filtering) it is several times faster for files of a similar size.
#pragma once

#include <cstdint>
#include <string>

namespace ViewToolkit {

struct PNGOptions {
  int compressionLevel = 1;  // zlib's 0 (stored) to 9; 1 is 2-3x faster than 6 for a third more bytes
};

// `pixels` are Cairo ARGB32 (premultiplied, native-endian 32-bit words), `stride` bytes a row.
// Throws RenderError when zlib fails or the size does not fit PNG's limits.
std::string encodePNG(const unsigned char* pixels, int width, int height, int stride,
                      PNGOptions options = {});

}  // namespace ViewToolkit
