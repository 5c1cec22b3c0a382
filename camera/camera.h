// The free camera: perspective projection and a horizontal eye that turns and moves.
#pragma once

// Reshape handler: viewport, 45-degree perspective, then the view reloaded.
void onReshape(int width, int height);

// Points the view along (sin yaw, 0, -cos yaw) and reloads it; yaw in radians.
void orientCamera(float yaw);

// Moves the eye steps x 0.1 along the view direction and reloads the view.
void moveCamera(int steps);
