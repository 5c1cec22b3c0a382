// quadruped: a four-legged figure that walks and runs among trees.
#include "app/toolkit.h"

#include "app/app.h"
#include "gait/gait.h"

int main(int argc, char** argv)
{
    setUpWindow(&argc, argv);
    registerHandlers();
    initGaitTables();
    glutMainLoop();
    return 0;
}
