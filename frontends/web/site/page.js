'use strict';
// The page around the game: it shows what the program draws, passes keys,
// touches and menu commands in, shows the dialogs the program opens and
// carries its score to the server. It decides nothing about the game.

(function () {
  const canvas = document.getElementById('game');
  const context = canvas.getContext('2d', { alpha: false });
  const menubar = document.getElementById('menubar');
  const touch = document.getElementById('touch');
  const shade = document.getElementById('shade');
  // Where the player's settings are kept: one entry a setting, under the
  // names of the native game's settings file.
  const STORE_PREFIX = 'vilmar-pintkeeper.';
  const STORED = ['scale', 'fullscreen', 'volume', 'mute', 'speed', 'key.up', 'key.down', 'key.serve', 'key.newgame'];
  const REPLY_KEEP = 16384;
  const POST_TIMEOUT_MS = 30000;
  const SETTINGS_TIMEOUT_MS = 5000;

  let running = false;   // the program's loop runs and takes keys
  let ended = false;
  let image = null;
  let dialog = null;     // the open dialog's element
  let dialogQueue = [];  // buttons used while the program was busy
  let dialogWaiter = null;
  let audio = null;
  const decoded = new Map();
  let playing = null;
  let soundSerial = 0;
  let programBytes = null;
  // Where the program's pages and sponsor link go; empty: its own addresses.
  const settings = { servicePages: '', sponsorUrl: '' };

  function call(name, types, args) {
    if (running) Module.ccall(name, null, types, args);
  }
  // The game's keys under the player's bindings, as the program last said.
  let gameKeys = new Set(['KeyM', 'ArrowLeft', 'ArrowRight', 'ArrowUp', 'ArrowDown', 'Space', 'F1']);
  function keyDown(code) { call('vilmar_key', ['string', 'number'], [code, 1]); }
  function keyUp(code) { call('vilmar_key', ['string', 'number'], [code, 0]); }
  function buttonDown(code) { call('vilmar_button', ['string', 'number'], [code, 1]); }
  function buttonUp(code) { call('vilmar_button', ['string', 'number'], [code, 0]); }

  function menuOpen() { return menubar.querySelector('.popup.open') !== null; }
  function closeMenus() {
    for (const p of menubar.querySelectorAll('.popup.open')) p.classList.remove('open');
  }
  function gameHasFocus() { return document.hasFocus() && !dialog && !ended && !menuOpen(); }

  // Browsers let a page play sound only after the player has done something.
  function unlockAudio() {
    if (!audio) {
      const AudioContextClass = window.AudioContext || window.webkitAudioContext;
      if (!AudioContextClass) return;
      audio = new AudioContextClass();
    }
    if (audio.state === 'suspended') audio.resume().catch(() => {});
  }
  let volume = { level: 100, mute: false };
  let gain = null;
  function applyVolume() {
    if (gain) gain.gain.value = volume.mute ? 0 : volume.level / 100;
  }
  function startSound(buffer) {
    const source = audio.createBufferSource();
    source.buffer = buffer;
    if (!gain) {
      gain = audio.createGain();
      gain.connect(audio.destination);
      applyVolume();
    }
    source.connect(gain);
    source.start();
    playing = source;
    VilmarPage.soundsStarted += 1;
  }

  // Whole factors of device pixels that fit the window, so that every pixel
  // of the game is as wide as the next. On a dense screen (two or more device
  // pixels to a CSS pixel, where one device pixel more or less cannot be
  // seen) whose largest whole factor would leave much of it empty (a phone:
  // 2 of 2.76, 73 % of the width), and wherever no whole factor fits, the
  // picture fills the room instead, still sampled pixel by pixel.
  const WHOLE_FACTOR_ENOUGH = 0.8;
  const DENSE_SCREEN = 2;
  function fit() {
    const ratio = window.devicePixelRatio || 1;
    const width = window.innerWidth;
    const height = window.innerHeight - menubar.offsetHeight - (touch.offsetHeight || 0);
    const room = Math.min(width * ratio / 424, height * ratio / 300);
    const whole = Math.floor(room);
    const wholeFits = whole >= 1 && (ratio < DENSE_SCREEN || whole >= room * WHOLE_FACTOR_ENOUGH);
    // A filled room in steps of 106 × 75 device pixels keeps the picture's
    // shape exact (424 × 300 is four such steps).
    const quarters = wholeFits ? whole * 4 : Math.max(1, Math.floor(room * 4));
    canvas.style.width = (106 * quarters / ratio) + 'px';
    canvas.style.height = (75 * quarters / ratio) + 'px';
    canvas.classList.toggle('whole', wholeFits);
  }

  // --- keys and touches
  window.addEventListener('keydown', (event) => {
    unlockAudio();
    if (dialog) { dialogKey(event); return; }
    if (event.key === 'Escape' && menuOpen()) { closeMenus(); canvas.focus(); return; }
    if (!gameKeys.has(event.code) || !gameHasFocus() || event.ctrlKey || event.altKey || event.metaKey) return;
    event.preventDefault();
    if (!event.repeat) keyDown(event.code);
  });
  window.addEventListener('keyup', (event) => {
    if (!gameKeys.has(event.code)) return;
    if (!dialog) event.preventDefault();
    keyUp(event.code);
  });
  window.addEventListener('blur', () => call('vilmar_release_keys', [], []));
  if (navigator.maxTouchPoints > 0 || window.matchMedia('(pointer: coarse)').matches) {
    document.body.classList.add('touch');
  }
  for (const button of touch.querySelectorAll('button[data-key]')) {
    const code = button.dataset.key;
    button.addEventListener('pointerdown', (event) => {
      event.preventDefault();
      unlockAudio();
      button.setPointerCapture(event.pointerId);
      if (!dialog && !ended) buttonDown(code);
    });
    for (const type of ['pointerup', 'pointercancel', 'lostpointercapture']) {
      button.addEventListener(type, () => buttonUp(code));
    }
  }
  touch.addEventListener('contextmenu', (event) => event.preventDefault());
  canvas.addEventListener('pointerdown', () => { unlockAudio(); canvas.focus(); });

  // --- gamepads: the native game's mapping (D-pad up and down, the south
  // button serves, Start starts a new game). Browsers show a pad only after
  // one of its buttons was pressed; it is polled every frame, so a pad
  // plugged in during play works at once and one pulled out lets go.
  const PAD_BUTTONS = [[12, 'ArrowUp'], [13, 'ArrowDown'], [0, 'Space'], [9, 'F1']];
  const padHeld = new Map();  // "pad:button" -> the key it holds
  function padButton(id, code, down) {
    if (down === padHeld.has(id)) return;
    if (down) {
      padHeld.set(id, code);
      unlockAudio();
      VilmarPage.padPresses += 1;
      if (!dialog && !ended) buttonDown(code);
    } else {
      padHeld.delete(id);
      buttonUp(code);
    }
  }
  function pollPads() {
    const pads = navigator.getGamepads ? [...navigator.getGamepads()] : [];
    const present = new Set();
    for (const pad of pads) {
      if (!pad || !pad.connected) continue;
      for (const [button, code] of PAD_BUTTONS) {
        const id = pad.index + ':' + button;
        present.add(id);
        padButton(id, code, Boolean(pad.buttons[button] && pad.buttons[button].pressed));
      }
    }
    for (const [id, code] of [...padHeld]) if (!present.has(id)) padButton(id, code, false);
    requestAnimationFrame(pollPads);
  }
  requestAnimationFrame(pollPads);

  // --- menu
  for (const popup of menubar.querySelectorAll('.popup')) {
    popup.querySelector(':scope > button').addEventListener('click', () => {
      const wasOpen = popup.classList.contains('open');
      closeMenus();
      if (!wasOpen && !ended) popup.classList.add('open');
    });
  }
  for (const item of menubar.querySelectorAll('[data-command]')) {
    item.addEventListener('click', () => {
      closeMenus();
      canvas.focus();
      call('vilmar_command', ['number'], [Number(item.dataset.command)]);
    });
  }
  document.addEventListener('pointerdown', (event) => {
    if (!menubar.contains(event.target)) closeMenus();
  });
  document.getElementById('fullscreen').addEventListener('click', () => {
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    else document.getElementById('app').requestFullscreen().catch(() => {});
    canvas.focus();
  });
  document.getElementById('again').addEventListener('click', () => location.reload());
  window.addEventListener('resize', fit);
  document.addEventListener('fullscreenchange', fit);

  // --- dialogs
  function command(id) {
    if (!dialog) return;
    if (dialogWaiter) {
      const waiter = dialogWaiter;
      dialogWaiter = null;
      waiter(id);
    } else {
      dialogQueue.push(id);
    }
  }
  // While the settings wait for a key, the next key pressed is the answer,
  // by its physical name; nothing else happens with it.
  const ID_SET_CAPTURE = 1121;
  const ID_KEY_PRESSED = 1122;
  function dialogKey(event) {
    const capture = item(ID_SET_CAPTURE);
    if (capture && capture.textContent === '1') {
      event.preventDefault();
      if (event.repeat || !event.code) return;
      item(ID_KEY_PRESSED).value = event.code;
      command(ID_KEY_PRESSED);
      return;
    }
    if (event.key === 'Enter') {
      // Enter on a focused button is that button; elsewhere the default one.
      if (event.target instanceof HTMLButtonElement && dialog.contains(event.target)) return;
      event.preventDefault();
      command(1);
    } else if (event.key === 'Escape') {
      event.preventDefault();
      command(2);
    }
  }
  for (const button of shade.querySelectorAll('[data-command]')) {
    button.addEventListener('click', () => command(Number(button.dataset.command)));
  }
  function item(id) { return dialog ? dialog.querySelector(`[data-item="${id}"]`) : null; }

  // --- what the program calls
  window.VilmarPage = {
    // The program could not be loaded or stopped with an error.
    failed() {
      running = false;
      ended = true;
      closeMenus();
      document.body.classList.add('ended');
      const loading = document.getElementById('loading');
      if (loading) loading.textContent = 'Spelet kunde inte laddas.';
      document.getElementById('again').textContent = 'Försök igen';
    },
    started() {
      running = true;
      document.getElementById('loading').remove();
      fit();
      canvas.focus();
    },
    ended() {
      running = false;
      ended = true;
      closeMenus();
      document.body.classList.add('ended');
      if (playing) { try { playing.stop(); } catch (e) { /* already over */ } }
    },
    // The whole frame, of which only the rectangle x, y, w, h changed.
    present(rgba, width, height, x, y, w, h) {
      if (!image || image.width !== width || image.height !== height) {
        image = context.createImageData(width, height);
      }
      image.data.set(rgba);
      context.putImageData(image, 0, 0, x, y, w, h);
      if (this.firstFrameAt === null) {
        this.firstFrameAt = performance.now();
        performance.mark('vilmar-first-frame');
      }
      this.frames += 1;
    },
    firstFrameAt: null,
    frames: 0,
    soundsStarted: 0,
    hasFocus: gameHasFocus,
    hidden() { return document.visibilityState === 'hidden'; },
    whenShown() {
      return new Promise((resolve) => {
        const check = () => {
          if (document.visibilityState === 'hidden') return;
          document.removeEventListener('visibilitychange', check);
          resolve();
        };
        document.addEventListener('visibilitychange', check);
        check();
      });
    },
    playSound(id, bytes) {
      if (!audio) return;
      const serial = ++soundSerial;
      if (playing) { try { playing.stop(); } catch (e) { /* already over */ } playing = null; }
      const ready = decoded.get(id);
      if (ready) { startSound(ready); return; }
      audio.decodeAudioData(bytes.slice().buffer).then((buffer) => {
        decoded.set(id, buffer);
        if (serial === soundSerial) startSound(buffer);
      }, () => {});
    },
    openUrl(url) { window.open(url, '_blank', 'noopener'); },
    // The stored settings as the program reads them, "name=value" a line;
    // empty where the browser keeps nothing (or lets the page keep nothing).
    storedSettings() {
      const lines = [];
      try {
        for (const name of STORED) {
          const value = localStorage.getItem(STORE_PREFIX + name);
          if (value !== null) lines.push(name + '=' + value);
        }
      } catch (e) { /* storage refused: the defaults */ }
      return lines.join('\n');
    },
    storeSettings(text) {
      try {
        for (const line of text.split('\n')) {
          const at = line.indexOf('=');
          if (line.startsWith('#') || at < 0) continue;
          const name = line.slice(0, at);
          if (STORED.includes(name)) localStorage.setItem(STORE_PREFIX + name, line.slice(at + 1));
        }
        return true;
      } catch (e) {
        return false;
      }
    },
    useVolume(level, mute) {
      volume = { level, mute };
      applyVolume();
      VilmarPage.volume = volume;
    },
    // Fullscreen as the settings say (the click on OK lets the page ask).
    useFullscreen(on) {
      if (on && !document.fullscreenElement) document.getElementById('app').requestFullscreen().catch(() => {});
      else if (!on && document.fullscreenElement) document.exitFullscreen().catch(() => {});
    },
    useGameKeys(codes) { gameKeys = new Set(codes.split(' ')); VilmarPage.gameKeys = [...gameKeys]; },
    gameKeys: [],
    settingsReport(text) { console.warn(text); VilmarPage.settingsReports.push(text); },
    settingsReports: [],
    padPresses: 0,
    volume: null,
    setting(name) { return Object.prototype.hasOwnProperty.call(settings, name) ? settings[name] : ''; },
    debug(text) { console.debug(text); },
    dialogOpen(templateId) {
      closeMenus();
      dialog = document.getElementById('dialog-' + templateId);
      dialogQueue = [];
      if (!dialog) return;
      for (const element of dialog.querySelectorAll('[data-item]')) {
        if (element.dataset.template === undefined) element.dataset.template = element.textContent;
        if (element instanceof HTMLInputElement) element.value = '';
        else if (element.classList.contains('infotext')) element.firstElementChild.textContent = '';
        else element.textContent = element.dataset.template;
      }
      // Nothing behind a dialog takes the focus or a click while it is open.
      document.getElementById('app').inert = true;
      shade.classList.add('open');
      dialog.classList.add('open');
      const first = dialog.querySelector('input:not([type=hidden]), button.first') || dialog.querySelector('button.default');
      if (first) first.focus();
    },
    dialogCaption(text) { if (dialog) dialog.querySelector('.caption').textContent = text; },
    dialogItem(id, text) {
      const element = item(id);
      if (!element) return;
      if (element instanceof HTMLInputElement) element.value = text;
      else if (element.classList.contains('infotext')) {
        element.firstElementChild.textContent = text.replace(/\r\n/g, '\n');
        element.scrollTop = 0;
      } else element.textContent = text;
    },
    dialogFocus(id) {
      const element = item(id);
      if (!element) return;
      element.focus();
      if (element instanceof HTMLInputElement) element.select();
    },
    dialogItemText(id) {
      const element = item(id);
      if (!element) return '';
      return element instanceof HTMLInputElement ? element.value : element.textContent;
    },
    dialogWait() {
      if (!dialog) return Promise.resolve(0);
      if (dialogQueue.length > 0) return Promise.resolve(dialogQueue.shift());
      return new Promise((resolve) => { dialogWaiter = resolve; });
    },
    dialogClose() {
      if (dialog) dialog.classList.remove('open');
      shade.classList.remove('open');
      document.getElementById('app').inert = false;
      dialog = null;
      dialogQueue = [];
      dialogWaiter = null;
      canvas.focus();
    },
    // The score's form to the site that served the page.
    async post(path, headerText, body) {
      const headers = new Headers();
      for (const line of headerText.split('\n')) {
        const colon = line.indexOf(':');
        if (colon <= 0) continue;
        try { headers.append(line.slice(0, colon).trim(), line.slice(colon + 1).trim()); } catch (e) { /* refused name */ }
      }
      const abort = new AbortController();
      const timer = setTimeout(() => abort.abort(), POST_TIMEOUT_MS);
      try {
        const response = await fetch(new URL(path, location.origin), {
          method: 'POST', headers, body, cache: 'no-store', credentials: 'same-origin', signal: abort.signal,
        });
        // Only the start of a reply counts; the rest is not waited for.
        const reader = response.body ? response.body.getReader() : null;
        const parts = [];
        let size = 0;
        while (reader && size < REPLY_KEEP) {
          const { done, value } = await reader.read();
          if (done) break;
          parts.push(value);
          size += value.length;
        }
        if (reader) reader.cancel().catch(() => {});
        const reply = new Uint8Array(Math.min(size, REPLY_KEEP));
        let at = 0;
        for (const part of parts) {
          const piece = part.subarray(0, reply.length - at);
          reply.set(piece, at);
          at += piece.length;
        }
        return { status: response.status, body: reply };
      } catch (error) {
        return { error: abort.signal.aborted ? 'tidsgränsen nåddes' : String((error && error.message) || error) };
      } finally {
        clearTimeout(timer);
      }
    },
    // The program file is the WebAssembly module; fetched once.
    async programBytes() {
      if (!programBytes) {
        programBytes = fetch(new URL('vilmar.wasm', location.href))
          .then((r) => (r.ok ? r.arrayBuffer() : null))
          .then((b) => (b ? new Uint8Array(b) : null), () => null);
      }
      const bytes = await programBytes;
      if (!bytes) programBytes = null;  // try again next time
      return bytes;
    },
  };

  window.Module = {
    print: (text) => console.log(text),
    printErr: (text) => console.warn(text),
    onAbort: () => (running ? VilmarPage.ended() : VilmarPage.failed()),
  };
  function webAddress(text) {
    try {
      const url = new URL(text);
      return url.protocol === 'http:' || url.protocol === 'https:' ? url.href : '';
    } catch (e) {
      return '';
    }
  }
  // Served by the game service, the page finds its settings beside it: the
  // service's pages are then the page's own origin, and the sponsor link goes
  // where the service says. Served anywhere else, nothing is there.
  async function loadSettings() {
    const abort = new AbortController();
    const timer = setTimeout(() => abort.abort(), SETTINGS_TIMEOUT_MS);
    try {
      const response = await fetch(new URL('tjanst.json', location.href), { cache: 'no-store', signal: abort.signal });
      if (!response.ok) return;
      const reply = await response.json();
      if (!reply || typeof reply !== 'object') return;
      settings.servicePages = location.origin;
      if (typeof reply.sponsor === 'string') settings.sponsorUrl = webAddress(reply.sponsor);
    } catch (e) {
      // not served by a service
    } finally {
      clearTimeout(timer);
    }
  }
  // The program is loaded from here rather than by a tag with an onerror
  // attribute: the service's content policy allows no script in attributes.
  function loadProgram() {
    const program = document.createElement('script');
    program.src = 'vilmar.js';
    program.async = true;
    program.addEventListener('error', () => VilmarPage.failed());
    document.body.appendChild(program);
  }
  loadSettings().then(loadProgram);
  fit();
})();
