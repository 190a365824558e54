// One whole cycle of the page, with sound, for bench/sync: the page in Chromium or in Firefox
// ESR on the display and PulseAudio server in the environment (DISPLAY, PULSE_SERVER), its
// report (every present's time, the score's moments) written as JSON once the cycle is over.
//   node sync.mjs chromium|firefox OUT.json [HASH]
import { writeFileSync } from 'node:fs';

import { launch, launchFirefox, open, serveSite } from './browser.mjs';

const [which, out, hash = '#autoplay'] = process.argv.slice(2);
// The cycle lasts 236 s on the virtual clock; a page that keeps its pace is done well before.
// SYNC_SECONDS ends the run sooner.
const LIMIT_MS = 1000 * Number(process.env.SYNC_SECONDS || 300);

const site = await serveSite();
const browser = which === 'firefox'
  ? await launchFirefox({ env: process.env }, { autoplay: true })
  : await launch(['--autoplay-policy=no-user-gesture-required'], { sound: true });
let report = null;
try {
  const page = await open(browser, site.url + hash);
  const started = Date.now();
  // Over when the next cycle's countdown shows.
  const over = () => page.evaluate(() => window.veltronaquis.marks.filter((m) => m.moment === 'countdown').length >= 2
    || window.veltronaquis.exitStatus !== null);
  while (Date.now() - started < LIMIT_MS && !(await over())) {
    await new Promise((resolve) => setTimeout(resolve, 1000));
  }
  report = await page.evaluate(() => {
    const { presents, renderer, marks, presentTimes, exitStatus } = window.veltronaquis;
    return { presents, renderer, marks, presentTimes, exitStatus, userAgent: navigator.userAgent };
  });
  report.seconds = (Date.now() - started) / 1000;
} finally {
  await browser.close();
  site.stop();
}
writeFileSync(out, JSON.stringify(report));
console.log(`${which}: ${report.presents} presents in ${report.seconds.toFixed(1)} s, ${report.renderer} renderer`);
