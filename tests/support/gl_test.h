// What the in-process tests share: one real freeglut window and Mesa context per
// test process, counters of what the program asks of the toolkit, GL probes.
#pragma once

#include <gtest/gtest.h>

#include "app/toolkit.h"

#include "tools/frame_capture.h" // beforeSwap, swapCount

// What the program asked of the toolkit since process start (the calls are
// wrapped at link time): redisplay requests, and the delay of the last timer.
extern int redisplays;
extern unsigned timerMs;

GLint glInteger(GLenum name); // one integer of GL state, e.g. GL_MODELVIEW_STACK_DEPTH

// Each test starts from the state the event loop first sees: start values,
// filled tables, a start-size reshape with the start view in the modelview.
class SceneTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Sends a key (special: a function or arrow key) times times; the handler
    // must draw exactly one frame at once and ask for no redisplay.
    static void press(bool special, int key, int times = 1);
};
