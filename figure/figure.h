// The articulated four-legged figure.
#pragma once

// Draws the whole figure in its own frame: origin at the body centre, +x to the
// head, +y up, legs 0 and 2 on the +z side. In the run gait the body bob stays
// in the current matrix; the caller encloses the call in a push and pop.
void drawFigure();
