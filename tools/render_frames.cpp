// Draws frames of the figure through the program's own window, key handlers and
// drawing code, and writes each one as a binary PPM file.
//
//   render_frames keyframes walk|run DIR
//       one frame at sub-step 0 of each keyframe of the gait (walk 6, run 4),
//       trees off, forward motion off, the camera two presses of Up closer:
//       the figure is seen side-on. Files DIR/keyframe-K.ppm.
//   render_frames cycle DIR
//       the start frame, then one frame after each of the 36 steps of a walk
//       cycle, F1, and one after each of the 20 steps of a run cycle. The tail
//       wags two timer ticks per step and the camera keeps level with the
//       figure. Files DIR/frame-NNN.ppm.
//
// Every state change goes through the program's handlers (onKey, onSpecialKey)
// or its state operations (tailTick, orientCamera); every picture is what
// renderFrame leaves in the back buffer just before its buffer swap.
#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/scene_state.h"
#include "camera/camera.h"
#include "gait/gait.h"
#include "input/input.h"
#include "scene/scene.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 360;

// Where the next swapped frame goes; empty: frames are not kept.
std::string capturePath;
int written = 0;

void writeBackBuffer(const std::string& path)
{
    std::vector<unsigned char> rgb(static_cast<size_t>(kWidth) * kHeight * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());

    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::fprintf(out, "P6\n%d %d\n255\n", kWidth, kHeight);
    // OpenGL's rows run bottom-up, PPM's top-down.
    for (int row = kHeight - 1; row >= 0; --row)
        std::fwrite(&rgb[static_cast<size_t>(row) * kWidth * 3], 1, kWidth * 3, out);
    if (std::fclose(out) != 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
    ++written;
}

// Draws one frame with the program's renderFrame and keeps it at path.
void keepFrame(const std::string& path)
{
    capturePath = path;
    renderFrame();
    capturePath.clear();
}

void pressKey(unsigned char key)
{
    onKey(key, 0, 0);
}

void pressFunctionKey(int key)
{
    onSpecialKey(key, 0, 0);
}

// Presses 'b' until the gait reaches its next keyframe.
void stepToNextKeyframe()
{
    const int frame = scene.gaitFrame;
    while (scene.gaitFrame == frame)
        pressKey('b');
}

void keyframes(bool walk, const std::string& dir)
{
    pressFunctionKey(GLUT_KEY_F8);  // trees off
    pressFunctionKey(GLUT_KEY_F11); // forward motion off: the figure stays in view
    if (!walk)
        pressFunctionKey(GLUT_KEY_F1);
    pressFunctionKey(GLUT_KEY_UP);
    pressFunctionKey(GLUT_KEY_UP);
    const int count = walk ? 6 : 4;
    for (int k = 0; k < count; ++k) {
        keepFrame(dir + "/keyframe-" + std::to_string(k) + ".ppm");
        stepToNextKeyframe();
    }
}

// The eye keeps its distance and height and moves along x with the figure.
void followFigure()
{
    scene.cameraX = scene.figureX;
    orientCamera(scene.cameraAngle);
}

void cycle(const std::string& dir)
{
    int n = 0;
    const auto keep = [&] {
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%03d.ppm", n++);
        followFigure();
        keepFrame(dir + name);
    };
    keep();
    for (int gait = 0; gait < 2; ++gait) {
        const int steps = scene.walkGait ? 36 : 20;
        for (int s = 0; s < steps; ++s) {
            tailTick();
            tailTick();
            pressKey('b');
            keep();
        }
        if (gait == 0)
            pressFunctionKey(GLUT_KEY_F1);
    }
}

int usage(const char* name)
{
    std::fprintf(stderr, "usage: %s keyframes walk|run DIR\n       %s cycle DIR\n", name, name);
    return 2;
}

} // namespace

extern "C" {
void __real_glutSwapBuffers();
void __wrap_glutSwapBuffers()
{
    if (!capturePath.empty())
        writeBackBuffer(capturePath);
    __real_glutSwapBuffers();
}
}

int main(int argc, char** argv)
{
    const bool keyframeMode = argc == 4 && std::strcmp(argv[1], "keyframes") == 0 &&
                              (std::strcmp(argv[2], "walk") == 0 || std::strcmp(argv[2], "run") == 0);
    const bool cycleMode = argc == 3 && std::strcmp(argv[1], "cycle") == 0;
    if (!keyframeMode && !cycleMode)
        return usage(argv[0]);

    // The program's own start-up; without a display glutInit stops the process.
    int glutArgc = 1;
    setUpWindow(&glutArgc, argv);
    initGaitTables();
    onReshape(kWidth, kHeight);

    if (keyframeMode)
        keyframes(std::strcmp(argv[2], "walk") == 0, argv[3]);
    else
        cycle(argv[2]);

    if (glGetError() != GL_NO_ERROR) {
        std::fputs("render_frames: OpenGL reported an error\n", stderr);
        return 1;
    }
    std::printf("%d frames\n", written);
    return 0;
}
