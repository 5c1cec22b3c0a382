// Keyboard commands; every key but Escape draws one frame at once.
#pragma once

// Character keys: Escape quits, ',' and '.' turn the figure, 'b' steps the gait.
void onKey(unsigned char key, int x, int y);

// Function and arrow keys: gait, full screen, start size, switches, camera.
void onSpecialKey(int key, int x, int y);
