// What the browser test and the measuring script share: a static server for
// the page folder on 127.0.0.1, Debian's headless Chromium driven through
// puppeteer-core, and reading the canvas inside the program's frame.
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { extname, join, normalize, sep } from 'node:path';
import puppeteer from 'puppeteer-core';

const chromiumPath = process.env.CHROMIUM || '/usr/bin/chromium-headless-shell';

const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm', // what WebAssembly.instantiateStreaming asks for
  '.png': 'image/png',
};

// Serves dir on 127.0.0.1 at a free port; resolves to { url, close }.
export async function serve(dir) {
  const root = normalize(dir + sep);
  const server = createServer(async (request, response) => {
    const path = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    const file = normalize(join(root, path.endsWith('/') ? path + 'index.html' : path));
    if (!file.startsWith(root) || (request.method !== 'GET' && request.method !== 'HEAD')) {
      response.writeHead(404).end();
      return;
    }
    try {
      const body = await readFile(file);
      response.writeHead(200, {
        'Content-Type': types[extname(file)] || 'application/octet-stream',
        'Content-Length': body.length,
        'Cache-Control': 'no-store',
      });
      response.end(request.method === 'HEAD' ? undefined : body);
    } catch {
      response.writeHead(404).end();
    }
  });
  await new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(0, '127.0.0.1', resolve);
  });
  return {
    url: `http://127.0.0.1:${server.address().port}/`,
    close: () => new Promise((resolve) => server.close(resolve)),
  };
}

// Headless Chromium with WebGL drawn by SwiftShader, the CPU renderer, so the
// pictures do not depend on a GPU; nothing reaches out to the network.
export function launch() {
  return puppeteer.launch({
    executablePath: chromiumPath,
    headless: 'shell',
    args: [
      '--use-angle=swiftshader',
      '--enable-unsafe-swiftshader',
      '--no-sandbox',
      '--disable-background-networking',
      '--disable-component-update',
      '--no-first-run',
    ],
  });
}

// Runs in the page: the canvas's pixels (RGBA, rows bottom-up) as base64 and
// the program's state, read while a frame is still in the drawing buffer.
function readFrameInPage() {
  const gl = Module.ctx;
  const width = gl.drawingBufferWidth;
  const height = gl.drawingBufferHeight;
  const pixels = new Uint8Array(width * height * 4);
  const bound = gl.getParameter(gl.FRAMEBUFFER_BINDING);
  gl.bindFramebuffer(gl.FRAMEBUFFER, null);
  gl.readPixels(0, 0, width, height, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
  gl.bindFramebuffer(gl.FRAMEBUFFER, bound);
  let binary = '';
  for (let i = 0; i < pixels.length; i += 0x8000)
    binary += String.fromCharCode.apply(null, pixels.subarray(i, i + 0x8000));
  return {
    width,
    height,
    pixels: btoa(binary),
    state: JSON.parse(Module.UTF8ToString(Module._quadrupedState())),
  };
}

// Installs, before the page's own scripts run, readQuadrupedFrame() and a
// promise of the first frame the program draws (firstQuadrupedFrame).
export function watchFrames(page) {
  return page.evaluateOnNewDocument(`
    window.readQuadrupedFrame = ${readFrameInPage};
    window.firstQuadrupedFrame = new Promise((resolve) => {
      window.addEventListener('frame', () => resolve(readQuadrupedFrame()),
                              { capture: true, once: true });
    });`);
}

// Resolves with the next frame the program draws whose state meets condition
// (a JavaScript expression of `state`), or with null if none does within 3 s.
export async function nextFrame(page, condition = 'true') {
  const frame = await page.evaluate(
    (condition) =>
      new Promise((resolve) => {
        const wanted = new Function('state', `return (${condition});`);
        const done = (frame) => {
          Module.canvas.removeEventListener('frame', listener);
          clearTimeout(timer);
          resolve(frame);
        };
        const listener = () => {
          if (wanted(JSON.parse(Module.UTF8ToString(Module._quadrupedState()))))
            done(readQuadrupedFrame());
        };
        const timer = setTimeout(() => done(null), 3000);
        Module.canvas.addEventListener('frame', listener);
      }),
    condition,
  );
  return frame && decodeFrame(frame);
}

// The first frame of the page now loaded, or null if none comes within 10 s.
export async function firstFrame(page) {
  const frame = await page.evaluate(() =>
    Promise.race([firstQuadrupedFrame, new Promise((resolve) => setTimeout(() => resolve(null), 10000))]),
  );
  return frame && decodeFrame(frame);
}

function decodeFrame(frame) {
  return { ...frame, pixels: Buffer.from(frame.pixels, 'base64') };
}
