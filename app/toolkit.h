// The windowing toolkit (GLUT), whose header brings OpenGL's and GLU's with it:
// the one header through which the program and its tools reach all three, the
// same for the desktop and the browser.
#pragma once

#include <GL/glut.h>
