// Keyframe edits as the browser page's links write them, for the tools that
// draw or print the program's poses.
#pragma once

// Sets the stored angles that text lists, in the link's grammar (the page's,
// web/page/grammar.js; both pass tests/edit_cases.txt): edits joined by "_",
// each a gait ("w" walk, "r" run) and a stored keyframe, ".", a leg's
// initials ("hr" hind right, "fl" front left, ...), ".", a joint's name, then
// the angle in degrees with at most one decimal ("w2.hr.lower-50_r1.fl.paw20.5");
// "" is none. False at the first edit it cannot read or the tables refuse,
// the edits before it made.
bool applyEdits(const char* text);
