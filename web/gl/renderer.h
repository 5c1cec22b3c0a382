// The WebGL renderer: it rasterises the pipeline's batches with a shader that
// passes their clip coordinates and colours through, and keeps the WebGL
// state the layer owns (the depth test and the viewport). Nothing reaches
// WebGL while the context is lost or the frame is skipped; that state is
// handed over again as soon as WebGL can take it.
#pragma once

#include <cstdint>
#include <vector>

#include "web/gl/pipeline.h"

namespace renderer {

// Draws one batch of indexed triangles.
void draw(const std::vector<ffp::Vertex>& vertices, const std::vector<std::uint16_t>& indices);
void depthTest(bool on);
void viewport(int x, int y, int width, int height);
void clear(unsigned mask);
// At a frame's first clear: whether the host skips this frame, asked once
// and kept until endFrame().
bool startFrame();
// At the buffer swap: the host hears of the frame unless it was skipped or
// the context is lost.
void endFrame();

} // namespace renderer
