// Shared by the browser tests and the page's screenshots: the built site served on 127.0.0.1
// by web/serve, and Debian's headless Chromium driven by puppeteer-core.
import { spawn } from 'node:child_process';
import { fileURLToPath } from 'node:url';

import puppeteer from 'puppeteer-core';

// Software WebGL (SwiftShader), and no calls home on a closed network.
const CHROMIUM_ARGS = [
  '--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--no-first-run',
];

// Starts web/serve on a free port; resolves to the site's address and a way to stop it.
export function serveSite() {
  const server = spawn(fileURLToPath(new URL('serve', import.meta.url)), ['0'],
    { stdio: ['ignore', 'pipe', 'pipe'] });
  let output = '';
  return new Promise((resolve, reject) => {
    // Python's server names the port it took: "Serving HTTP on 127.0.0.1 port 41234 ...".
    server.stdout.on('data', (chunk) => {
      output += chunk;
      const port = / port (\d+) /.exec(output);
      if (port) {
        resolve({ url: `http://127.0.0.1:${port[1]}/`, stop: () => server.kill() });
      }
    });
    server.stderr.on('data', (chunk) => { output += chunk; });
    server.on('exit', (code) => reject(new Error(`web/serve exited with ${code}:\n${output}`)));
  });
}

export const siteDir = fileURLToPath(new URL('../build-web/site/', import.meta.url));

export function launch(extraArgs = []) {
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: [...CHROMIUM_ARGS, ...extraArgs],
  });
}

// A new tab at `url`, its viewport `width` x `height` or that of an emulated `device` (one of
// puppeteer's KnownDevices); `prepare` runs before the page's scripts.
export async function open(browser, url, { width = 1280, height = 720, device = null, prepare = null } = {}) {
  const page = await browser.newPage();
  await (device ? page.emulate(device) : page.setViewport({ width, height }));
  if (prepare) {
    await page.evaluateOnNewDocument(prepare);
  }
  await page.goto(url);
  return page;
}

export const presentsReach = (page, n, timeout = 60000) =>
  page.waitForFunction((n) => window.veltronaquis.presents >= n, { timeout, polling: 50 }, n);
