// What the tests may ask of the Mesa host, beyond the layer's host services.
#pragma once

namespace host {

// What frameSkipped() answers from now on.
void setFrameSkipped(bool skipped);
// Loses the context, or gives it back as a browser does: with WebGL's
// default state (Mesa's depth test off), the layer told to remake its objects.
void setContextLost(bool lost);
// How many frames the layer has said were drawn (frameDrawn calls).
int framesDrawn();

} // namespace host
