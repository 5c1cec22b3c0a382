// GLU's quadrics and the toolkit's solid shapes for the browser, where neither
// library has them: each call draws the shared generators' vertices.
#include <GL/glu.h>
#include <GL/glut.h>

#include <new>

#include "web/shapes.h"

// GLU's header only names the quadric. The program never changes a quadric's
// properties, so ours carries none and every shape uses GLU's defaults.
class GLUquadric {};

// A fresh quadric with GLU's defaults, or null when memory runs out (as GLU does).
GLUquadric* GLAPIENTRY gluNewQuadric(void)
{
    return new (std::nothrow) GLUquadric;
}

// Frees a quadric from gluNewQuadric; null is allowed.
void GLAPIENTRY gluDeleteQuadric(GLUquadric* quad)
{
    delete quad;
}

// Cone frustum along +z from radius base at z 0 to radius top at z height.
void GLAPIENTRY gluCylinder(GLUquadric* quad, GLdouble base, GLdouble top, GLdouble height,
                            GLint slices, GLint stacks)
{
    if (quad != nullptr)
        drawQuadricCylinder(base, top, height, slices, stacks);
}

// Sphere about the origin with its poles on the z axis.
void FGAPIENTRY glutSolidSphere(GLdouble radius, GLint slices, GLint stacks)
{
    drawSolidSphere(radius, slices, stacks);
}

// Cone with its base disc at z 0 and its apex at z height.
void FGAPIENTRY glutSolidCone(GLdouble base, GLdouble height, GLint slices, GLint stacks)
{
    drawSolidCone(base, height, slices, stacks);
}

// Axis-aligned cube of edge size about the origin.
void FGAPIENTRY glutSolidCube(GLdouble size)
{
    drawSolidCube(size);
}
