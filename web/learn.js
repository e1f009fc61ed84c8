// The explanation's page (learn.html): one pose, one strip and one maze that every figure shows,
// each figure drawn and numbered by the program's own engine (its quellon_learn_* exports), and
// a link that fixes them: #pose=X,Y,ANGLE&strip=N[&maze=CODE], N the strip's number as the
// probe's --strip takes it. Numbers are shown as the engine wrote them, never recomputed here.
"use strict";

const STRIP_FIELDS = [
  "stripX",
  "rayOffset",
  "rayAngle",
  "wallDist",
  "wallCode",
  "texColumn",
  "distance",
  "wallHeight",
  "wallTop",
]; // a strip's line, in the probe's order and by the probe's names
const ZOOMED_SCALE = 24; // map pixels per cell where a figure follows the player
const NUDGE = 0.1; // cells an arrow key moves the player on the map
const TURN = 1; // degrees a turn button turns
const DECIMALS = 2; // of a position the player is dragged to

let program;
let engine;
const state = {
  x: "2.5",
  y: "2.5",
  angle: "0",
  strip: 0,
  ownMaze: false,
  fisheye: false,
  whatIf: new Map(), // rule name -> value, for the rules changed from Quellon's own
  walked: { "walk-h": 1, "walk-v": 1 }, // crossings shown by each walk's figure
  drawn: 1, // strips drawn by the frame's figure
  dragging: null, // the map centre kept while the player is dragged
  painted: "", // what the last cell painted did
};
let size; // the view the figures show: { width, height }

function say(line) {
  document.getElementById("learn-status").textContent = line;
}

// --- the engine ---------------------------------------------------------------------------

function text(call) {
  return answeredText(program, call);
}

function rulesText() {
  return [...state.whatIf]
    .map(([name, value]) => (value === 1 ? name : `${name}=${value}`))
    .join(",");
}

function stripCount(rules = "") {
  return withText(program, rules, (at) => program._quellon_learn_strip_count(size.width, at));
}

// The strip's numbers as the engine writes them: its line's fields, the cells its walks read,
// the walk that won and where both ended.
function castStrip(index, rules = "") {
  const lines = withText(program, rules, (rulesAt) =>
    text((at, capacity) =>
      program._quellon_learn_strip(engine, size.width, size.height, rulesAt, index, at, capacity),
    ),
  );
  if (lines === null) return null;
  const [first, ...rest] = lines.trimEnd().split("\n");
  const strip = { line: first, index };
  first.split(" ").forEach((value, i) => (strip[STRIP_FIELDS[i]] = value));
  strip.reads = rest
    .filter((line) => !line.startsWith("ends "))
    .map((line) => {
      const [walk, x, y, column, row, code] = line.split(" ");
      return { walk, x, y, column, row, code };
    });
  const ends = rest.find((line) => line.startsWith("ends ")).split(" ");
  strip.won = ends[1];
  strip.ends = {
    h: { x: ends[2], y: ends[3], dist: ends[4] },
    v: { x: ends[5], y: ends[6], dist: ends[7] },
  };
  return strip;
}

// Pictures go through one buffer in the program's memory, as large as the largest asked for.
let buffer = { at: 0, bytes: 0 };
function paint(canvas, width, height, draw) {
  const bytes = width * height * 4;
  if (bytes > buffer.bytes) {
    if (buffer.at) program._free(buffer.at);
    buffer = { at: program._malloc(bytes), bytes };
  }
  if (draw(buffer.at) !== 0) return false;
  if (canvas.width !== width || canvas.height !== height) {
    canvas.width = width;
    canvas.height = height;
  }
  const pixels = new Uint8ClampedArray(program.HEAPU8.buffer, buffer.at, bytes);
  canvas.getContext("2d").putImageData(new ImageData(pixels.slice(), width, height), 0, 0);
  return true;
}

function drawFrame(canvas, rules = "", strips = -1) {
  withText(program, rules, (rulesAt) =>
    paint(canvas, size.width, size.height, (at) =>
      program._quellon_learn_frame(engine, size.width, size.height, rulesAt, strips, at),
    ),
  );
}

// The map around `centre` (the player's place unless given), with the rays of the frame's first
// `strips` and the chosen strip's reads from `first`, `count` of them.
function drawMap(canvas, options = {}) {
  const { scale = ZOOMED_SCALE, strips = -1, first = 0, count = 1 << 20, alone = false } = options;
  const centre = options.centre || mapCentre();
  const chosen = options.chosen ?? state.strip;
  withText(program, "", (rulesAt) =>
    paint(canvas, canvas.width, canvas.height, (at) =>
      program._quellon_learn_map(
        engine,
        size.width,
        size.height,
        rulesAt,
        strips,
        chosen,
        first,
        count,
        alone,
        scale,
        centre[0],
        centre[1],
        canvas.width,
        canvas.height,
        at,
      ),
    ),
  );
}

function mapCentre() {
  return state.dragging || [Number(state.x), Number(state.y)];
}

// The map point under a pointer on a map canvas drawn around `centre` at `scale`.
function mapPoint(canvas, event, scale, centre) {
  const box = canvas.getBoundingClientRect();
  const px = Math.floor(((event.clientX - box.left) * canvas.width) / box.width);
  const py = Math.floor(((event.clientY - box.top) * canvas.height) / box.height);
  const at = program._malloc(8);
  try {
    program._quellon_learn_map_point(
      scale,
      centre[0],
      centre[1],
      canvas.width,
      canvas.height,
      px,
      py,
      at,
    );
    return [program.HEAPF32[at >> 2], program.HEAPF32[(at >> 2) + 1]];
  } finally {
    program._free(at);
  }
}

// Puts the player at a pose given as text; false, with the engine's reason in `problems` (or
// said, without one), if it is refused.
function place(x, y, angle, problems = null) {
  const why = withText(program, x, (xAt) =>
    withText(program, y, (yAt) =>
      withText(program, angle, (angleAt) =>
        text((at, capacity) =>
          program._quellon_learn_place(engine, xAt, yAt, angleAt, at, capacity),
        ),
      ),
    ),
  );
  if (why) {
    const line = `the pose ${x}, ${y}, ${angle} is refused: ${why}`;
    if (problems) problems.push(line);
    else say(`${line[0].toUpperCase()}${line.slice(1)}.`);
    return false;
  }
  Object.assign(state, { x, y, angle });
  return true;
}

// --- the figures --------------------------------------------------------------------------

const figures = new Map(); // section id -> draws the figure
const stale = new Set();
const seen = new Set(); // sections on the screen, or near it
let drawing = false;

// Every figure changes: those on the screen are drawn from the next display frame on, the
// others after them, when the browser is idle, so that every figure's numbers (its text for
// those who cannot see it) are there without scrolling to it.
function changed() {
  for (const id of figures.keys()) stale.add(id);
  showState();
  schedule();
}

// One figure per task, so that no single task of the page's holds up the next frame.
const whenIdle = window.requestIdleCallback
  ? (run) => requestIdleCallback(run, { timeout: 500 })
  : (run) => setTimeout(run, 50);
function schedule() {
  if (drawing || stale.size === 0) return;
  drawing = true;
  const onScreen = [...stale].some((id) => seen.has(id));
  (onScreen ? requestAnimationFrame : whenIdle)(() => {
    drawing = false;
    const next = [...stale].find((id) => seen.has(id)) ?? [...stale][0];
    if (next === undefined) return;
    stale.delete(next);
    figures.get(next)();
    schedule();
  });
}

function numbers(id, lines) {
  document.getElementById(`${id}-numbers`).textContent = lines.join("\n");
}

const named = (strip, ...fields) => fields.map((field) => `${field} ${strip[field]}`).join(", ");
const point = (x, y) => `(${x}, ${y})`;
const cellText = (read) =>
  `cell ${read.column},${read.row} holds ${read.code}${read.code === "0" ? " (open floor)" : " (a wall)"}`;

function crossingLines(reads) {
  return reads.map(
    (read, i) =>
      `${i + 1}. crosses ${read.walk === "h" ? `y = ${read.y}` : `x = ${read.x}`} at ` +
      `${point(read.x, read.y)}: ${cellText(read)}`,
  );
}

function stripHeading(strip) {
  return `strip ${strip.index}: ${named(strip, "stripX", "rayOffset", "rayAngle")}`;
}

figures.set("grid", () => {
  drawMap(document.getElementById("grid-map"), { strips: 0, chosen: -1 });
  const pose = text((at, capacity) => program._quellon_learn_pose(engine, at, capacity)).split(" ");
  const grid = text((at, capacity) => program._quellon_learn_grid(engine, at, capacity))
    .trimEnd()
    .split("\n");
  const column = Math.min(63, Math.floor(Number(state.x)));
  const row = Math.min(63, Math.floor(Number(state.y)));
  const from = Math.max(0, Math.min(64 - 16, column - 8));
  // The grid file lists row 00 first; the map shows it at the bottom, so the rows around the
  // player are shown as the map shows them, the highest first.
  const rows = [];
  for (let r = Math.min(63, row + 4); r >= Math.max(0, row - 4); --r) {
    const [number, cells] = grid[r].split(" ");
    rows.push(
      `${number} ${cells.slice(from, from + 16)}${r === row ? "  <- the player's row" : ""}`,
    );
  }
  numbers("grid", [
    `pose: x ${pose[0]}, y ${pose[1]}, angle ${pose[2]}`,
    `the player stands in cell ${column},${row}`,
    `the grid around them (rows as the grid file numbers them; columns ${from}..${from + 15};`,
    `"." open floor, 1..5 walls):`,
    ...rows,
  ]);
  document.getElementById("pose-x").value = state.x;
  document.getElementById("pose-y").value = state.y;
  document.getElementById("pose-angle").value = state.angle;
});

figures.set("rays", () => {
  const strip = castStrip(state.strip);
  drawFrame(document.getElementById("rays-view"));
  drawMap(document.getElementById("rays-map"));
  const range = document.getElementById("strip-range");
  range.max = String(stripCount() - 1);
  range.value = String(state.strip);
  numbers("rays", [
    `${stripCount()} strips across a view ${size.width} by ${size.height}; the picked one:`,
    stripHeading(strip),
  ]);
});

function walkFigure(id, walk) {
  const strip = castStrip(state.strip);
  const all = strip.reads.filter((read) => read.walk === walk);
  const first = strip.reads.indexOf(all[0]);
  const shown = Math.min(state.walked[id], all.length);
  drawMap(document.getElementById(`${id}-map`), {
    first: first < 0 ? 0 : first,
    count: shown,
    alone: true,
  });
  const end = strip.ends[walk];
  const lines = [stripHeading(strip)];
  if (all.length === 0) {
    lines.push(
      `The first line it would cross, at ${point(end.x, end.y)}, is off the grid: this walk reads no cell.`,
    );
  } else {
    lines.push(...crossingLines(all.slice(0, shown)));
    const last = all[all.length - 1];
    const left = all.length - shown;
    if (left > 0) lines.push(`(${left} more crossing${left === 1 ? "" : "s"}: Next crossing)`);
    else if (last.code !== "0") lines.push(`A wall: the walk ends at ${point(end.x, end.y)}.`);
    else lines.push(`The walk leaves the grid at ${point(end.x, end.y)}.`);
  }
  numbers(id, lines);
  for (const button of document.querySelectorAll(`[data-walk="${id}"]`)) {
    if (button.dataset.act !== "again") button.disabled = shown >= all.length;
  }
}
figures.set("walk-h", () => walkFigure("walk-h", "h"));
figures.set("walk-v", () => walkFigure("walk-v", "v"));

const walkName = { h: "horizontal", v: "vertical" };

figures.set("nearer", () => {
  const strip = castStrip(state.strip);
  drawMap(document.getElementById("nearer-map"), { alone: true });
  const end = (walk) =>
    `the ${walkName[walk]} walk ended at ${point(strip.ends[walk].x, strip.ends[walk].y)}, ` +
    `${strip.ends[walk].dist} away`;
  numbers("nearer", [
    stripHeading(strip),
    end("h"),
    end("v"),
    `the ${walkName[strip.won]} walk is nearer: ${named(strip, "wallDist", "wallCode")}`,
  ]);
});

figures.set("height", () => {
  const strip = castStrip(state.strip);
  const fisheye = castStrip(state.strip, "fisheye");
  drawFrame(document.getElementById("height-view"), state.fisheye ? "fisheye" : "");
  numbers("height", [
    stripHeading(strip),
    `corrected by the cosine of rayOffset ${strip.rayOffset}: ${named(strip, "wallDist", "distance")}`,
    `on a view ${size.height} tall: ${named(strip, "wallHeight", "wallTop")}`,
    `without the correction (fisheye): ${named(fisheye, "distance", "wallHeight", "wallTop")}`,
    state.fisheye
      ? "The picture is drawn without the correction."
      : "The picture is Quellon's own.",
  ]);
});

figures.set("texture", () => {
  const strip = castStrip(state.strip);
  const picture = document.getElementById("texture-picture");
  const code = Number(strip.wallCode);
  const side = program._quellon_learn_texture(engine, code, 0, 0);
  paint(picture, side, side, (at) =>
    program._quellon_learn_texture(engine, code, at, side * side) === side ? 0 : -1,
  );
  const column = Number(strip.texColumn);
  const context = picture.getContext("2d");
  context.strokeStyle = "#ff50ff";
  context.strokeRect(column - 0.5, -1, 2, side + 2);
  // The rows of the picture the column shows, view row by view row.
  const rows = new Int32Array(size.height);
  withBytes(program, new Uint8Array(size.height * 4), (at) => {
    program._quellon_learn_column_rows(
      size.height,
      Number(strip.wallTop),
      Number(strip.wallHeight),
      at,
    );
    rows.set(program.HEAP32.subarray(at >> 2, (at >> 2) + size.height));
  });
  const columnCanvas = document.getElementById("texture-column");
  columnCanvas.height = size.height;
  const source = context.getImageData(0, 0, side, side).data;
  const out = columnCanvas.getContext("2d").createImageData(columnCanvas.width, size.height);
  for (let y = 0; y < size.height; ++y) {
    for (let x = 0; x < columnCanvas.width; ++x) {
      const to = (y * columnCanvas.width + x) * 4;
      if (rows[y] < 0) {
        out.data.set([0, 0, 0, 255], to);
        continue;
      }
      const from = (rows[y] * side + column) * 4;
      out.data.set(source.subarray(from, from + 4), to);
    }
  }
  columnCanvas.getContext("2d").putImageData(out, 0, 0);
  const along = strip.won === "h" ? `x = ${strip.ends.h.x}` : `y = ${strip.ends.v.y}`;
  const kept = new Set([...rows].filter((row) => row >= 0));
  const dropped = [...Array(side).keys()].filter((row) => !kept.has(row));
  const visible = [...rows].filter((row) => row >= 0).length;
  numbers("texture", [
    stripHeading(strip),
    `the ray struck the ${walkName[strip.won]} line at ${along}: ${named(strip, "wallCode", "texColumn")}`,
    `${named(strip, "wallHeight", "wallTop")}: ${visible} of the view's rows show the column`,
    Number(strip.wallHeight) < side
      ? `kept: rows ${[...kept].join(" ")}\ndropped: rows ${dropped.join(" ")}`
      : dropped.length > 0
        ? `the view shows rows ${[...kept][0]}..${[...kept].pop()}; the rest lie beyond its edges`
        : `every one of the ${side} rows is kept, some shown more than once`,
  ]);
});

figures.set("frame", () => {
  const count = stripCount();
  state.drawn = Math.min(state.drawn, count);
  drawFrame(document.getElementById("frame-view"), "", state.drawn);
  drawMap(document.getElementById("frame-map"), { strips: state.drawn, chosen: state.drawn - 1 });
  const range = document.getElementById("frame-range");
  range.max = String(count);
  range.value = String(state.drawn);
  const lines = [`${state.drawn} of ${count} strips drawn`];
  if (state.drawn > 0) {
    const last = castStrip(state.drawn - 1);
    lines.push(
      `the last: ${stripHeading(last)}`,
      `  ${named(last, "wallDist", "distance", "wallHeight", "wallTop", "texColumn")}`,
    );
  }
  numbers("frame", lines);
  document.getElementById("frame-next").disabled = document.getElementById("frame-all").disabled =
    state.drawn >= count;
});

let ruleTable = [];
figures.set("what-if", () => {
  const rules = rulesText();
  drawFrame(document.getElementById("what-if-today"));
  drawFrame(document.getElementById("what-if-view"), rules);
  const today = castStrip(state.strip);
  const width = state.whatIf.get("strip") || ruleTable.find((rule) => rule.name === "strip").today;
  const index = Math.min(Math.floor(Number(today.stripX) / width), stripCount(rules) - 1);
  const changedStrip = castStrip(index, rules);
  numbers("what-if", [
    `rules: ${rules || "Quellon's own"}`,
    `${stripCount(rules)} strips; at x ${today.stripX}, ${stripHeading(changedStrip)}`,
    `  ${named(changedStrip, "wallDist", "distance", "wallHeight", "wallTop", "texColumn")}`,
    `Quellon's own ${stripHeading(today)}`,
    `  ${named(today, "wallDist", "distance", "wallHeight", "wallTop", "texColumn")}`,
  ]);
});

figures.set("own", () => {
  drawMap(document.getElementById("own-map"), { scale: 5, centre: [32, 32] });
  const strip = castStrip(state.strip);
  numbers("own", [
    state.ownMaze ? "Your own maze: every figure shows it." : "Quellon's own maze.",
    state.painted || "The whole grid, 5 pixels a cell, with the rays of the view.",
    `${stripHeading(strip)}: ${named(strip, "wallDist", "wallCode")}`,
  ]);
});

// --- what the reader does -----------------------------------------------------------------

function showState() {
  document.getElementById("state-text").textContent =
    `pose ${state.x}, ${state.y}, ${state.angle} · strip ${state.strip}` +
    (state.ownMaze ? " · your own maze" : "");
}

function pickStrip(index) {
  const count = stripCount();
  state.strip = Math.max(0, Math.min(count - 1, index));
  state.walked["walk-h"] = state.walked["walk-v"] = 1;
  changed();
}

function placed(x, y, angle) {
  if (place(x, y, angle)) {
    state.walked["walk-h"] = state.walked["walk-v"] = 1;
    changed();
  }
}

const fixed = (value) => String(Math.round(value * 10 ** DECIMALS) / 10 ** DECIMALS);

// A map where the player can be dragged: the map stays put while they are.
function draggable(canvas) {
  canvas.style.touchAction = "none";
  const move = (event) => {
    const [x, y] = mapPoint(canvas, event, ZOOMED_SCALE, state.dragging);
    const inside = (v) => Math.max(0, Math.min(64, v));
    placed(fixed(inside(x)), fixed(inside(y)), state.angle);
  };
  canvas.addEventListener("pointerdown", (event) => {
    state.dragging = mapCentre();
    canvas.setPointerCapture(event.pointerId);
    move(event);
  });
  canvas.addEventListener("pointermove", (event) => {
    if (state.dragging) move(event);
  });
  for (const end of ["pointerup", "pointercancel"]) {
    canvas.addEventListener(end, () => {
      state.dragging = null;
      changed();
    });
  }
  canvas.addEventListener("keydown", (event) => {
    const by = {
      ArrowLeft: [-NUDGE, 0],
      ArrowRight: [NUDGE, 0],
      ArrowUp: [0, NUDGE],
      ArrowDown: [0, -NUDGE],
    }[event.key];
    if (!by) return;
    event.preventDefault();
    placed(fixed(Number(state.x) + by[0]), fixed(Number(state.y) + by[1]), state.angle);
  });
}

// A view where a strip is picked by pointing, or by the arrow keys.
function pickable(canvas) {
  const pick = (event) => {
    const box = canvas.getBoundingClientRect();
    const x = Math.floor(((event.clientX - box.left) * canvas.width) / box.width);
    const width = ruleTable.find((rule) => rule.name === "strip").today;
    pickStrip(Math.floor(x / width));
  };
  canvas.addEventListener("pointerdown", pick);
  canvas.addEventListener("pointermove", (event) => {
    if (event.buttons || event.pointerType === "mouse") pick(event);
  });
  canvas.addEventListener("keydown", (event) => {
    const by = { ArrowLeft: -1, ArrowRight: 1 }[event.key];
    if (!by) return;
    event.preventDefault();
    pickStrip(state.strip + by);
  });
}

function whatIfSwitches() {
  const box = document.getElementById("what-if-switches");
  for (const rule of ruleTable) {
    const { label, control } = ruleControl(rule);
    if (rule.takesValue) control.value = String(rule.today);
    control.addEventListener("change", () => {
      const value = rule.takesValue ? Number(control.value) : Number(control.checked);
      if (value === rule.today) state.whatIf.delete(rule.name);
      else state.whatIf.set(rule.name, value);
      if (value && rule.excludes && state.whatIf.delete(rule.excludes))
        box.querySelector(`[data-rule="${rule.excludes}"]`).checked = false;
      stale.add("what-if");
      schedule();
    });
    box.append(label);
  }
}

// The link of what every figure shows now: the pose, the strip and, if it is the reader's own,
// the maze.
async function link() {
  let hash = `#pose=${state.x},${state.y},${state.angle}&strip=${state.strip}`;
  if (state.ownMaze)
    hash += `&maze=${await mazeCodeOf(program, program._quellon_learn_mazes(engine))}`;
  return `${location.href.split("#")[0]}${hash}`;
}

// The state a link fixes; anything it gets wrong is said, and left as it was.
async function follow(hash) {
  const fields = new Map(
    hash
      .replace(/^#/, "")
      .split("&")
      .filter(Boolean)
      .map((field) => {
        const at = field.indexOf("=");
        return at < 0 ? [field, ""] : [field.slice(0, at), decodeURIComponent(field.slice(at + 1))];
      }),
  );
  const problems = [];
  if (fields.has("maze")) {
    const why = await openCode(program, program._quellon_learn_mazes(engine), fields.get("maze"));
    if (why) problems.push(`the link's maze cannot be opened (${why})`);
    else state.ownMaze = true;
  }
  if (fields.has("pose")) {
    const pose = fields.get("pose").split(",");
    if (pose.length !== 3) problems.push("pose= takes X,Y,ANGLE");
    else place(...pose, problems);
  }
  if (fields.has("strip")) {
    const strip = Number(fields.get("strip"));
    if (!/^\d+$/.test(fields.get("strip")) || strip >= stripCount())
      problems.push(`strip= takes a strip number from 0 to ${stripCount() - 1}`);
    else state.strip = strip;
  }
  if (problems.length > 0) say(`${problems.join("; ")}.`);
  changed();
}

function wire() {
  document.getElementById("link").addEventListener("click", async () => {
    const address = await link();
    history.replaceState(null, "", address);
    try {
      await navigator.clipboard.writeText(address);
      say("The link to this is on the clipboard, and in the address bar.");
    } catch (e) {
      say("The link to this is in the address bar: copy it from there.");
    }
  });
  window.addEventListener("hashchange", () => follow(location.hash));
  document.getElementById("pose-form").addEventListener("submit", (event) => {
    event.preventDefault();
    const value = (id) => document.getElementById(id).value.trim();
    placed(value("pose-x"), value("pose-y"), value("pose-angle"));
  });
  const turn = (by) => placed(state.x, state.y, String(Number(state.angle) + by));
  document.getElementById("turn-left").addEventListener("click", () => turn(-TURN));
  document.getElementById("turn-right").addEventListener("click", () => turn(TURN));
  for (const id of ["grid-map", "rays-map", "walk-h-map", "walk-v-map", "nearer-map", "frame-map"])
    draggable(document.getElementById(id));
  document
    .getElementById("strip-before")
    .addEventListener("click", () => pickStrip(state.strip - 1));
  document
    .getElementById("strip-after")
    .addEventListener("click", () => pickStrip(state.strip + 1));
  for (const id of ["rays-view", "height-view"]) pickable(document.getElementById(id));
  document
    .getElementById("strip-range")
    .addEventListener("input", (event) => pickStrip(Number(event.target.value)));
  for (const button of document.querySelectorAll("[data-walk]")) {
    button.addEventListener("click", () => {
      const id = button.dataset.walk;
      state.walked[id] = { next: state.walked[id] + 1, all: 64, again: 1 }[button.dataset.act];
      stale.add(id);
      schedule();
    });
  }
  document.getElementById("fisheye").addEventListener("change", (event) => {
    state.fisheye = event.target.checked;
    stale.add("height");
    schedule();
  });
  const frameTo = (drawn) => {
    state.drawn = Math.max(0, drawn);
    stale.add("frame");
    schedule();
  };
  document.getElementById("frame-next").addEventListener("click", () => frameTo(state.drawn + 1));
  document.getElementById("frame-all").addEventListener("click", () => frameTo(stripCount()));
  document.getElementById("frame-again").addEventListener("click", () => frameTo(0));
  document
    .getElementById("frame-range")
    .addEventListener("input", (event) => frameTo(Number(event.target.value)));
  whatIfSwitches();
  // Painting the whole grid: a tap or click, or a cell typed in.
  const paintCell = (column, row) => {
    const said = text((at, capacity) =>
      program._quellon_learn_paint(engine, column, row, at, capacity),
    );
    state.painted = said;
    state.ownMaze = true;
    changed();
  };
  const own = document.getElementById("own-map");
  own.addEventListener("pointerdown", (event) => {
    const [x, y] = mapPoint(own, event, 5, [32, 32]);
    paintCell(Math.floor(x), Math.floor(y));
  });
  document.getElementById("paint-form").addEventListener("submit", (event) => {
    event.preventDefault();
    const column = document.getElementById("paint-column").value.trim();
    const row = document.getElementById("paint-row").value.trim();
    if (!/^\d+$/.test(column) || !/^\d+$/.test(row)) {
      say("A cell is given by its column and row, whole numbers from 0 to 63.");
      return;
    }
    paintCell(Number(column), Number(row));
  });
  const picker = document.getElementById("own-open");
  picker.addEventListener("change", async () => {
    if (picker.files.length === 0) return;
    const said = await openFile(program, program._quellon_learn_mazes(engine), picker.files[0]);
    picker.value = "";
    say(said);
    state.ownMaze = true;
    changed();
  });
  // Figures near the screen are drawn first.
  const near = new IntersectionObserver(
    (entries) => {
      for (const entry of entries) {
        if (entry.isIntersecting) seen.add(entry.target.id);
        else seen.delete(entry.target.id);
      }
      schedule();
    },
    { rootMargin: "200px" },
  );
  for (const id of figures.keys()) near.observe(document.getElementById(id));
}

async function start() {
  if (location.protocol === "file:") {
    say(
      "This page must be served, not opened as a file: run ./web.sh and open http://127.0.0.1:8080/learn.html",
    );
    return;
  }
  program = await loadProgram();
  engine = program._quellon_learn();
  size = {
    width: program._quellon_learn_view_width(),
    height: program._quellon_learn_view_height(),
  };
  ruleTable = JSON.parse(text((at, capacity) => program._quellon_lab_rule_table(at, capacity)));
  state.strip = Math.floor(stripCount() / 2);
  wire();
  await follow(location.hash);
}

start();
