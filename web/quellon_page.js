// The page around the program: it starts the program (in the maze of the page's #maze= link, if
// any), opens mazes from files picked or dropped, copies a link to the maze walked, and gives
// hands without a keyboard buttons that stand for the movement keys. The program checks and
// keeps the maze; the page does only what a browser does best: reading files, decoding PNG
// images, and packing the cells with the browser's own compression streams.
"use strict";

const MAZE_IN_LINK = /^#maze=(.*)$/;
const PNG = 2; // what quellon_file_format says of a PNG
// How the desktop packs a maze with zlib: the best compression, the most memory, raw DEFLATE.
const PACKING = { level: 9, memLevel: 9, windowBits: -15 };

// The line under the heading that says what happened.
function say(line) {
  document.getElementById("status").textContent = line;
}

// Runs `use` with `bytes` copied into the program's memory.
function withBytes(program, bytes, use) {
  const at = program._malloc(Math.max(1, bytes.length));
  program.HEAPU8.set(bytes, at);
  try {
    return use(at, bytes.length);
  } finally {
    program._free(at);
  }
}

function withText(program, text, use) {
  return withBytes(program, new TextEncoder().encode(`${text}\0`), (at) => use(at));
}

// Calls an export that answers into a buffer the page owns (`call(at, capacity)` returns how
// much it had to say, or -1 when it has no answer) and returns the bytes it wrote; a buffer too
// small is made larger and the call made again. A text takes one byte more, its closing zero.
function answered(program, call, capacity = 256, terminator = 0) {
  for (;;) {
    const at = program._malloc(capacity);
    try {
      const length = call(at, capacity);
      if (length < 0) return null;
      if (length + terminator <= capacity) return program.HEAPU8.slice(at, at + length);
      capacity = length + terminator;
    } finally {
      program._free(at);
    }
  }
}

// The same for an export that answers in text.
function answeredText(program, call) {
  const bytes = answered(program, call, 256, 1);
  return bytes === null ? null : new TextDecoder().decode(bytes);
}

async function streamed(bytes, transform, limit) {
  const reader = new Blob([bytes]).stream().pipeThrough(transform).getReader();
  const chunks = [];
  let total = 0;
  for (;;) {
    const { done, value } = await reader.read();
    if (done) break;
    chunks.push(value);
    total += value.length;
    if (total > limit) {
      await reader.cancel();
      break;
    }
  }
  const out = new Uint8Array(total);
  let at = 0;
  for (const chunk of chunks) {
    out.set(chunk, at);
    at += chunk.length;
  }
  return out;
}

// The maze of a code, unpacked and handed to the program: where it starts, or where it goes
// now. Returns the program's error, or "" when the maze is open.
async function openCode(program, code) {
  let why = "";
  const packed = withText(program, code, (codeAt) =>
    answered(program, (at, capacity) => {
      const count = program._quellon_maze_packed(codeAt, at, capacity, at, capacity);
      if (count < 0) why = program.UTF8ToString(at);
      return count;
    }),
  );
  if (packed === null) return why;
  const cells = program._quellon_maze_cell_count();
  let unpacked = new Uint8Array(0);
  let damaged = false;
  try {
    unpacked = await streamed(packed, new DecompressionStream("deflate-raw"), cells);
  } catch (e) {
    damaged = true;
  }
  return withBytes(program, unpacked.subarray(0, cells), (cellsAt) =>
    answeredText(program, (at, capacity) =>
      program._quellon_open_maze_cells(
        program.me,
        cellsAt,
        Math.min(unpacked.length, cells),
        unpacked.length > cells,
        damaged,
        at,
        capacity,
      ),
    ),
  );
}

// The maze of the page's #maze= link: the program's error, "" when it is open, or null when the
// address has no maze.
async function openLinkedMaze(program) {
  const link = MAZE_IN_LINK.exec(location.hash);
  return link ? openCode(program, decodeURIComponent(link[1])) : null;
}

// A file picked or dropped: a PNG is decoded here, anything else goes to the program as it is.
async function openFile(program, file) {
  if (file.size > program._quellon_max_maze_file_bytes()) {
    say(`${file.name}: larger than ${program._quellon_max_maze_file_bytes()} bytes`);
    return;
  }
  const bytes = new Uint8Array(await file.arrayBuffer());
  const format = withText(program, file.name, (name) =>
    withBytes(program, bytes, (at, length) => program._quellon_file_format(name, at, length)),
  );
  let error;
  if (format === PNG) {
    let bitmap;
    try {
      // The numbers stored in the file, as the desktop reads them: no colour management.
      bitmap = await createImageBitmap(file, {
        colorSpaceConversion: "none",
        premultiplyAlpha: "none",
      });
    } catch (e) {
      say(`${file.name}: does not decode as a PNG image`);
      return;
    }
    const canvas = document.createElement("canvas");
    canvas.width = bitmap.width;
    canvas.height = bitmap.height;
    const context = canvas.getContext("2d", { willReadFrequently: true });
    context.drawImage(bitmap, 0, 0);
    const pixels = context.getImageData(0, 0, bitmap.width, bitmap.height).data;
    error = withText(program, file.name, (name) =>
      withBytes(program, pixels, (pixelsAt) =>
        answeredText(program, (at, capacity) =>
          program._quellon_open_maze_picture(
            program.me,
            name,
            pixelsAt,
            bitmap.width,
            bitmap.height,
            at,
            capacity,
          ),
        ),
      ),
    );
  } else {
    error = withText(program, file.name, (name) =>
      withBytes(program, bytes, (bytesAt, length) =>
        answeredText(program, (at, capacity) =>
          program._quellon_open_maze_file(program.me, name, bytesAt, length, at, capacity),
        ),
      ),
    );
  }
  say(error ? error : `Opened ${file.name}.`);
}

// Puts the page's address with the code of the maze walked now into the address bar and on the
// clipboard.
async function copyLink(program) {
  const cells = answered(
    program,
    (at, capacity) => program._quellon_maze_cells(program.me, at, capacity),
    program._quellon_maze_cell_count(),
  );
  // zlib's own bytes at the desktop's settings (pako), so that one maze has one code.
  const packed = pako.deflateRaw(cells, PACKING);
  const code = withBytes(program, packed, (packedAt, length) =>
    answeredText(program, (at, capacity) =>
      program._quellon_maze_code(packedAt, length, at, capacity),
    ),
  );
  const link = `${location.href.split("#")[0]}#maze=${code}`;
  history.replaceState(null, "", link);
  try {
    await navigator.clipboard.writeText(link);
    say("The link to this maze is on the clipboard, and in the address bar.");
  } catch (e) {
    say("The link to this maze is in the address bar: copy it from there.");
  }
}

// Buttons that stand for movement keys, held down for as long as they are pressed: each is its
// own pointer, so one can walk and turn at once.
function holdButtons(program) {
  for (const button of document.querySelectorAll("[data-hold]")) {
    const code = withText(program, button.dataset.hold, (at) => program._quellon_key_named(at));
    let held = false;
    const release = () => {
      if (!held) return;
      held = false;
      button.classList.remove("held");
      program._quellon_event_key_up(code, false, false, false);
    };
    button.addEventListener("pointerdown", (e) => {
      e.preventDefault();
      button.setPointerCapture(e.pointerId);
      if (held) return;
      held = true;
      button.classList.add("held");
      program._quellon_event_key_down(code, false, false, false, false);
    });
    for (const end of ["pointerup", "pointercancel", "lostpointercapture"]) {
      button.addEventListener(end, release);
    }
    button.addEventListener("contextmenu", (e) => e.preventDefault());
  }
}

// A button that acts on a click without taking the keys' focus from the maze.
function onClick(button, action) {
  button.addEventListener("mousedown", (e) => e.preventDefault());
  button.addEventListener("click", action);
}

// The switches beside the map, one per rule the program offers (its rule table: names, the
// lab's keys and labels, today's values and the values the lab steps through, which rules
// exclude each other): each change puts the rules they show in force, and what the keys change
// is read back and shown.
function ruleSwitches(program) {
  const table = JSON.parse(
    answeredText(program, (at, capacity) => program._quellon_lab_rule_table(at, capacity)),
  );
  const box = document.getElementById("rule-switches");
  const switches = new Map();
  for (const rule of table) {
    const label = document.createElement("label");
    let control;
    if (rule.takesValue) {
      control = document.createElement("select");
      for (const value of rule.steps) control.add(new Option(value, value));
      label.append(`${rule.label} `, control);
    } else {
      control = document.createElement("input");
      control.type = "checkbox";
      label.append(control, ` ${rule.label}`);
    }
    control.dataset.rule = rule.name;
    const key = document.createElement("kbd");
    key.textContent = rule.key;
    label.append(" ", key);
    box.append(label);
    switches.set(rule.name, { rule, control });
  }
  const stepButtons = {
    step: document.getElementById("step"),
    next: document.getElementById("next-strip"),
    rest: document.getElementById("rest-of-frame"),
  };
  // Shows the rules in force and whether a frame is being stepped through, as the program holds
  // them: read back once per display frame, so that what keys, clicks and switches change shows
  // at once, and the page never keeps a copy of its own.
  let shown = null;
  const show = () => {
    const list = answeredText(program, (at, capacity) =>
      program._quellon_lab_rules(program.me, at, capacity),
    );
    const stepping = program._quellon_lab_stepping(program.me);
    const state = `${list};${stepping}`;
    if (state === shown) return;
    shown = state;
    const given = new Map(list ? list.split(",").map((rule) => rule.split("=")) : []);
    for (const { rule, control } of switches.values()) {
      if (rule.takesValue) control.value = given.get(rule.name) || String(rule.today);
      else control.checked = given.has(rule.name);
    }
    stepButtons.step.textContent = stepping ? "Go on" : "Pause and step";
    stepButtons.next.disabled = stepButtons.rest.disabled = !stepping;
  };
  const watch = () => {
    show();
    requestAnimationFrame(watch);
  };
  // A switch changes its own rule and nothing else.
  for (const { rule, control } of switches.values()) {
    control.addEventListener("change", () => {
      const value = rule.takesValue ? Number(control.value) : Number(control.checked);
      const error = withText(program, rule.name, (nameAt) =>
        answeredText(program, (at, capacity) =>
          program._quellon_lab_set_rule(program.me, nameAt, value, at, capacity),
        ),
      );
      if (error) say(error);
      show();
      control.blur(); // keys go to the maze again, not to the switch
    });
  }
  const stepClick = (button, action) =>
    onClick(button, () => {
      action();
      show();
    });
  stepClick(stepButtons.step, () =>
    program._quellon_lab_step(program.me, !program._quellon_lab_stepping(program.me)),
  );
  stepClick(stepButtons.next, () => program._quellon_lab_next_strip(program.me));
  stepClick(stepButtons.rest, () => program._quellon_lab_rest_of_frame(program.me));
  watch();
}

// The view alone on the whole screen, through the browser's Fullscreen API: the view follows the
// screen's size, pixel for pixel. Alt+Enter toggles it too, and F11 where the browser lets the
// page have it; Esc, the browser's own way out, leaves it.
function fullScreen() {
  const view = document.getElementById("view");
  const toggle = () => {
    if (document.fullscreenElement) {
      document.exitFullscreen().catch(() => {});
    } else if (view.requestFullscreen) {
      view.requestFullscreen({ navigationUI: "hide" }).catch((e) => {
        say(`The browser did not give the view the screen: ${e.message}`);
      });
    } else {
      say("This browser cannot give the view the whole screen.");
    }
  };
  onClick(document.getElementById("full-screen"), toggle);
  window.addEventListener("keydown", (e) => {
    const asked = e.key === "F11" || (e.altKey && e.key === "Enter");
    if (!asked) return;
    e.preventDefault();
    if (!e.repeat) toggle(); // a command acts once per press
  });
}

async function start() {
  // Browsers load no program from a file: the page must come from a server.
  if (location.protocol === "file:") {
    say(
      "This page must be served, not opened as a file: run ./web.sh and open http://127.0.0.1:8080/",
    );
    return;
  }
  const program = await createQuellon({
    noInitialRun: true,
    print: (line) => console.log(line),
    printErr: (line) => console.error(line),
  });
  program.me = program._quellon_program();
  const error = await openLinkedMaze(program);
  if (error) say(`The link's maze cannot be opened (${error}); this is the carried maze.`);

  // The page's own controls first, so that nothing of the page's setting up is left for after
  // the first frame: from then on the browser gets its turn between the program's passes.
  const picker = document.getElementById("open-maze");
  picker.addEventListener("change", () => {
    if (picker.files.length > 0) openFile(program, picker.files[0]);
    picker.value = "";
  });
  document.addEventListener("dragover", (e) => e.preventDefault());
  document.addEventListener("drop", (e) => {
    e.preventDefault();
    if (e.dataTransfer.files.length > 0) openFile(program, e.dataTransfer.files[0]);
  });
  document.getElementById("copy-link").addEventListener("click", () => copyLink(program));
  window.addEventListener("hashchange", async () => {
    const error = await openLinkedMaze(program);
    if (error !== null)
      say(error ? `The link's maze cannot be opened (${error}).` : "Opened the link's maze.");
  });
  holdButtons(program);
  ruleSwitches(program);
  fullScreen();
  program.callMain([]);
}

start();
