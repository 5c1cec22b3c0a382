// What the web tests and bench/web_measure.mjs share: the page folder served
// on 127.0.0.1, Debian's headless Chromium driven through puppeteer-core, and
// random links.
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { extname, join } from 'node:path';
import puppeteer from 'puppeteer-core';

// .wasm as what WebAssembly.instantiateStreaming asks for.
const types = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8', '.json': 'application/json', '.wasm': 'application/wasm' };

// Serves dir at a free port; resolves to { url, close }.
export async function serve(dir) {
  const server = createServer((request, response) => {
    // The URL parser has already taken out any "..".
    const path = new URL(request.url, 'http://x').pathname.replace(/\/$/, '/index.html');
    readFile(join(dir, path)).then(
      (body) => response.writeHead(200, { 'Content-Type': types[extname(path)] }).end(body),
      () => response.writeHead(404).end(),
    );
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return { url: `http://127.0.0.1:${server.address().port}/`, close: () => server.close() };
}

// WebGL drawn by SwiftShader, the CPU renderer, so that the pictures do not
// depend on a GPU; nothing reaches out to the network. args: more switches.
export const launch = (args = []) =>
  puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium-headless-shell',
    headless: 'shell',
    args: ['--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-sandbox',
           '--disable-background-networking', '--disable-component-update', '--no-first-run', ...args],
  });

// A seeded random source (QUADRUPED_SEED, or the time): random(n) is a whole
// number from 0 to n - 1, the same run for the same seed (mulberry32).
export function seeded(seed = Number(process.env.QUADRUPED_SEED ?? Date.now() % 1e9)) {
  let state = seed;
  const random = (n) => {
    state = (state + 0x6d2b79f5) | 0;
    let t = Math.imul(state ^ (state >>> 15), 1 | state);
    t ^= t + Math.imul(t ^ (t >>> 7), 61 | t);
    return ((t ^ (t >>> 14)) >>> 0) % n;
  };
  return { seed, random };
}

// length keys of names in runs of one key, mostly short, some long.
export function randomKeys(random, names, length) {
  const keys = [];
  while (keys.length < length) {
    const name = names.filter((other) => other !== keys.at(-1))[random(names.length - 1)];
    keys.push(...Array(Math.min(length - keys.length, 1 + random(random(4) ? 3 : 300))).fill(name));
  }
  return keys;
}

// keys as a link's fragment, as the page writes it: "keys=" and runs of one
// key joined by "_", each a count (left out for 1) and the key's name.
export function linkText(keys) {
  const tokens = [];
  for (let start = 0, end = 0; start < keys.length; start = end) {
    while (keys[end] === keys[start]) end++;
    tokens.push(`${end - start > 1 ? end - start : ''}${keys[start]}`);
  }
  return `keys=${tokens.join('_')}`;
}
