// The solid shapes the program takes from GLU and the toolkit, drawn through
// OpenGL immediate mode with the very vertices, order and normals that GLU 9.0
// and freeglut 3.4 send, so the browser's picture matches the desktop's.
#pragma once

// gluCylinder of a default quadric: quad strips along +z from base (z 0) to top (z height).
void drawQuadricCylinder(double base, double top, double height, int slices, int stacks);

// glutSolidSphere about the origin: triangle strips from the +z pole to the -z pole.
void drawSolidSphere(double radius, int slices, int stacks);

// glutSolidCone: base disc at z 0 facing -z, then triangle strips up to the apex at z height.
void drawSolidCone(double base, double height, int slices, int stacks);

// glutSolidCube: axis-aligned cube of edge size about the origin, two triangles per face.
void drawSolidCube(double size);
