// The program's facts as the page uses them, from the JSON of
// quadrupedModel() (web/model.h): the legs, their joints, the gaits and the
// angle limit, with the names and codes made from them. A cell of the tables
// is { gait (0 walk, 1 run), keyframe (of the gait's stored half), leg, joint },
// numbered as the program numbers them. Plain data and functions (no DOM).

// The model of the program's facts, from quadrupedModel()'s JSON text or object.
export function makeModel(json) {
  const { legs, joints, gaits, mostDegrees } = typeof json === 'string' ? JSON.parse(json) : json;
  return {
    legs, joints, gaits, mostDegrees,
    // Whether a leg's chain has the joint (the front legs have no upper one).
    hasJoint: (leg, joint) => legs[leg].joints[joint],
    // "w2.hr.lower": a cell as a link writes it.
    cellCode: ({ gait, keyframe, leg, joint }) => `${gaits[gait].letter}${keyframe}.${legs[leg].code}.${joints[joint]}`,
    // "walk keyframe 2, hind right, lower": the words that name a cell.
    cellName: ({ gait, keyframe, leg, joint }) => `${gaits[gait].name} keyframe ${keyframe}, ${legs[leg].name}, ${joints[joint]}`,
    // Every cell of the stored tables, gait by gait, keyframe, leg, joint.
    cells: () => gaits.flatMap(({ stored }, gait) => Array.from({ length: stored }, (_, keyframe) => legs.flatMap((_, leg) =>
      joints.map((_, joint) => ({ gait, keyframe, leg, joint })).filter((at) => legs[leg].joints[at.joint])))).flat(),
  };
}

// A name with its first letter in capitals: "Walk".
export const capital = (name) => name[0].toUpperCase() + name.slice(1);
