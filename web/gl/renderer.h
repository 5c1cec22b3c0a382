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
// Tints triangles (clip-space corners, three a triangle) with red, green,
// blue and alpha, blended over what is drawn and only where they are the
// front-most: drawn again at the very depths they were drawn at.
void tint(const std::vector<ffp::Vec4>& corners, const float rgba[4]);
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
