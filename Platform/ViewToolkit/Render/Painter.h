// The painter behind drawDisplayList (Renderer.h).
#pragma once

#include "Platform/ViewToolkit/DisplayList.h"
#include "Platform/ViewToolkit/Scene.h"
#include "Platform/ViewToolkit/TextSystem.h"

namespace ViewToolkit::Render {

void paint(cairo_t* cr, const DisplayList& list, const DrawSettings& settings,
           const TextSystem& text);

}  // namespace ViewToolkit::Render
