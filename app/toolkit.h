// The windowing toolkit (GLUT), with OpenGL and GLU: the one header through
// which the program reaches them, the same for the desktop and the browser.
#pragma once

#include <GL/glut.h>
