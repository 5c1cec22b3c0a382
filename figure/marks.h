// Where each part of the figure starts being drawn, for the browser page's
// picking: markPart(part) says that what is drawn from now on belongs to part
// (app/legs.h numbers the parts), until the next mark. In the browser build
// web/picking.cpp hands it to the GL layer; on the desktop and Windows it is
// empty and compiles to nothing, so their GL calls are those of a figure that
// names nothing.
#pragma once

#ifdef __EMSCRIPTEN__
void markPart(int part);
#else
inline void markPart(int) {}
#endif
