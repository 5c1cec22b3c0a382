// What the browser test and bench/web_measure.mjs share: the page folder served
// on 127.0.0.1, and Debian's headless Chromium driven through puppeteer-core.
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
// depend on a GPU; nothing reaches out to the network.
export const launch = () =>
  puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium-headless-shell',
    headless: 'shell',
    args: ['--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-sandbox',
           '--disable-background-networking', '--disable-component-update', '--no-first-run'],
  });
