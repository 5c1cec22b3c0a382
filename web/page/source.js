// The keyframe tables for the reader: which stored table a pose now marks,
// and the tables as the program's own source. Plain functions (no DOM),
// checked by node's test runner.
import { angleText } from './grammar.js';
import { capital } from './model.js';

// The marks of the gait's stored keyframe tables (its first half-cycle) while
// the pose blends keyframe now into keyframe next: per table its caption and
// mark ("now", "next" or ""). A keyframe of the second half marks the table
// it replays, with the legs of each pair swapped.
export function keyframeMarks(now, next, stored) {
  return Array.from({ length: stored }, (_, table) => {
    const marks = [[now, 'now'], [next, 'next']].filter(([keyframe]) => keyframe % stored === table)
      .map(([keyframe, mark]) => [mark, keyframe < stored ? mark : `${mark} as keyframe ${keyframe}, the legs of each pair swapped`]);
    return { caption: [`Keyframe ${table}`, ...marks.map(([, words]) => words)].join(' · '), mark: marks.map(([mark]) => mark).join(' ') };
  });
}

// The tables as the program's source: the lines of gait/tables.cpp from
// "// clang-format off" to "// clang-format on", byte for byte in its layout
// (each column as wide as its widest number), from { walk, run }, each a
// gait's stored keyframes of [leg][joint] angles (null: not drawn, written 0).
export function tablesSource(tables, { gaits, joints }) {
  const arrays = gaits.map(({ name, stored }) => {
    const rows = tables[name].flatMap((legs, keyframe) =>
      legs.map((angles, leg) => [keyframe, leg, ...angles].map((angle) => angleText(angle ?? 0))));
    const widths = rows[0].map((_, column) => Math.max(...rows.map((row) => row[column].length)));
    const half = stored === 2 ? 'keyframes 0 and 1' : `keyframes 0 to ${stored - 1}`;
    return [`// ${capital(name)} gait, first half-cycle (${half}).`, `constexpr LegPose k${capital(name)}HalfCycle[] = {`,
      `    /* keyframe, leg, ${joints.join(', ')} */`,
      ...rows.map((row) => `    {${row.map((text, column) => text.padStart(widths[column])).join(', ')}},`), '};'].join('\n');
  });
  return `// clang-format off\n${arrays.join('\n\n')}\n// clang-format on\n`;
}
