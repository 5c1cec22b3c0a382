// Program start-up: the window, its one fixed GL setting and the handlers.
#pragma once

struct GLUquadric;

// The window's size at start-up, which F6 gives back.
constexpr int kStartWidth = 640;
constexpr int kStartHeight = 360;

// Stops the process with a message on stderr when the quadric is missing.
void requireQuadric(const GLUquadric* quadric);

// Masks floating-point traps, initialises the toolkit with the command line and
// opens the window at its start size at (100, 100) with the depth test enabled.
void setUpWindow(int* argc, char** argv);

// Switches on the depth test; needs a current context.
void enableDepthTest();

// Registers the key, display and reshape handlers and arms the tail timer.
void registerHandlers();
