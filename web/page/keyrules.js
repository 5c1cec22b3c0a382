// The keys' rules: which of the program's keys a key event gives it (as
// Emscripten's GLUT reads the event), which keys a link records, which keys
// the page keeps for itself, and when the player gives its next key. Plain
// functions over plain data (no DOM), checked by node's test runner.

// Keys that end the program or change its window: no link holds them, and
// their buttons act on a click, never on a hold.
export const kOneShot = new Set(['Escape', 'F5', 'F6']);

// keyCode -> the special key (GLUT_KEY_* number) Emscripten's GLUT makes of it.
const kSpecialKeys = new Map([
  ...Array.from({ length: 12 }, (_, i) => [112 + i, 1 + i]), // F1 to F12
  [37, 100], [38, 101], [39, 102], [40, 103], // the arrows: left, up, right, down
  [33, 104], [34, 105], [36, 106], [35, 107], [45, 108], // page up, page down, home, end, insert
  [8, 120], [46, 111], [16, 112], [5, 112], [6, 113], [17, 114], [3, 114], [4, 115], [18, 116], [2, 116], [1, 117],
]);
// keyCode -> the characters GLUT makes of a punctuation key, without and with Shift.
const kPunctuation = new Map([[186, ';:'], [187, '=+'], [188, ',<'], [189, '-_'], [190, '.>'], [191, '/?'],
  [219, '[{'], [220, '/|'], [221, ']}'], [222, '\'"']]);
const kKeypadDigits = 96; // keyCodes 96 to 105 are the keypad's 0 to 9
const kKeypadSigns = 106; // 106 to 111: the keypad's * + , - . /, the characters 42 to 47

// The character code GLUT hands the program for a key without Ctrl, Alt or Meta, or null.
function characterOf(keyCode, shift) {
  if (keyCode >= 48 && keyCode <= 57) return keyCode;
  if (keyCode >= 65 && keyCode <= 90) return shift ? keyCode : keyCode + 32;
  if (keyCode >= kKeypadDigits && keyCode < kKeypadDigits + 10) return keyCode - kKeypadDigits + 48;
  if (keyCode >= kKeypadSigns && keyCode < kKeypadSigns + 6) return keyCode - kKeypadSigns + 42;
  if ([9, 13, 27, 32, 61].includes(keyCode)) return keyCode; // Tab, Enter, Escape, space, =
  const pair = kPunctuation.get(keyCode);
  return pair ? pair.charCodeAt(shift ? 1 : 0) : null;
}

// What Emscripten's GLUT hands the program for a keydown: "special N" (its
// special-key callback), "character N" (its keyboard callback), or null.
export function toolkitKey({ keyCode, shiftKey = false, ctrlKey = false, altKey = false, metaKey = false }) {
  if (kSpecialKeys.has(keyCode)) return `special ${kSpecialKeys.get(keyCode)}`;
  const character = ctrlKey || altKey || metaKey ? null : characterOf(keyCode, shiftKey);
  return character === null ? null : `character ${character}`;
}

// keys.json's keys by name, and by what the toolkit hands the program for each.
export function keyTable(keysJson) {
  const byName = new Map();
  const byToolkitKey = new Map();
  for (const button of keysJson.keys.flatMap((row) => row.buttons)) {
    byName.set(button.name, button);
    byToolkitKey.set(toolkitKey(button), button.name);
  }
  return { byName, byToolkitKey };
}

// The name of the program's key that a keydown gives it, or null where the
// program only redraws or hears nothing. The keypad's "." is ".", as GLUT has it.
export const keyName = (table, event) => table.byToolkitKey.get(toolkitKey(event)) ?? null;

// Whether a link records a key the program received: every key it acts on,
// but never one that ends it or changes its window.
export const recorded = (name) => name !== null && !kOneShot.has(name);

// Keys that stay with the page, so that the keyboard reaches every control:
// Tab, and the keys a focused button or slider works with, and every key typed
// into a field (control is "button", "slider", "field" or null). The program
// would only redraw on them, or act on what was meant for the field.
export function pageKeeps(key, control) {
  if (key === 'Tab' || control === 'field') return true;
  if (control === 'button') return key === 'Enter' || key === ' ';
  return control === 'slider' && /^(Arrow|Home|End|Page)/.test(key);
}

// The editor's undo ("undo") and redo ("redo") keys, or null: Ctrl+Z and
// Ctrl+Shift+Z, Cmd in place of Ctrl on a Mac (mac). The page keeps them.
export function undoKey({ key, ctrlKey = false, metaKey = false, shiftKey = false, altKey = false }, mac = false) {
  if ((mac ? metaKey : ctrlKey) === false || altKey || key.toLowerCase() !== 'z') return null;
  return shiftKey ? 'redo' : 'undo';
}

// The player: b at a rate of steps a second, which may change while it plays.

// When the next step falls (ms): one period of the rate now after the last
// step, or now if that has passed already.
export const nextStepAt = (lastStep, rate, now) => Math.max(lastStep + 1000 / rate, now);
