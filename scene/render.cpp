#include "app/toolkit.h"

#include "app/scene_state.h"
#include "figure/figure.h"
#include "scene/scene.h"

namespace {

// Light 0, a point (w = 1) far overhead so that the whole grid is lit from
// above; the material's specular is the light's diffuse white.
constexpr GLfloat kLightAmbient[4] = {1.0f, 1.0f, 1.0f, 1.0f};
constexpr GLfloat kLightDiffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
constexpr GLfloat kLightSpecular[4] = {0.2f, 0.3f, 0.3f, 1.0f};
constexpr GLfloat kLightPosition[4] = {300.0f, 2000.0f, -20.0f, 1.0f};
constexpr GLint kShininess = 50;

constexpr float kGroundY = 0.1f;
constexpr float kGroundHalfSize = 100.0f;
constexpr float kGroundColour[3] = {0.05f, 0.25f, 0.05f}; // dark green

// The tree grid runs over -4..3 in x and z, one tree every 10 units.
constexpr int kFirstTree = -4;
constexpr int kLastTree = 3;
constexpr double kTreeSpacing = 10.0;

constexpr float kFigureHeight = 0.945f; // body centre above the trees' base

// Light 0 and the material, set again in every frame. The position goes in
// while the modelview holds the view, so the light stays put in the world.
void setUpLighting()
{
    // Fresh copies each frame: OpenGL never sees the constants themselves.
    GLfloat ambient[4], specular[4], diffuse[4], position[4];
    for (int i = 0; i < 4; ++i) {
        ambient[i] = kLightAmbient[i];
        specular[i] = kLightSpecular[i];
        diffuse[i] = kLightDiffuse[i];
        position[i] = kLightPosition[i];
    }

    if (scene.lightingEnabled)
        glEnable(GL_LIGHTING);
    else
        glDisable(GL_LIGHTING);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, diffuse);
    glMateriali(GL_FRONT_AND_BACK, GL_SHININESS, kShininess);
}

// The 200 x 200 ground quad at y 0.1, wound counter-clockwise from above.
void drawGround()
{
    glPushMatrix();
    glColor3fv(kGroundColour);
    glBegin(GL_QUADS);
    // Its own upward normal, so its shading never depends on the last primitive.
    glNormal3f(0.0f, 1.0f, 0.0f);
    glVertex3f(-kGroundHalfSize, kGroundY, -kGroundHalfSize);
    glVertex3f(-kGroundHalfSize, kGroundY, kGroundHalfSize);
    glVertex3f(kGroundHalfSize, kGroundY, kGroundHalfSize);
    glVertex3f(kGroundHalfSize, kGroundY, -kGroundHalfSize);
    glEnd();
    glPopMatrix();
}

// 64 trees on the grid, each in its own push and pop since drawTree moves the matrix.
void drawTreeGrid()
{
    for (int i = kFirstTree; i <= kLastTree; ++i) {
        for (int j = kFirstTree; j <= kLastTree; ++j) {
            glPushMatrix();
            glTranslatef(static_cast<float>(i * kTreeSpacing), 0.0f,
                         static_cast<float>(j * kTreeSpacing));
            drawTree();
            glPopMatrix();
        }
    }
}

} // namespace

void renderFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    setUpLighting();
    drawGround();
    if (scene.treesVisible)
        drawTreeGrid();

    glPushMatrix();
    glTranslatef(scene.figureX, kFigureHeight, scene.figureZ);
    glRotatef(scene.heading, 0.0f, 1.0f, 0.0f);
    drawFigure();
    glPopMatrix();

    glutSwapBuffers();
}
