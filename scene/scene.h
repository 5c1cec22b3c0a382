// Whole frames and the tree model.
#pragma once

// Draws one whole frame relative to the camera's view and swaps the buffers.
void renderFrame();

// Draws one tree (trunk and crown) standing on the current origin along +y.
// Leaves the current matrix changed: callers enclose it in a push and pop.
void drawTree();
