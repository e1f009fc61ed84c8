// The page around the program: it starts the program (in the maze of the page's #maze= link, if
// any), opens mazes from files picked or dropped, copies a link to the maze walked, and gives
// hands without a keyboard buttons that stand for the movement keys. The program checks and
// keeps the maze; the page does only what a browser does best: reading files, decoding PNG
// images, and packing the cells with the browser's own compression streams.
"use strict";

const MAZE_IN_LINK = /^#maze=(.*)$/;

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

// The bytes the program handed back last.
function handedBack(program, count) {
  const at = program._quellon_maze_bytes();
  return program.HEAPU8.slice(at, at + count);
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
  const count = withText(program, code, (at) => program._quellon_maze_packed(at));
  if (count < 0) return program.UTF8ToString(program._quellon_maze_error());
  const packed = handedBack(program, count);
  const cells = program._quellon_maze_cell_count();
  let unpacked = new Uint8Array(0);
  let damaged = false;
  try {
    unpacked = await streamed(packed, new DecompressionStream("deflate-raw"), cells);
  } catch (e) {
    damaged = true;
  }
  const opened = withBytes(program, unpacked.subarray(0, cells), (at) =>
    program._quellon_open_maze_cells(
      at,
      Math.min(unpacked.length, cells),
      unpacked.length > cells,
      damaged,
    ),
  );
  return opened ? "" : program.UTF8ToString(program._quellon_maze_error());
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
  const signature = [0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a];
  const png =
    /\.png$/i.test(file.name) ||
    (!/\.bmp$/i.test(file.name) && signature.every((byte, i) => bytes[i] === byte));
  let opened;
  if (png) {
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
    opened = withText(program, file.name, (name) =>
      withBytes(program, pixels, (at) =>
        program._quellon_open_maze_picture(name, at, bitmap.width, bitmap.height),
      ),
    );
  } else {
    opened = withText(program, file.name, (name) =>
      withBytes(program, bytes, (at, length) => program._quellon_open_maze_file(name, at, length)),
    );
  }
  say(opened ? `Opened ${file.name}.` : program.UTF8ToString(program._quellon_maze_error()));
}

// Puts the page's address with the code of the maze walked now into the address bar and on the
// clipboard.
async function copyLink(program) {
  const cells = handedBack(program, program._quellon_maze_cells());
  const packed = await streamed(cells, new CompressionStream("deflate-raw"), Infinity);
  const code = withBytes(program, packed, (at, length) =>
    program.UTF8ToString(program._quellon_maze_code(at, length)),
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

// The switches beside the map: each change puts the rules they show in force; what the keys
// change is read back and shown.
// A button that acts on a click without taking the keys' focus from the maze.
function onClick(button, action) {
  button.addEventListener("mousedown", (e) => e.preventDefault());
  button.addEventListener("click", action);
}

function ruleSwitches(program) {
  const switches = Object.fromEntries(
    [...document.querySelectorAll("[data-rule]")].map((element) => [element.dataset.rule, element]),
  );
  const choices = Object.fromEntries(
    program
      .UTF8ToString(program._quellon_lab_choices())
      .split(";")
      .map((pair) => pair.split("=")),
  );
  for (const name of ["strip", "fov"]) {
    for (const value of choices[name].split(",")) switches[name].add(new Option(value, value));
  }
  const stepButtons = {
    step: document.getElementById("step"),
    next: document.getElementById("next-strip"),
    rest: document.getElementById("rest-of-frame"),
  };
  // Shows the rules in force and whether a frame is being stepped through.
  const show = () => {
    const list = program.UTF8ToString(program._quellon_lab_rules());
    const rules = new Map(list.split(",").map((rule) => rule.split("=")));
    for (const name of ["fisheye", "exact-angles", "screen-rays"]) {
      switches[name].checked = rules.has(name);
    }
    switches.textures.checked = !rules.has("plain-walls");
    switches.strip.value = rules.get("strip") || "3";
    switches.fov.value = rules.get("fov") || "60";
    const stepping = program._quellon_lab_stepping();
    stepButtons.step.textContent = stepping ? "Go on" : "Pause and step";
    stepButtons.next.disabled = stepButtons.rest.disabled = !stepping;
  };
  const apply = (changed) => {
    // One way of aiming the rays at a time.
    if (changed === switches["exact-angles"] && changed.checked)
      switches["screen-rays"].checked = false;
    if (changed === switches["screen-rays"] && changed.checked)
      switches["exact-angles"].checked = false;
    const list = [];
    for (const name of ["fisheye", "exact-angles", "screen-rays"]) {
      if (switches[name].checked) list.push(name);
    }
    if (!switches.textures.checked) list.push("plain-walls");
    list.push(`strip=${switches.strip.value}`, `fov=${switches.fov.value}`);
    withText(program, list.join(","), (at) => program._quellon_lab_set_rules(at));
    show();
  };
  for (const element of Object.values(switches)) {
    element.addEventListener("change", () => {
      apply(element);
      element.blur(); // keys go to the maze again, not to the switch
    });
  }
  const stepClick = (button, action) =>
    onClick(button, () => {
      action();
      show();
    });
  stepClick(stepButtons.step, () => program._quellon_lab_step(!program._quellon_lab_stepping()));
  stepClick(stepButtons.next, () => program._quellon_lab_next_strip());
  stepClick(stepButtons.rest, () => program._quellon_lab_rest_of_frame());
  window.addEventListener("keyup", show);
  show();
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
  const program = await createQuellon({
    noInitialRun: true,
    print: (line) => console.log(line),
    printErr: (line) => console.error(line),
  });
  const error = await openLinkedMaze(program);
  if (error) say(`The link's maze cannot be opened (${error}); this is the carried maze.`);
  program.callMain([]);

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
}

start();
