#include "tools/frame_capture.h"

#include "app/toolkit.h"

#include <cstddef>

std::function<void()> beforeSwap;
int swapCount = 0;

std::vector<unsigned char> readBackBuffer(int x, int y, int width, int height)
{
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}

// Every glutSwapBuffers of the linked program lands here first.
extern "C" {
void __real_glutSwapBuffers();
void __wrap_glutSwapBuffers()
{
    ++swapCount;
    if (beforeSwap)
        beforeSwap();
    __real_glutSwapBuffers();
}
}
