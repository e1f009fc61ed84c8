// What both pages (the program's and the explanation's) share in calling the program: copying
// bytes and texts into its memory, reading the answers of its exports, and opening and coding
// mazes. The program checks and keeps a maze; the page does only what a browser does best:
// reading files, decoding PNG images, and packing the cells with the browser's own compression
// streams (and pako, which packs as zlib does). Each maze export acts on a maze holder, the
// program's (quellon_program_mazes) or the explanation's (quellon_learn_mazes).
"use strict";

const PNG = 2; // what quellon_file_format says of a PNG
// The program, which a page loads once it has shown its text, and the deflater, loaded when a
// link is first made.
const PROGRAM_SCRIPT = "quellon.js";
const DEFLATER_SCRIPT = "pako_deflate.min.js";

function loadScript(src) {
  return new Promise((resolve, reject) => {
    const script = document.createElement("script");
    script.src = src;
    script.onload = resolve;
    script.onerror = () => reject(new Error(`${src} did not load`));
    document.head.append(script);
  });
}

// The program, made ready without running its main(): loaded once the page's text is on the
// screen (its first contentful paint, where the browser reports it), so that nothing of the
// program's (its script, its WebAssembly) stands between the page's text and the screen. A
// browser that paints nothing it reports (a page in a frame it has not drawn yet, a tab in the
// background) gets the program a second after the page's scripts ran all the same.
const PROGRAM_AT_THE_LATEST_MS = 1000;
async function loadProgram() {
  await new Promise((resolve) => {
    const after = () => setTimeout(resolve, 0);
    setTimeout(resolve, PROGRAM_AT_THE_LATEST_MS);
    const painted = () => performance.getEntriesByName("first-contentful-paint").length > 0;
    const reported = window.PerformanceObserver?.supportedEntryTypes?.includes("paint");
    if (!reported || painted()) {
      requestAnimationFrame(after);
      return;
    }
    new PerformanceObserver((list, observer) => {
      if (!painted()) return;
      observer.disconnect();
      after();
    }).observe({ type: "paint", buffered: true });
  });
  await loadScript(PROGRAM_SCRIPT);
  return createQuellon({
    noInitialRun: true,
    print: (line) => console.log(line),
    printErr: (line) => console.error(line),
  });
}
// How the desktop packs a maze with zlib: the best compression, the most memory, raw DEFLATE.
const PACKING = { level: 9, memLevel: 9, windowBits: -15 };

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
async function openCode(program, holder, code) {
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
        holder,
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

// A file picked or dropped: a PNG is decoded here, anything else goes to the program as it is.
// Returns what happened, in a line.
async function openFile(program, holder, file) {
  if (file.size > program._quellon_max_maze_file_bytes()) {
    return `${file.name}: larger than ${program._quellon_max_maze_file_bytes()} bytes`;
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
      return `${file.name}: does not decode as a PNG image`;
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
            holder,
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
          program._quellon_open_maze_file(holder, name, bytesAt, length, at, capacity),
        ),
      ),
    );
  }
  return error ? error : `Opened ${file.name}.`;
}

// The code of the maze `holder` has now, as the desktop's zlib would pack it (pako).
let deflater = null;
async function mazeCodeOf(program, holder) {
  deflater = deflater || loadScript(DEFLATER_SCRIPT);
  await deflater;
  const cells = answered(
    program,
    (at, capacity) => program._quellon_maze_cells(holder, at, capacity),
    program._quellon_maze_cell_count(),
  );
  const packed = pako.deflateRaw(cells, PACKING);
  return withBytes(program, packed, (packedAt, length) =>
    answeredText(program, (at, capacity) =>
      program._quellon_maze_code(packedAt, length, at, capacity),
    ),
  );
}

// A switch for one rule of the program's rule table: a list of the values it steps through,
// or a check box; labelled as the lab labels it and marked with the rule's name.
function ruleControl(rule) {
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
  return { label, control };
}
