// Frames as the program leaves them in the back buffer. The toolkit's buffer
// swap is wrapped at link time (linking frame_capture does it), so that a
// frame can be read just before it is shown.
#pragma once

#include <functional>
#include <vector>

// Runs just before each buffer swap, while the frame is in the back buffer.
extern std::function<void()> beforeSwap;
// Buffer swaps since the process started.
extern int swapCount;

// RGB bytes of a rectangle of the back buffer, rows bottom-up, no padding.
std::vector<unsigned char> readBackBuffer(int x, int y, int width, int height);
