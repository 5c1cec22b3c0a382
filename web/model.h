// The program's facts that the page and the tests read instead of copying
// them: the legs, their joints, the gaits and the angle limit.
#pragma once

#include "web/json.h"

// Writes the model as one JSON object into json:
//   "legs":   per leg, {"name", "code" (its initials, as a link writes it),
//             "partner" (the leg whose row it takes in the second
//             half-cycle), "joints" (per joint, whether its chain has it)};
//   "joints": the joints' names, from the body down;
//   "gaits":  per gait, in the page's numbering (0 walk, 1 run), {"name",
//             "letter" (as a link writes it), "cycle" (keyframes in a whole
//             cycle), "stored" (those its table holds), "increment"
//             (tenths of a keyframe per step), "steps" (gait steps in a cycle)};
//   "mostDegrees": the most a stored angle turns either way.
void writeModel(Json& json);
