// The remote page: a snapshot on connect, then changes, each with its origin.
"use strict";
(() => {
  const CHANNELS = 8;
  const SLOTS = 8;
  const MAX_LEVEL = 255;
  const PAGE_STEP = 16;
  // The server allows 200 messages a second; a finger on every fader stays well below that.
  const SEND_PER_SECOND = 100;
  const SEND_BURST = 10;
  const FADER_GAP_MS = 25;
  const PING_MS = 5000;
  const SILENCE_MS = 10000;
  const BACKOFF_MS = [250, 500, 1000, 2000, 4000, 8000];
  const LONG_PRESS_MS = 600;
  const REFUSED_CODE = 4001;

  const $ = (id) => document.getElementById(id);
  const clamp = (v) => Math.max(0, Math.min(MAX_LEVEL, Math.round(Number(v) || 0)));
  const token = (() => {
    try { return decodeURIComponent(location.hash.slice(1)); } catch { return ""; }
  })();

  let socket = null;
  let denied = false;
  let retries = 0;
  let retryTimer = 0;
  let lastHeard = 0;
  let nextId = 1;

  const faders = [];
  const scenes = [];

  // An element with its class, attributes and text; only DOM calls, as the page's policy wants.
  function el(tag, cls, attrs = {}, text = "") {
    const e = document.createElement(tag);
    e.className = cls;
    for (const [k, v] of Object.entries(attrs)) e.setAttribute(k, String(v));
    if (text) e.textContent = text;
    return e;
  }

  function buildFader(ch) {
    const col = el("div", "channel");
    // The slider tells screen readers its value; a live number would chatter through a fade.
    const value = el("span", "value", { "aria-hidden": "true" }, "0");
    const slider = el("div", "fader", { role: "slider", tabindex: 0, "aria-orientation": "vertical",
      "aria-valuemin": 0, "aria-valuemax": MAX_LEVEL, "aria-valuenow": 0 });
    const fill = el("div", "fill");
    slider.append(fill, el("div", "knob"));
    const name = el("span", "name", {}, String(ch));
    const sw = el("input", "switch", { type: "checkbox", role: "switch" });
    col.append(value, slider, name, sw);
    $("faders").append(col);
    const f = { ch, col, value, slider, fill, sw, nameEl: name, name: String(ch), level: 0,
                on: false, held: false, incoming: null, pending: null, lastSent: 0 };
    faders.push(f);
    label(f);
    wireFader(f);
  }

  function label(f) {
    f.slider.setAttribute("aria-label", `${f.name}, level`);
    f.sw.setAttribute("aria-label", `${f.name}, on`);
  }

  function showLevel(f, level) {
    f.level = level;
    f.value.textContent = String(level);
    f.slider.setAttribute("aria-valuenow", String(level));
    f.slider.style.setProperty("--level", String(level / MAX_LEVEL));
  }

  function showChannel(f, c) {
    if (typeof c.name === "string" && c.name !== f.name) {
      f.name = c.name || String(f.ch);
      f.nameEl.textContent = f.name;
      label(f);
    }
    f.on = Boolean(c.on);
    f.sw.checked = f.on;
    f.col.classList.toggle("on", f.on);
    // Under a finger, or with our own value about to go out, the page's value is the later one.
    if (f.held || f.pending !== null) f.incoming = clamp(c.level);
    else showLevel(f, clamp(c.level));
  }

  function buildScene(slot) {
    const button = el("button", "control scene", { type: "button" });
    const time = el("span", "time");
    button.append(el("span", "slot", {}, String(slot)), time);
    $("scenes").append(button);
    const s = { slot, button, time };
    scenes.push(s);
    showScene(s, { stored: false });
    wireScene(s);
  }

  function showScene(s, info) {
    const stored = Boolean(info.stored);
    const fade = Number(info.fade) || 0;
    s.time.textContent = stored ? `${fade.toFixed(1)} s` : "empty";
    s.button.classList.toggle("empty", !stored);
    s.button.setAttribute("aria-label", stored
      ? `Scene ${s.slot}, fade ${fade.toFixed(1)} seconds`
      : `Scene ${s.slot}, empty`);
  }

  function showLink(state) {
    const text = String(state || "closed");
    $("link").dataset.state = text.replace(/\s+/g, "-");
    $("link-text").textContent = `device: ${text}`;
  }

  function showFade(running, text) {
    $("fade").hidden = !running;
    $("fade-text").textContent = text || "";
    const m = /([\d.]+)\s*\/\s*([\d.]+)/.exec(text || "");
    const bar = $("fade-bar");
    bar.value = m && Number(m[2]) > 0 ? Math.min(1, Number(m[1]) / Number(m[2])) : 0;
  }

  let noticeTimer = 0;
  function notice(text) {
    $("notice").textContent = text;
    clearTimeout(noticeTimer);
    noticeTimer = setTimeout(() => { $("notice").textContent = ""; }, 4000);
  }

  // Disconnected: the levels on screen may be stale, so they are greyed out and cannot be moved.
  function setLive(live, text) {
    document.body.classList.toggle("offline", !live);
    $("conn").textContent = text;
    for (const f of faders) {
      f.sw.disabled = !live;
      f.slider.setAttribute("aria-disabled", String(!live));
      if (!live) { f.pending = null; f.incoming = null; }
    }
    for (const s of scenes) s.button.disabled = !live;
    $("all-off").disabled = !live;
    $("fade-stop").disabled = !live;
  }

  let tokens = SEND_BURST;
  let tokensAt = performance.now();
  let flushTimer = 0;

  function send(msg) {
    if (!socket || socket.readyState !== WebSocket.OPEN) return false;
    socket.send(JSON.stringify(Object.assign({ t: token }, msg)));
    return true;
  }

  function take() {
    const now = performance.now();
    tokens = Math.min(SEND_BURST, tokens + (now - tokensAt) * SEND_PER_SECOND / 1000);
    tokensAt = now;
    if (tokens < 1) return false;
    tokens -= 1;
    return true;
  }

  // Only the latest value of each fader goes out, each fader at most every FADER_GAP_MS and all
  // of them within the page's share of the server's rate.
  function flush() {
    flushTimer = 0;
    let waiting = false;
    const now = performance.now();
    for (const f of faders) {
      if (f.pending === null) continue;
      if (now - f.lastSent < FADER_GAP_MS || !take()) { waiting = true; continue; }
      if (send({ op: "level", ch: f.ch, level: f.pending })) {
        f.lastSent = now;
        f.incoming = null; // ours is now the later change
      }
      f.pending = null;
    }
    if (waiting && !flushTimer) flushTimer = setTimeout(flush, 1000 / SEND_PER_SECOND);
  }

  function setLevel(f, level) {
    level = clamp(level);
    if (document.body.classList.contains("offline") || level === f.level) return;
    showLevel(f, level);
    f.pending = level;
    flush();
  }

  function request(msg) {
    take();
    if (!send(Object.assign({ id: nextId++ }, msg))) notice("not connected");
  }

  function wireFader(f) {
    let startY = 0;
    let startLevel = 0;
    let pointer = null;
    // Relative drag: a touch alone never jumps a channel to where the finger landed.
    f.slider.addEventListener("pointerdown", (e) => {
      if (document.body.classList.contains("offline") || pointer !== null) return;
      pointer = e.pointerId;
      f.slider.setPointerCapture(pointer);
      f.slider.focus();
      f.held = true;
      startY = e.clientY;
      startLevel = f.level;
      e.preventDefault();
    });
    f.slider.addEventListener("pointermove", (e) => {
      if (e.pointerId !== pointer) return;
      const travel = f.slider.clientHeight - f.slider.querySelector(".knob").offsetHeight;
      setLevel(f, startLevel + (startY - e.clientY) * MAX_LEVEL / Math.max(1, travel));
    });
    const lift = (e) => {
      if (e.pointerId !== pointer) return;
      pointer = null;
      f.held = false;
      if (f.pending !== null) flush();
      if (f.incoming !== null && f.pending === null) showLevel(f, f.incoming);
      f.incoming = null;
    };
    f.slider.addEventListener("pointerup", lift);
    f.slider.addEventListener("pointercancel", lift);
    f.slider.addEventListener("lostpointercapture", lift);
    f.slider.addEventListener("keydown", (e) => {
      const steps = { ArrowUp: 1, ArrowRight: 1, ArrowDown: -1, ArrowLeft: -1,
                      PageUp: PAGE_STEP, PageDown: -PAGE_STEP };
      if (e.key in steps) setLevel(f, f.level + steps[e.key]);
      else if (e.key === "Home") setLevel(f, 0);
      else if (e.key === "End") setLevel(f, MAX_LEVEL);
      else return;
      e.preventDefault();
    });
    f.sw.addEventListener("change", () => {
      f.on = f.sw.checked;
      f.col.classList.toggle("on", f.on);
      take();
      send({ op: "switch", ch: f.ch, on: f.on });
    });
  }

  function wireScene(s) {
    let timer = 0;
    let stored = false;
    const cancel = () => { clearTimeout(timer); timer = 0; };
    s.button.addEventListener("pointerdown", () => {
      stored = false;
      cancel();
      timer = setTimeout(() => { timer = 0; stored = true; askStore(s.slot); }, LONG_PRESS_MS);
    });
    s.button.addEventListener("pointerup", cancel);
    s.button.addEventListener("pointerleave", cancel);
    s.button.addEventListener("pointercancel", cancel);
    s.button.addEventListener("click", () => {
      if (stored) { stored = false; return; }
      request({ op: "recall", slot: s.slot });
    });
    // The long press of a phone and the right button or Menu key of a computer.
    s.button.addEventListener("contextmenu", (e) => {
      e.preventDefault();
      if (!stored) { cancel(); stored = true; askStore(s.slot); }
    });
  }

  function confirm(text, okText, then) {
    const dlg = $("confirm");
    if (dlg.open) return;
    $("confirm-text").textContent = text;
    $("confirm-ok").textContent = okText;
    dlg.returnValue = "";
    dlg.addEventListener("close", () => { if (dlg.returnValue === "ok") then(); }, { once: true });
    dlg.showModal();
  }

  // The server does not echo a page's own changes: the page shows them itself.
  function allOff() {
    request({ op: "alloff" });
    for (const f of faders) { f.on = false; f.sw.checked = false; f.col.classList.remove("on"); }
  }

  function askStore(slot) {
    confirm(`Store the current levels as scene ${slot}?`, "Store",
            () => request({ op: "store", slot }));
  }

  function handle(msg) {
    switch (msg.type) {
      case "snapshot":
        retries = 0;
        (msg.channels || []).forEach((c) => { const f = faders[c.ch - 1]; if (f) showChannel(f, c); });
        (msg.scenes || []).forEach((i) => { const s = scenes[i.slot - 1]; if (s) showScene(s, i); });
        showLink(msg.link);
        showFade(msg.fade && msg.fade.running, msg.fade && msg.fade.text);
        setLive(true, "connected");
        break;
      case "channel": { const f = faders[msg.ch - 1]; if (f) showChannel(f, msg); break; }
      case "link": showLink(msg.state); break;
      case "fade": showFade(msg.running, msg.text); break;
      case "scenes":
        (msg.scenes || []).forEach((i) => { const s = scenes[i.slot - 1]; if (s) showScene(s, i); });
        break;
      case "refused": notice(`refused: ${msg.reason || "no reason given"}`); break;
      case "notice": notice(String(msg.text || "")); break;
      default: break; // pong, and whatever a newer server adds
    }
  }

  function refuse() {
    denied = true;
    clearTimeout(retryTimer);
    document.body.classList.add("denied");
    setLive(false, "ask for a new link");
  }

  function connect() {
    clearTimeout(retryTimer);
    retryTimer = 0;
    if (denied || (socket && socket.readyState <= WebSocket.OPEN)) return;
    const ws = new WebSocket(`ws://${location.host}/ws?t=${encodeURIComponent(token)}`);
    socket = ws;
    lastHeard = Date.now();
    ws.onmessage = (e) => {
      lastHeard = Date.now();
      let msg;
      try { msg = JSON.parse(e.data); } catch { return; }
      if (msg && typeof msg === "object") handle(msg);
    };
    ws.onclose = (e) => {
      if (socket !== ws) return;
      socket = null;
      if (e.code === REFUSED_CODE) { refuse(); return; }
      const why = e.code === 4008 ? "too many pages open; reconnecting…"
                : e.code === 1001 ? "the remote was turned off; reconnecting…" : "reconnecting…";
      setLive(false, why);
      later();
    };
  }

  // Backoff with jitter: sixteen phones waking together do not knock at the same moment.
  function later() {
    if (denied || retryTimer) return;
    const base = BACKOFF_MS[Math.min(retries, BACKOFF_MS.length - 1)];
    retries += 1;
    retryTimer = setTimeout(connect, base / 2 + Math.random() * base);
  }

  function drop() {
    const ws = socket;
    socket = null;
    if (ws) { ws.onclose = null; ws.close(); }
    setLive(false, "reconnecting…");
    later();
  }

  // A socket that slept with the phone can look open and be dead: it is known by its silence.
  setInterval(() => {
    if (!socket || socket.readyState !== WebSocket.OPEN) return;
    if (Date.now() - lastHeard > SILENCE_MS) drop();
    else send({ op: "ping" });
  }, PING_MS);

  // Back from sleep: a socket silent for long is not trusted with the levels on screen.
  function wake() {
    if (denied) return;
    retries = 0;
    if (!socket || socket.readyState !== WebSocket.OPEN) connect();
    else if (Date.now() - lastHeard > SILENCE_MS) drop();
    else send({ op: "ping" });
  }
  document.addEventListener("visibilitychange", () => {
    if (document.visibilityState === "visible") wake();
  });
  window.addEventListener("online", wake);
  window.addEventListener("pageshow", (e) => { if (e.persisted) wake(); });
  // A new link opened over the old page changes only the part after '#': start afresh with it.
  window.addEventListener("hashchange", () => location.reload());

  for (let ch = 1; ch <= CHANNELS; ++ch) buildFader(ch);
  for (let slot = 1; slot <= SLOTS; ++slot) buildScene(slot);
  $("fade-stop").addEventListener("click", () => request({ op: "stop" }));
  $("all-off").addEventListener("click", () =>
    confirm("Switch every channel off?", "All off", allOff));
  setLive(false, "connecting…");
  if (!token) refuse();
  else connect();
})();
