#include "app/app.h"

#include "app/toolkit.h"

#include <cfenv>
#include <cstdio>
#include <cstdlib>

#include "app/scene_state.h"
#include "camera/camera.h"
#include "gait/gait.h"
#include "input/input.h"
#include "scene/scene.h"
#include "window_title.h" // kWindowTitle: the title in Latin-1, made from QUADRUPED_TITLE

namespace {

constexpr unsigned kDisplayMode = GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH;
constexpr int kWindowX = 100;
constexpr int kWindowY = 100;
constexpr unsigned kFirstTailTickMs = 100;

} // namespace

void requireQuadric(const GLUquadric* quadric)
{
    if (quadric == nullptr) {
        std::fputs("quadruped: cannot create the GLU quadric (out of memory)\n", stderr);
        std::exit(EXIT_FAILURE);
    }
}

void setUpWindow(int* argc, char** argv)
{
    // A null quadric would crash in the first frame; stop before any window.
    requireQuadric(scene.quadric);

    // Hold (and so mask) every floating-point exception; nothing may trap.
    std::fenv_t untrapped;
    std::feholdexcept(&untrapped);

    glutInit(argc, argv);
    glutInitDisplayMode(kDisplayMode);
    // Set after glutInit so they win over any -geometry on the command line.
    glutInitWindowPosition(kWindowX, kWindowY);
    glutInitWindowSize(kStartWidth, kStartHeight);
    glutCreateWindow(kWindowTitle);
    enableDepthTest();
}

void enableDepthTest()
{
    glEnable(GL_DEPTH_TEST);
}

void registerHandlers()
{
    glutKeyboardFunc(onKey);
    glutSpecialFunc(onSpecialKey);
    glutDisplayFunc(renderFrame);
    glutReshapeFunc(onReshape);
    glutTimerFunc(kFirstTailTickMs, onTailTimer, 0);
}
