// The solid shapes the program takes from GLU and the toolkit, as meshes with
// the very primitives, vertices, order and normals that GLU 9.0 and freeglut
// 3.4 send to OpenGL, so the browser's picture matches the desktop's. Empty
// for arguments that make those libraries draw nothing. GLU sends vertex by
// vertex, the toolkit from arrays (Mesh::leavesNormal).
#pragma once

#include "web/gl/mesh.h"

// gluCylinder of a default quadric: quad strips along +z from base (z 0) to top (z height).
ffp::Mesh quadricCylinder(double base, double top, double height, int slices, int stacks);

// glutSolidSphere about the origin: triangle strips from the +z pole to the -z pole.
ffp::Mesh solidSphere(double radius, int slices, int stacks);

// glutSolidCone: base disc at z 0 facing -z, then triangle strips up to the apex at z height.
ffp::Mesh solidCone(double base, double height, int slices, int stacks);

// glutSolidCube: axis-aligned cube of edge size about the origin, two triangles per face.
ffp::Mesh solidCube(double size);
