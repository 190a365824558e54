// The page around the demo: checks what the browser offers, downloads the module and its data
// with progress (or says how to serve the page, opened from disk), starts the demo on a click or
// key (at once with #autoplay), halts it after the N-th present with #frame=N, and shows an end
// screen with a way to play again when it exits. Where the browser's WebGL is Mesa's software
// rasteriser, the demo draws with SDL's own software renderer, which keeps the pace better there
// (#renderer=software or #renderer=webgl chooses).
// window.veltronaquis reports the run: presents so far, exit status, Web Audio state, the
// renderer, the score's moments with the time of the present that showed each, and how long
// each present's yield to the browser took.
'use strict';

(() => {
  const WASM_FILE = 'veltronaquis.wasm';
  const DATA_FILE = 'veltronaquis.data';
  const MB = 1000 * 1000;
  // Chromium gives a page opened from disk (file:) no right to fetch the files beside it
  // (Firefox does).
  const FROM_DISK = 'This page was opened from disk, and this browser does not let it load the '
    + 'demo\'s files from there. Serve this folder with a web server (python3 -m http.server in '
    + 'it, or web/serve in the source tree) and open its address, such as http://localhost:8000/.';

  const stage = document.getElementById('stage');
  const overlay = document.getElementById('overlay');
  const status = document.getElementById('status');
  const progress = document.getElementById('progress');
  const endScreen = document.getElementById('end');
  const endText = document.getElementById('end-text');
  const again = document.getElementById('again');

  // "#autoplay", "#frame=N", "#renderer=software" or "#renderer=webgl", joined by "&".
  function readOptions(hash) {
    const options = { autoplay: false, haltAfter: 0, renderer: null };
    for (const part of hash.replace(/^#/, '').split('&')) {
      const [key, value] = part.split('=');
      if (key === 'autoplay' && value === undefined) {
        options.autoplay = true;
      } else if (key === 'frame' && /^[1-9][0-9]*$/.test(value || '')) {
        options.haltAfter = Number(value);
      } else if (key === 'renderer' && (value === 'software' || value === 'webgl')) {
        options.renderer = value;
      }
    }
    return options;
  }

  const options = readOptions(location.hash);
  // The module instance of the current run; each run gets a fresh one.
  let demo = null;
  let files = null;

  const report = {
    presents: 0,
    exitStatus: null,
    renderer: null,
    // { moment, scoreMs, present, time }: time in ms since 1970, as performance.timeOrigin +
    // performance.now() gives it.
    marks: [],
    // When each present was made, on the same clock.
    presentTimes: [],
    // How long the browser kept the demo at each present's yield, in ms.
    yields: [],
    // SDL keeps its Web Audio context on the module while the audio device is open.
    get audioState() {
      const context = demo && demo.SDL2 && demo.SDL2.audioContext;
      return context ? context.state : 'none';
    },
  };
  window.veltronaquis = report;

  function say(text) {
    status.textContent = text;
    progress.hidden = true;
  }

  // What the browser's WebGL runs on, where it says; '' where it does not.
  let webglRenderer = '';

  function missingFeature() {
    if (typeof WebAssembly !== 'object') {
      return 'WebAssembly';
    }
    const gl = document.createElement('canvas').getContext('webgl');
    if (!gl) {
      return 'WebGL';
    }
    const info = gl.getExtension('WEBGL_debug_renderer_info');
    webglRenderer = String(info ? gl.getParameter(info.UNMASKED_RENDERER_WEBGL) : gl.getParameter(gl.RENDERER));
    const lose = gl.getExtension('WEBGL_lose_context');
    if (lose) {
      lose.loseContext();
    }
    return null;
  }

  // Where the browser's WebGL is Mesa's software rasteriser (Firefox here), SDL's own software
  // renderer keeps the pace at least as well with one of two cores taken by something else, and
  // its frames equal the desktop's. Chromium's SwiftShader keeps it better than SDL's renderer
  // does there (100% of the pace against 86 to 90%), as it draws on threads of its own.
  function softwareRenderer() {
    if (options.renderer) {
      return options.renderer === 'software';
    }
    return /llvmpipe|softpipe/i.test(webglRenderer);
  }

  // Fetches every file at once, showing the bytes received against the sizes the server gave.
  async function download(names) {
    const responses = await Promise.all(names.map(async (name) => {
      const response = await fetch(name);
      if (!response.ok) {
        throw new Error(`${name}: ${response.status} ${response.statusText}`);
      }
      return response;
    }));
    const total = responses.reduce((sum, r) => sum + Number(r.headers.get('Content-Length') || 0), 0);
    let loaded = 0;
    const show = () => {
      const of = total >= loaded ? ` of ${(total / MB).toFixed(1)}` : '';
      status.textContent = `Loading the demo: ${(loaded / MB).toFixed(1)}${of} MB`;
      if (total >= loaded) {
        progress.value = total > 0 ? loaded / total : 0;
      }
    };
    return Promise.all(responses.map(async (response) => {
      const reader = response.body.getReader();
      const chunks = [];
      for (;;) {
        const { done, value } = await reader.read();
        if (done) {
          break;
        }
        chunks.push(value);
        loaded += value.length;
        show();
      }
      return new Blob(chunks).arrayBuffer();
    }));
  }

  function goFullScreen() {
    if (!stage.requestFullscreen) {
      return;
    }
    stage.requestFullscreen().then(() => {
      // Where the browser allows it, Escape then reaches the demo rather than only leaving
      // full screen (holding it still leaves).
      if (navigator.keyboard && navigator.keyboard.lock) {
        navigator.keyboard.lock(['Escape']).catch(() => {});
      }
    }, () => {});
  }

  function leaveFullScreen() {
    if (document.fullscreenElement) {
      document.exitFullscreen().catch(() => {});
    }
  }

  // A run's WebGL context stays with its canvas, so every run draws on a new one.
  function freshCanvas() {
    const old = document.getElementById('canvas');
    const canvas = old.cloneNode(false);
    old.replaceWith(canvas);
    // A right click ends the demo; the browser's menu should not open over the end screen.
    canvas.addEventListener('contextmenu', (event) => event.preventDefault());
    return canvas;
  }

  function finish(exitStatus) {
    report.exitStatus = exitStatus;
    leaveFullScreen();
    endText.textContent = exitStatus === 0 ? 'The demo has ended.'
      : `The demo stopped with exit status ${exitStatus}.`;
    endScreen.hidden = false;
    again.focus();
  }

  function start(byGesture) {
    overlay.hidden = true;
    endScreen.hidden = true;
    if (byGesture) {
      goFullScreen();
    }
    report.presents = 0;
    report.exitStatus = null;
    report.renderer = softwareRenderer() ? 'software' : 'webgl';
    report.marks = [];
    report.presentTimes = [];
    report.yields = [];
    demo = {
      canvas: freshCanvas(),
      wasmBinary: files.wasm,
      getPreloadedPackage: () => files.data,
      softwareRenderer: report.renderer === 'software',
      // Called by the module for each moment of the score the present just made shows.
      onMark: (moment, scoreMs) => {
        report.marks.push({ moment, scoreMs, present: report.presents + 1,
          time: performance.timeOrigin + performance.now() });
      },
      // Called by the module after every present; true halts the demo there.
      onPresent: () => {
        report.presents += 1;
        report.presentTimes.push(performance.timeOrigin + performance.now());
        return report.presents === options.haltAfter;
      },
      onYield: (ms) => { report.yields.push(ms); },
      onDemoExit: finish,
      onAbort: (what) => {
        leaveFullScreen();
        endText.textContent = `The demo stopped on an error: ${what}`;
        endScreen.hidden = false;
      },
    };
    createVeltronaquis(demo);
  }

  // The start gesture lets the browser play sound; it comes before the demo reads any input,
  // so it never counts as a quit. Escape is no gesture to a browser, so it does not start.
  function waitForGesture() {
    status.textContent = 'click or press a key to start';
    overlay.classList.add('ready');
    const go = (event) => {
      if (event.type === 'keydown' && (event.key === 'Escape' || event.repeat)) {
        return;
      }
      event.preventDefault();
      overlay.removeEventListener('click', go);
      window.removeEventListener('keydown', go);
      start(true);
    };
    overlay.addEventListener('click', go);
    window.addEventListener('keydown', go);
  }

  again.addEventListener('click', () => start(true));

  const missing = missingFeature();
  if (missing) {
    say(`This demo needs ${missing}, which this browser does not offer or has turned off.`);
    return;
  }
  if (typeof createVeltronaquis !== 'function') {
    say('The demo could not be downloaded (veltronaquis.js).');
    return;
  }
  download([WASM_FILE, DATA_FILE]).then(([wasm, data]) => {
    files = { wasm, data };
    progress.hidden = true;
    if (options.autoplay) {
      start(false);
    } else {
      waitForGesture();
    }
  }, (error) => say(location.protocol === 'file:' ? FROM_DISK
    : `The demo could not be downloaded (${error.message}).`));
})();
