// Shared by the browser tests and the page's screenshots: the built site served on 127.0.0.1
// by web/serve, Debian's headless Chromium, and Debian's Firefox ESR in a window on a private
// Xvfb display with a private PulseAudio server, all driven by puppeteer-core.
import { spawn } from 'node:child_process';
import { existsSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
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

// `sound`: the page's sound goes to the PulseAudio server in the environment instead of
// being muted, as puppeteer otherwise has it.
export function launch(extraArgs = [], { sound = false } = {}) {
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: [...CHROMIUM_ARGS, ...extraArgs],
    ...(sound ? { ignoreDefaultArgs: ['--mute-audio'] } : {}),
  });
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Headless Firefox offers no WebGL without a GPU, and its Web Audio context stays suspended
// without a sound device: it runs in a window on an Xvfb display of its own, with a PulseAudio
// server of its own whose only device is a null sink. Resolves to the environment Firefox
// needs and a way to stop both.
export async function startDesktop() {
  const dir = mkdtempSync(join(tmpdir(), 'veltronaquis-desktop-'));
  const children = [];
  const stop = () => {
    children.forEach((child) => child.kill());
    rmSync(dir, { recursive: true, force: true });
  };
  process.on('exit', stop);
  try {
    // Xvfb picks a free display number and writes it to fd 3.
    const xvfb = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1920x1080x24', '-nolisten', 'tcp'],
      { stdio: ['ignore', 'ignore', 'pipe', 'pipe'] });
    children.push(xvfb);
    let log = '';
    xvfb.stderr.on('data', (chunk) => { log += chunk; });
    const display = await new Promise((resolve, reject) => {
      let number = '';
      xvfb.stdio[3].on('data', (chunk) => {
        number += chunk;
        if (number.endsWith('\n')) {
          resolve(`:${number.trim()}`);
        }
      });
      xvfb.on('exit', (code) => reject(new Error(`Xvfb exited with ${code}:\n${log}`)));
    });
    // A server for this run only (-n: no default modules), found by its socket.
    const socket = join(dir, 'native');
    const pulse = spawn('pulseaudio', ['-n', '--daemonize=no', '--exit-idle-time=-1', '--use-pid-file=no',
      '-L', `module-native-protocol-unix auth-anonymous=1 socket=${socket}`, '-L', 'module-null-sink'],
    { stdio: 'ignore', env: { ...process.env, HOME: dir, XDG_RUNTIME_DIR: dir } });
    children.push(pulse);
    for (let tries = 0; !existsSync(socket); tries++) {
      if (tries === 100 || pulse.exitCode !== null) {
        throw new Error('PulseAudio did not start');
      }
      await sleep(100);
    }
    return { env: { ...process.env, DISPLAY: display, PULSE_SERVER: `unix:${socket}` }, stop };
  } catch (error) {
    stop();
    throw error;
  }
}

// Firefox in a window on `desktop`; `autoplay` lets pages play sound without a gesture.
export function launchFirefox(desktop, { autoplay = false } = {}) {
  return puppeteer.launch({
    browser: 'firefox',
    executablePath: process.env.FIREFOX || '/usr/bin/firefox-esr',
    headless: false,
    env: desktop.env,
    extraPrefsFirefox: autoplay ? { 'media.autoplay.default': 0, 'media.autoplay.block-webaudio': false } : {},
  });
}

// A new window at `url`, its viewport `width` x `height` or that of an emulated `device` (one of
// puppeteer's KnownDevices); `prepare` runs before the page's scripts. A window each: Firefox's
// picture of a tab behind another is not the one the demo drew last.
export async function open(browser, url, { width = 1280, height = 720, device = null, prepare = null } = {}) {
  const page = await browser.newPage({ type: 'window' });
  await (device ? page.emulate(device) : page.setViewport({ width, height }));
  if (prepare) {
    await page.evaluateOnNewDocument(prepare);
  }
  await page.goto(url);
  return page;
}

export const presentsReach = (page, n, timeout = 60000) =>
  page.waitForFunction((n) => window.veltronaquis.presents >= n, { timeout, polling: 50 }, n);
