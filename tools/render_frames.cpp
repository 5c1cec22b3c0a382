// Draws frames of the figure through the program's own window, key handlers and
// drawing code, and writes each one as a binary PPM file.
//
//   render_frames keyframes walk|run DIR
//       one frame at sub-step 0 of each keyframe of the gait's whole cycle,
//       trees off, forward motion off, the camera two presses of Up closer:
//       the figure is seen side-on. Files DIR/keyframe-K.ppm.
//   render_frames cycle DIR
//       the start frame, then one frame after each step of a walk cycle
//       (print_model walk steps), F1, and one after each step of a run cycle. The tail
//       wags two timer ticks per step and the camera keeps level with the
//       figure. Files DIR/frame-NNN.ppm.
//   render_frames state OUT.ppm [NAME=VALUE ...]
//       one frame of the scene state given field by field, with the names the
//       browser page's quadrupedState() uses (app/scene_fields.h; gait=walk|run,
//       and all but the aspect, which follows from the window); fields not
//       given keep their start values. key=NAME presses a key there, named as
//       the README's Keys table names it (b, ",", F1, Left, ...), in its turn
//       among the fields, and edit=EDITS changes the keyframe tables, written
//       as the browser page's links write them (tools/edits.h). The browser
//       test holds the page's frames against these, the Windows test the
//       program's under Wine.
//   render_frames time COUNT [NAME=VALUE ...]
//       draws COUNT frames of that state, reads one pixel back so that all of
//       them are finished, and prints the wall time per frame (median of 5
//       runs after 20 frames of warm-up), as the browser's frame is timed.
//
// Every state change goes through the program's handlers (onKey, onSpecialKey)
// or its state operations (tailTick, orientCamera); every picture is what
// renderFrame leaves in the back buffer just before its buffer swap.
#include "app/toolkit.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/scene_fields.h"
#include "app/scene_state.h"
#include "camera/camera.h"
#include "gait/gait.h"
#include "input/input.h"
#include "scene/scene.h"
#include "tools/edits.h"
#include "tools/frame_capture.h"

namespace {

// Every frame is drawn in the program's window at its start size.
constexpr int kWidth = kStartWidth;
constexpr int kHeight = kStartHeight;

int written = 0;

void writeBackBuffer(const std::string& path)
{
    const std::vector<unsigned char> rgb = readBackBuffer(0, 0, kWidth, kHeight);
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
    beforeSwap = [&path] { writeBackBuffer(path); };
    renderFrame();
    beforeSwap = nullptr;
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
    const int count = (walk ? kWalkGait : kRunGait).cycleKeyframes;
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
        const int steps = cycleSteps(currentGait());
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

// Parses the whole of text as a number of type T; false when anything is left over.
bool parseNumber(const char* text, float& out)
{
    char* end = nullptr;
    out = std::strtof(text, &end);
    return end != text && *end == '\0';
}

bool parseNumber(const char* text, int& out)
{
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    out = static_cast<int>(value);
    return end != text && *end == '\0' && value == out;
}

// Sets the scene field that NAME=VALUE names; false for an unknown name or a bad value.
bool setField(const char* assignment)
{
    const char* equals = std::strchr(assignment, '=');
    if (equals == nullptr)
        return false;
    const std::string name(assignment, equals);
    const char* value = equals + 1;
    for (const SceneField& field : kSceneFields) {
        if (name != field.name || !field.settable)
            continue;
        if (field.real != nullptr)
            return parseNumber(value, scene.*field.real);
        if (field.words[0] == nullptr)
            return parseNumber(value, scene.*field.integer);
        for (int word = 0; word < 2; ++word) {
            if (std::strcmp(value, field.words[word]) == 0) {
                scene.*field.integer = word;
                return true;
            }
        }
        return false;
    }
    return false;
}

// Presses the key that name names: one character, F1 to F12 or an arrow's name.
bool pressNamedKey(const std::string& name)
{
    static const struct {
        const char* name;
        int key;
    } kArrows[] = {{"Left", GLUT_KEY_LEFT},
                   {"Up", GLUT_KEY_UP},
                   {"Right", GLUT_KEY_RIGHT},
                   {"Down", GLUT_KEY_DOWN}};
    constexpr int kFunctionKeys = 12;
    int number = 0;
    if (name.size() == 1) {
        pressKey(static_cast<unsigned char>(name[0]));
        return true;
    }
    if (name[0] == 'F' && parseNumber(name.c_str() + 1, number) && number >= 1 &&
        number <= kFunctionKeys) {
        pressFunctionKey(GLUT_KEY_F1 + number - 1);
        return true;
    }
    for (const auto& arrow : kArrows) {
        if (name == arrow.name) {
            pressFunctionKey(arrow.key);
            return true;
        }
    }
    return false;
}

// Sets every field given, presses every key=NAME, makes every edit=EDITS, and
// reloads the view for the camera the state describes.
bool setState(int count, char** assignments)
{
    const std::string keyPrefix = "key=";
    const std::string editPrefix = "edit=";
    for (int i = 0; i < count; ++i) {
        const std::string assignment = assignments[i];
        const bool pressed = assignment.compare(0, keyPrefix.size(), keyPrefix) == 0 &&
                             pressNamedKey(assignment.substr(keyPrefix.size()));
        const bool edited = assignment.compare(0, editPrefix.size(), editPrefix) == 0 &&
                            applyEdits(assignments[i] + editPrefix.size());
        if (!pressed && !edited && !setField(assignments[i])) {
            std::fprintf(stderr, "render_frames: not a scene field: %s\n", assignments[i]);
            return false;
        }
    }
    orientCamera(scene.cameraAngle);
    return true;
}

// Wall time of one frame: count frames and a one-pixel read-back that waits
// for them all, the median of five runs.
void timeFrames(int count)
{
    unsigned char pixel[4];
    const auto finish = [&] { glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel); };
    for (int i = 0; i < 20; ++i)
        renderFrame();
    finish();
    std::vector<double> perFrame;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < count; ++i)
            renderFrame();
        finish();
        const std::chrono::duration<double, std::milli> spent =
            std::chrono::steady_clock::now() - start;
        perFrame.push_back(spent.count() / count);
    }
    std::sort(perFrame.begin(), perFrame.end());
    std::printf("%d frames of %d x %d: %.3f ms per frame (median of 5; runs %.3f to %.3f)\n", count,
                kWidth, kHeight, perFrame[2], perFrame.front(), perFrame.back());
}

int usage(const char* name)
{
    std::fprintf(stderr,
                 "usage: %s keyframes walk|run DIR\n       %s cycle DIR\n"
                 "       %s state OUT.ppm [NAME=VALUE ...]\n"
                 "       %s time COUNT [NAME=VALUE ...]\n",
                 name, name, name, name);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    const bool keyframeMode =
        argc == 4 && std::strcmp(argv[1], "keyframes") == 0 &&
        (std::strcmp(argv[2], kWalkGait.name) == 0 || std::strcmp(argv[2], kRunGait.name) == 0);
    const bool cycleMode = argc == 3 && std::strcmp(argv[1], "cycle") == 0;
    const bool stateMode = argc >= 3 && std::strcmp(argv[1], "state") == 0;
    int timedFrames = 0;
    const bool timeMode = argc >= 3 && std::strcmp(argv[1], "time") == 0 &&
                          parseNumber(argv[2], timedFrames) && timedFrames > 0;
    if (!keyframeMode && !cycleMode && !stateMode && !timeMode)
        return usage(argv[0]);

    // The program's own start-up; without a display glutInit stops the process.
    int glutArgc = 1;
    setUpWindow(&glutArgc, argv);
    initGaitTables();
    onReshape(kWidth, kHeight);

    if (keyframeMode) {
        keyframes(std::strcmp(argv[2], kWalkGait.name) == 0, argv[3]);
    } else if (cycleMode) {
        cycle(argv[2]);
    } else {
        if (!setState(argc - 3, argv + 3))
            return 2;
        if (stateMode)
            keepFrame(argv[2]);
        else
            timeFrames(timedFrames);
    }

    if (glGetError() != GL_NO_ERROR) {
        std::fputs("render_frames: OpenGL reported an error\n", stderr);
        return 1;
    }
    if (!timeMode)
        std::printf("%d frames\n", written);
    return 0;
}
