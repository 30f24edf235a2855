// The one error of drawing and encoding: Cairo could not draw a document, or an image could not
// be encoded. Its message names the library and the reason ("cairo: out of memory").
#pragma once

#include <stdexcept>

namespace ViewToolkit {

class RenderError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace ViewToolkit
