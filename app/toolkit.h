// The windowing toolkit (GLUT), with OpenGL and GLU: the one header through
// which the program reaches them, the same for the desktop and the browser.
#pragma once

#include <GL/glut.h>

// How finely the program cuts its round shapes, in slices around their axis
// and stacks along it: the spheres (body ends and joints), the tubes (body,
// leg and tail segments, tree trunks and crowns) and the paw cones.
constexpr int kSphereSlices = 8;
constexpr int kSphereStacks = 8;
constexpr int kTubeSlices = 15;
constexpr int kTubeStacks = 2;
constexpr int kPawSlices = 8;
constexpr int kPawStacks = 6;
