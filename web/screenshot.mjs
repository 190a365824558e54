// The page in headless Chromium, for the README: the start overlay, and the demo halted at
// present 1000 in a window of another shape than 16:9. Run after web/test (which installs and
// builds what this needs):
//   node web/screenshot.mjs [OUTPUT_DIR]
import { mkdirSync } from 'node:fs';
import { fileURLToPath } from 'node:url';

import { launch, open, presentsReach, serveSite } from './browser.mjs';

const outDir = process.argv[2] || fileURLToPath(new URL('../docs/browser', import.meta.url));
const SIZE = { width: 1120, height: 500 };
const HALT_AT = 1000;

mkdirSync(outDir, { recursive: true });
const site = await serveSite();
const browser = await launch(['--autoplay-policy=no-user-gesture-required']);
try {
  const start = await open(browser, site.url, SIZE);
  await start.waitForSelector('#overlay.ready');
  await start.screenshot({ path: `${outDir}/start.png` });
  const playing = await open(browser, `${site.url}#autoplay&frame=${HALT_AT}`, SIZE);
  await presentsReach(playing, HALT_AT, 120000);
  await playing.screenshot({ path: `${outDir}/playing.png` });
  console.log(`${outDir}/start.png, ${outDir}/playing.png`);
} finally {
  await browser.close();
  site.stop();
}
