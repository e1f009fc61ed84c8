// The web page in headless Chromium, beside the desktop program in the same run: the first
// screen is the probe's frame, holding Up for three seconds walks to the same picture as on
// the desktop, the rate text appears and grows, a held S offers one download, a link's maze
// opens and the page's links read back in the probe, a picked level image opens, a finger on the
// walk button walks, a switch beside the map and the step buttons change the picture as the
// probe's --what-if and --until-strip do, the page keeps the desktop's pace of ticks, and
// nothing is fetched from anywhere but the page's own folder.
//
//   node page_test.mjs SITE_DIR PROBE XDRIVE QUELLON MAKE_LEVEL
//
// Exit status 0 pass, 1 fail, 77 skipped (no Chromium, or the page not built).
import { spawn, spawnSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { launchChromium } from "./cdp.mjs";
import { serveSite } from "./serve_site.mjs";

const [site, probe, xdrive, quellon, makeLevel] = process.argv
  .slice(2)
  .map((arg) => path.resolve(arg));
const CHROMIUM = process.env.CHROMIUM || "/usr/bin/chromium";
// The window the page is shown in; the view fills its box there, and its size, read from the
// first screen, is the size of every probe frame it is held to.
const WINDOW = { width: 800, height: 600, deviceScaleFactor: 1, mobile: false };
const VIEW = { width: 0, height: 0 };
const TEXT = { x: 0, y: 0, width: 70, height: 11 }; // where the rate line may be
const HOLD_MS = 900; // short of the 237 ticks that take the player to the wall
const HOLDS = 5; // the ticks of five holds are counted together
// How far the page's pace of ticks may be from the desktop's. The loop runs the whole ticks a
// pass took and drops the rest: the desktop's passes take 6 ms (150 ticks a hold), the page's
// now and then more, the more so on a busy machine; on one running other builds the page ran 2
// to 6 % fewer ticks than the desktop.
const TOLERANCE = 0.1;
const work = fs.mkdtempSync(path.join(os.tmpdir(), "quellon-page-"));
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const say = (line) => console.log(`page_test: ${line}`);
let failed = false;
const fail = (line) => {
  console.error(`page_test: FAIL: ${line}`);
  failed = true;
};

if (!site || !probe || !xdrive || !quellon || !makeLevel) {
  console.error("usage: node page_test.mjs SITE_DIR PROBE XDRIVE QUELLON MAKE_LEVEL");
  process.exit(2);
}
if (!fs.existsSync(CHROMIUM)) {
  console.log(`page_test: skipped: no Chromium at ${CHROMIUM} (Debian: apt-get install chromium)`);
  process.exit(77);
}
if (!fs.existsSync(path.join(site, "quellon.wasm"))) {
  console.log(
    `page_test: skipped: the page is not built in ${site} (./web.sh --no-serve builds it)`,
  );
  process.exit(77);
}

// --- pictures ------------------------------------------------------------------------------

// A 24-bit BMP as { width, height, rgb }, rows top first.
function readBmp(file) {
  const b = fs.readFileSync(file);
  const width = b.readInt32LE(18);
  const height = b.readInt32LE(22);
  const stride = Math.ceil((width * 3) / 4) * 4;
  const rgb = Buffer.alloc(width * height * 3);
  for (let y = 0; y < height; ++y) {
    const row = b.readUInt32LE(10) + (height - 1 - y) * stride;
    for (let x = 0; x < width; ++x) {
      rgb[(y * width + x) * 3] = b[row + x * 3 + 2];
      rgb[(y * width + x) * 3 + 1] = b[row + x * 3 + 1];
      rgb[(y * width + x) * 3 + 2] = b[row + x * 3];
    }
  }
  return { width, height, rgb };
}

function writeBmp(file, { width, height, rgb }) {
  const stride = Math.ceil((width * 3) / 4) * 4;
  const b = Buffer.alloc(54 + stride * height);
  b.write("BM", 0);
  b.writeUInt32LE(b.length, 2);
  b.writeUInt32LE(54, 10);
  b.writeUInt32LE(40, 14);
  b.writeInt32LE(width, 18);
  b.writeInt32LE(height, 22);
  b.writeUInt16LE(1, 26);
  b.writeUInt16LE(24, 28);
  b.writeUInt32LE(stride * height, 34);
  for (let y = 0; y < height; ++y) {
    for (let x = 0; x < width; ++x) {
      const at = 54 + (height - 1 - y) * stride + x * 3;
      b[at] = rgb[(y * width + x) * 3 + 2];
      b[at + 1] = rgb[(y * width + x) * 3 + 1];
      b[at + 2] = rgb[(y * width + x) * 3];
    }
  }
  fs.writeFileSync(file, b);
}

function crop(picture, { x, y, width, height }) {
  const rgb = Buffer.alloc(width * height * 3);
  for (let row = 0; row < height; ++row) {
    const from = ((y + row) * picture.width + x) * 3;
    picture.rgb.copy(rgb, row * width * 3, from, from + width * 3);
  }
  return { width, height, rgb };
}

// Pixels that differ outside the rate text, and the first of them.
function difference(a, b) {
  if (a.width !== b.width || a.height !== b.height)
    return { count: Infinity, first: "sizes differ" };
  let count = 0;
  let first = "";
  for (let y = 0; y < a.height; ++y) {
    for (let x = 0; x < a.width; ++x) {
      if (x < TEXT.x + TEXT.width && y < TEXT.y + TEXT.height) continue;
      const i = (y * a.width + x) * 3;
      if (a.rgb[i] !== b.rgb[i] || a.rgb[i + 1] !== b.rgb[i + 1] || a.rgb[i + 2] !== b.rgb[i + 2]) {
        if (count++ === 0) first = `(${x}, ${y})`;
      }
    }
  }
  return { count, first };
}

function run(program, args) {
  const r = spawnSync(program, args, { encoding: "utf8" });
  if (r.status !== 0) throw new Error(`${program} ${args.join(" ")}: ${r.stderr || r.error}`);
  return r.stdout;
}

// The line of text at the top-left corner of a picture, read with the program's own font.
function rateText(picture, name) {
  const file = path.join(work, `${name}.bmp`);
  writeBmp(file, crop(picture, TEXT));
  return run(xdrive, ["text", file]).trim();
}

// The probe's frame from (2.5, y) facing 0, at the page's view size unless `size` says another.
function probeFrame(y, name, ...maze) {
  return probeFrameSized(y, name, VIEW, ...maze);
}

function probeFrameSized(y, name, { width, height }, ...maze) {
  const file = path.join(work, `${name}.bmp`);
  run(probe, ["frame", "2.5", String(y), "0", String(width), String(height), file, ...maze]);
  return readBmp(file);
}

// A maze nobody drew, as a grid: about one wall in five, of every code, in a closed ring, the
// start cell open.
function randomGrid(seed) {
  let state = seed;
  const next = () => (state = (state * 1103515245 + 12345) % 2147483648) / 2147483648;
  const rows = [];
  for (let row = 0; row < 64; ++row) {
    let cells = "";
    for (let column = 0; column < 64; ++column) {
      const ring = row === 0 || row === 63 || column === 0 || column === 63;
      const start = row === 2 && column === 2;
      cells += !start && (ring || next() < 0.2) ? String(1 + Math.floor(next() * 5)) : ".";
    }
    rows.push(`${String(row).padStart(2, "0")} ${cells}\n`);
  }
  return rows.join("");
}

// Walking up column 2 from the start, the picture after every tick until the wall, at the size
// of the picture it is held to: whichever matches a picture tells how many ticks ran.
const walkPoses = spawnSync(probe, ["walk"], { input: "1 up\n".repeat(240), encoding: "utf8" })
  .stdout.trim()
  .split("\n")
  .map((line) => line.split(" ")[1]);
const walkFrames = new Map();
function ticksWalked(picture) {
  for (let ticks = 0; ticks <= walkPoses.length; ++ticks) {
    const y = ticks === 0 ? "2.5" : walkPoses[ticks - 1];
    const key = `${y} ${picture.width}x${picture.height}`;
    if (!walkFrames.has(key)) walkFrames.set(key, probeFrameSized(y, `walk_${ticks}`, picture));
    if (difference(picture, walkFrames.get(key)).count === 0) return ticks;
  }
  return -1;
}

// --- the page ------------------------------------------------------------------------------

const { server, origin } = await serveSite(site);

const browser = await launchChromium(CHROMIUM);
const page = await browser.newPage();
await page.send("Emulation.setDeviceMetricsOverride", WINDOW);
const fetched = [];
const problems = [];
browser.on((m) => {
  if (m.method === "Network.requestWillBeSent") fetched.push(m.params.request.url);
  if (m.method === "Runtime.exceptionThrown") problems.push(m.params.exceptionDetails.text);
});

async function viewPicture() {
  const base64 = await page.eval(`(() => {
    const c = document.getElementById("view");
    const d = c.getContext("2d").getImageData(0, 0, c.width, c.height).data;
    let s = "";
    for (let i = 0; i < d.length; i += 4) s += String.fromCharCode(d[i], d[i + 1], d[i + 2]);
    return c.width + " " + c.height + " " + performance.now() + " " + btoa(s);
  })()`);
  const [width, height, ms, data] = base64.split(" ");
  // ms: the page's clock when the picture was read, which the program's ticks also count
  return {
    width: Number(width),
    height: Number(height),
    ms: Number(ms),
    rgb: Buffer.from(data, "base64"),
  };
}

async function openPage(hash = "") {
  // A new document each time: a change of the fragment alone would not load the page again.
  await page.goto("about:blank");
  await page.goto(`${origin}/index.html${hash}`);
  for (let i = 0; i < 200; ++i) {
    const picture = await viewPicture();
    const box =
      await page.eval(`(() => { const r = document.getElementById("view").getBoundingClientRect();
                                          return [Math.round(r.width), Math.round(r.height)]; })()`);
    const sized = picture.width === box[0] && picture.height === box[1];
    if (sized && picture.rgb.some((v) => v !== 0)) return picture;
    await sleep(50);
  }
  throw new Error("the page drew nothing within 10 s");
}

const UP = { key: "ArrowUp", code: "ArrowUp", keyCode: 38 };
async function holdUp(ms) {
  await page.key("keyDown", UP);
  await sleep(ms);
  await page.key("keyUp", UP);
  await sleep(300);
}

async function rateAt(width, height) {
  await page.eval(`(() => { const b = document.querySelector(".view-box");
                            b.style.width = "${width}px"; b.style.height = "${height}px";
                            b.style.maxHeight = "none"; })()`);
  await sleep(3500);
  return rateText(await viewPicture(), `page_rate_${width}`);
}

const figures = {};
try {
  const first = await openPage();
  Object.assign(VIEW, { width: first.width, height: first.height });
  const text = rateText(first, "first_text");
  const start = probeFrame(2.5, "start");
  const d = difference(first, start);
  if (d.count !== 0)
    fail(
      `the first screen differs from quellon-probe frame 2.5 2.5 0 in ${d.count} pixels, first at ${d.first}`,
    );
  else
    say(
      `the first screen equals quellon-probe frame 2.5 2.5 0 ${VIEW.width} ${VIEW.height} outside the rate text`,
    );
  // The first second's frames print 0; a machine slow enough to show the page later than that
  // has already printed its first rate.
  if (first.ms < 900 && text !== "0 fps")
    fail(`the first rate text reads "${text}", expected "0 fps"`);
  await sleep(1500);
  const later = rateText(await viewPicture(), "later_text");
  const rate = /^(\d+) fps$/.exec(later);
  if (!rate || Number(rate[1]) <= 0)
    fail(`after 1.5 s the rate text reads "${later}", expected a rate above 0`);
  else say(`the rate text reads "${text}" at first and "${later}" after the first second`);

  await holdUp(3000);
  const walked = await viewPicture();
  const wall = probeFrame(11.979991, "at_wall");
  const w = difference(walked, wall);
  if (w.count !== 0)
    fail(
      `after holding Up for 3 s the view differs from quellon-probe frame 2.5 11.979991 0 in ${w.count} pixels, first at ${w.first}`,
    );
  else
    say(
      "holding Up for 3 s walks to the wall: the view equals quellon-probe frame 2.5 11.979991 0",
    );

  // A key held while the page loses the focus comes up, as in a desktop window.
  await openPage();
  await page.key("keyDown", UP);
  await sleep(300);
  await page.eval(`window.dispatchEvent(new Event("blur"))`);
  await sleep(200);
  const stopped = await viewPicture();
  await sleep(400);
  const still = await viewPicture();
  if (difference(stopped, still).count !== 0)
    fail("a key held while the page lost the focus kept walking");
  else say("a key held while the page loses the focus stops walking");
  await page.key("keyUp", UP);

  // Saving is a command: a held S offers the grid once, however often the key repeats.
  await page.eval(`(() => {
    window.offered = [];
    HTMLAnchorElement.prototype.click = function () { if (this.download) window.offered.push(this.download); };
  })()`);
  const S = { key: "s", code: "KeyS", keyCode: 83 };
  await page.key("keyDown", S);
  for (let i = 0; i < 5; ++i) await page.key("keyDown", S, true);
  await page.key("keyUp", S);
  await sleep(300);
  const offered = await page.eval("window.offered");
  if (offered.length !== 1)
    fail(
      `holding S through 5 repeats offered ${offered.length} downloads (${offered.join(", ")}), expected 1`,
    );
  else say(`holding S through 5 repeats offers one download, ${offered[0]}`);

  // A link's maze, from the probe's code: the page starts in it.
  const mazeFile = path.join(work, "maze.txt");
  fs.writeFileSync(mazeFile, randomGrid(20261208));
  const code = run(probe, ["maze-code", "--level", mazeFile]).trim();
  const linked = difference(
    await openPage(`#maze=${code}`),
    probeFrame(2.5, "linked", "--maze", code),
  );
  if (linked.count !== 0)
    fail(
      `opened at #maze=CODE the view differs from the probe's frame of that maze in ${linked.count} pixels`,
    );
  else
    say(
      `opened at #maze= with the probe's code (${code.length} characters) the view is that maze's`,
    );
  // And the page's own code of it is the desktop's, character for character: one maze, one
  // code. The whole link, pasted, opens on the desktop too.
  await page.eval(`document.getElementById("copy-link").click()`);
  await sleep(500);
  const pageLink = await page.eval("location.href");
  const pageCode = decodeURIComponent((await page.eval("location.hash")).replace(/^#maze=/, ""));
  if (pageCode !== code)
    fail(`Copy link gives the code ${pageCode.slice(0, 20)}..., the probe ${code.slice(0, 20)}...`);
  else if (run(probe, ["maze-grid", "--maze", pageLink]) !== fs.readFileSync(mazeFile, "utf8"))
    fail(`the page's link ${pageLink.slice(0, 40)}... reads back in the probe as another maze`);
  else
    say(
      `Copy link gives the probe's own code (${pageCode.length} characters); the whole link opens`,
    );

  // A bad code: one line on the page, and the carried maze.
  const carried = difference(await openPage("#maze=1AAAAAAA"), start);
  const status = await page.eval(`document.getElementById("status").textContent`);
  if (
    carried.count !== 0 ||
    !/^The link's maze cannot be opened \(maze code: [^\n]+\)/.test(status)
  )
    fail(`a bad code shows "${status}" and a view ${carried.count} pixels off the carried maze`);
  else say(`a bad code shows one line, "${status}", and the carried maze`);

  // A level image picked in the page's file picker, decoded by the browser.
  const pngFile = path.join(work, "picked.png");
  const pickedGrid = path.join(work, "picked.txt");
  fs.writeFileSync(pickedGrid, randomGrid(7));
  run(makeLevel, [pickedGrid, pngFile]);
  const { root } = await page.send("DOM.getDocument");
  const { nodeId } = await page.send("DOM.querySelector", {
    nodeId: root.nodeId,
    selector: "#open-maze",
  });
  await page.send("DOM.setFileInputFiles", { files: [pngFile], nodeId });
  await sleep(800);
  const picked = difference(await viewPicture(), probeFrame(2.5, "picked", "--level", pngFile));
  if (picked.count !== 0)
    fail(
      `after picking a PNG level image the view differs from the probe's frame in ${picked.count} pixels`,
    );
  else say("a PNG level image picked in the page opens: the view is the probe's frame of it");

  // Without a keyboard: a finger held on the walk button walks, as Up held would.
  await page.send("Emulation.setTouchEmulationEnabled", { enabled: true, maxTouchPoints: 5 });
  await page.send("Emulation.setEmulatedMedia", {
    features: [{ name: "pointer", value: "coarse" }],
  });
  // Touch brings scroll bars that take no room, and so a wider view.
  const fingerView = await openPage();
  const button = await page.eval(`(() => {
    const r = document.querySelector('[data-hold="up"]').getBoundingClientRect();
    return { x: r.x + r.width / 2, y: r.y + r.height / 2, shown: r.width > 0 };
  })()`);
  await page.send("Input.dispatchTouchEvent", {
    type: "touchStart",
    touchPoints: [{ x: button.x, y: button.y }],
  });
  await sleep(3000);
  await page.send("Input.dispatchTouchEvent", { type: "touchEnd", touchPoints: [] });
  await sleep(300);
  const touched = difference(
    await viewPicture(),
    probeFrameSized(11.979991, "touched_wall", fingerView),
  );
  if (!button.shown || touched.count !== 0)
    fail(
      `a finger on the walk button (shown: ${button.shown}) left the view ${touched.count} pixels off the wall's`,
    );
  else
    say("with a coarse pointer the walk button shows, and a finger held on it walks to the wall");
  await page.send("Emulation.setTouchEmulationEnabled", { enabled: false });
  await page.send("Emulation.setEmulatedMedia", { features: [] });

  // The switches beside the map: fisheye on is the probe's fisheye frame; then the step
  // buttons draw a frame's first ten strips, as Space and N do.
  await openPage();
  await page.eval(`document.querySelector('[data-rule="fisheye"]').click()`);
  await sleep(300);
  const fisheye = difference(
    await viewPicture(),
    probeFrame(2.5, "fisheye", "--what-if", "fisheye"),
  );
  if (fisheye.count !== 0)
    fail(
      `with the fisheye switch on the view differs from --what-if fisheye in ${fisheye.count} pixels`,
    );
  else say("the fisheye switch gives the probe's --what-if fisheye frame");
  await page.eval(`(() => {
    document.getElementById("step").click();
    for (let i = 0; i < 10; ++i) document.getElementById("next-strip").click();
  })()`);
  await sleep(300);
  const stepped = difference(
    await viewPicture(),
    probeFrame(2.5, "stepped", "--what-if", "fisheye", "--until-strip", "10"),
  );
  if (stepped.count !== 0)
    fail(
      `after Pause and step and ten Next strip the view is ${stepped.count} pixels off --until-strip 10`,
    );
  else say("Pause and step, then Next strip ten times, draws the probe's --until-strip 10");

  // Quick keys, then a switch: the switches show at once what the keys put in force, and a
  // switch changes its own rule alone.
  await openPage();
  for (const [key, keyCode] of [
    ["f", 70],
    ["v", 86],
    ["v", 86],
    ["t", 84],
    ["w", 87],
  ]) {
    await page.key("keyDown", { key, code: `Key${key.toUpperCase()}`, keyCode });
    await page.key("keyUp", { key, code: `Key${key.toUpperCase()}`, keyCode });
  }
  await sleep(100);
  const shownSwitches = () =>
    page.eval(`[...document.querySelectorAll("[data-rule]")]
      .map((c) => c.dataset.rule + "=" + (c.type === "checkbox" ? Number(c.checked) : c.value))
      .join(",")`);
  const afterKeys = await shownSwitches();
  const keysShown = "fisheye=1,exact-angles=0,screen-rays=0,plain-walls=1,strip=4,fov=90";
  if (afterKeys !== keysShown)
    fail(`after F V V T W the switches show ${afterKeys}, expected ${keysShown}`);
  await page.eval(`document.querySelector('[data-rule="fisheye"]').click()`);
  await sleep(300);
  const oneRule = difference(
    await viewPicture(),
    probeFrame(2.5, "one_rule", "--what-if", "fov=90,strip=4,plain-walls"),
  );
  if (oneRule.count !== 0)
    fail(
      `after F V V T W and the fisheye switch the view is ${oneRule.count} pixels off --what-if fov=90,strip=4,plain-walls`,
    );
  else say("after quick keys the switches show the program's rules, and a switch changes its own");

  // Full screen: the view takes the screen, pixel for pixel, and gives it back.
  await openPage();
  const clickAt = async (selector) => {
    const at =
      await page.eval(`(() => { const r = document.querySelector('${selector}').getBoundingClientRect();
                                         return { x: r.x + r.width / 2, y: r.y + r.height / 2 }; })()`);
    for (const type of ["mousePressed", "mouseReleased"])
      await page.send("Input.dispatchMouseEvent", { type, ...at, button: "left", clickCount: 1 });
  };
  await clickAt("#full-screen");
  await sleep(800);
  const full = await viewPicture();
  const screen = await page.eval(`[screen.width, screen.height, !!document.fullscreenElement]`);
  const fullFile = path.join(work, "full.bmp");
  run(probe, ["frame", "2.5", "2.5", "0", String(screen[0]), String(screen[1]), fullFile]);
  const fullDiff = difference(full, readBmp(fullFile));
  await page.eval(`document.exitFullscreen()`);
  await sleep(800);
  const back = await viewPicture();
  if (
    !screen[2] ||
    fullDiff.count !== 0 ||
    back.width !== VIEW.width ||
    back.height !== VIEW.height
  )
    fail(
      `full screen: on it ${screen[2]}, ${full.width}x${full.height} for a ${screen[0]}x${screen[1]} screen, ` +
        `${fullDiff.count} pixels off the probe's frame; back at ${back.width}x${back.height}`,
    );
  else
    say(
      `Full screen gives the view the ${screen[0]}x${screen[1]} screen, the probe's frame of that size, and back`,
    );

  figures.pageHolds = [];
  for (let i = 0; i < HOLDS; ++i) {
    await openPage();
    await sleep(500);
    await holdUp(HOLD_MS);
    figures.pageHolds.push(ticksWalked(await viewPicture()));
  }
  figures.page307 = await rateAt(VIEW.width, VIEW.height);
  figures.page1280 = await rateAt(1280, 720);
} finally {
  await browser.close();
  server.close();
}

// The page's own blobs (the tab's icon, a download) are made in the page, not fetched.
const local = (url) =>
  url.startsWith(origin) || url.startsWith(`blob:${origin}/`) || url.startsWith("data:");
const foreign = fetched.filter((url) => !local(url));
if (foreign.length > 0) fail(`the page fetched from elsewhere: ${foreign.join(", ")}`);
else say(`the page fetched ${new Set(fetched).size} files, all from its own folder`);
if (problems.length > 0) fail(`the page threw: ${problems.join("; ")}`);

// --- the desktop program, in the same run ---------------------------------------------------

// -noreset: by default the server resets whenever its last client leaves (a closed desktop
// program, an xdrive run), and a program connecting meanwhile fails to open its window.
const xvfb = spawn(
  "Xvfb",
  ["-displayfd", "3", "-noreset", "-screen", "0", "2048x1536x24", "-nolisten", "tcp"],
  { stdio: ["ignore", "ignore", "ignore", "pipe"] },
);
const display = await new Promise((resolve, reject) => {
  xvfb.stdio[3].on("data", (d) => resolve(`:${String(d).trim()}`));
  xvfb.on("exit", () => reject(new Error("Xvfb did not start")));
});
const env = { ...process.env, DISPLAY: display };
const drive = (...args) => {
  const r = spawnSync(xdrive, args, { env, encoding: "utf8" });
  if (r.status !== 0) throw new Error(`xdrive ${args.join(" ")}: ${r.stderr}`);
  return r.stdout.trim();
};
// Starts a program; `ended` resolves to how it ended, with what it wrote to stderr.
function start(program, args) {
  const child = spawn(program, args, { env, stdio: ["ignore", "pipe", "pipe"] });
  let stdout = "";
  let stderr = "";
  child.stdout.on("data", (d) => (stdout += d));
  child.stderr.on("data", (d) => (stderr += d));
  const ended = new Promise((resolve) =>
    child.once("close", (code, signal) => {
      resolve({ status: code ?? signal, stdout: stdout.trim(), stderr: stderr.trim() });
    }),
  );
  return { child, ended };
}
const timeout = (ms) => new Promise((resolve) => setTimeout(() => resolve(null), ms));
// Runs the desktop program until its first frame is up, hands it to `use`, then closes it and
// waits for it to end. A program that dies says how, with what it wrote.
async function withDesktop(use) {
  const desktop = start(quellon, []);
  try {
    const find = start(xdrive, ["find", "Quellon", "10000"]);
    const first = await Promise.race([
      find.ended.then((found) => ({ found })),
      desktop.ended.then((died) => ({ died })),
    ]);
    if (first.died) {
      find.child.kill();
      throw new Error(
        `the desktop program exited with status ${first.died.status} before its window appeared: ` +
          (first.died.stderr || "(nothing on stderr)"),
      );
    }
    const { found } = first;
    if (found.status !== 0) throw new Error(`xdrive find Quellon 10000: ${found.stderr}`);
    const wid = found.stdout;
    const shot = (name) => {
      const file = path.join(work, `${name}.bmp`);
      drive("shot", wid, file);
      return readBmp(file);
    };
    for (let i = 0; i < 100 && !/^\d+ fps$/.test(rateText(shot("ready"), "ready_text")); ++i) {
      await sleep(50);
    }
    await use(wid, shot);
    drive("close", wid);
    const ended = await Promise.race([desktop.ended, timeout(5000)]);
    if (!ended) throw new Error("the desktop program still ran 5 s after its window was closed");
    if (ended.status !== 0)
      throw new Error(
        `the desktop program exited with status ${ended.status} after its window was closed: ${ended.stderr}`,
      );
  } finally {
    desktop.child.kill();
  }
}
try {
  figures.desktopHolds = [];
  for (let i = 0; i < HOLDS; ++i) {
    await withDesktop(async (wid, shot) => {
      await sleep(500);
      drive("hold", wid, String(HOLD_MS), "Up");
      await sleep(300);
      figures.desktopHolds.push(ticksWalked(shot(`desktop_walked_${i}`)));
    });
  }
  await withDesktop(async (wid, shot) => {
    await sleep(3000);
    figures.desktop307 = rateText(shot("desktop_307"), "desktop_307_text");
    drive("resize", wid, "1280", "720");
    await sleep(3500);
    figures.desktop1280 = rateText(shot("desktop_1280"), "desktop_1280_text");
  });
} finally {
  xvfb.kill();
}

// --- the pace of ticks, and the figures for the record ---------------------------------------

const sum = (holds) => holds.reduce((a, b) => (a < 0 || b < 0 ? -1 : a + b), 0);
const pageTicks = sum(figures.pageHolds);
const desktopTicks = sum(figures.desktopHolds);
say(
  `ticks per hold: page ${figures.pageHolds.join(" ")}, desktop ${figures.desktopHolds.join(" ")}`,
);
if (pageTicks < 0 || desktopTicks < 0) {
  fail(
    `no tick count matched the pictures after holding Up for ${HOLD_MS} ms (page ${pageTicks}, desktop ${desktopTicks})`,
  );
} else {
  const perSecond = (ticks) => (ticks * 1000) / (HOLDS * HOLD_MS);
  const off = Math.abs(pageTicks - desktopTicks) / desktopTicks;
  const line =
    `holding Up ${HOLDS} times ${HOLD_MS} ms: ${pageTicks} ticks in the page (${perSecond(pageTicks).toFixed(0)}/s), ` +
    `${desktopTicks} on the desktop (${perSecond(desktopTicks).toFixed(0)}/s), ${(off * 100).toFixed(1)} % apart`;
  if (off > TOLERANCE) fail(`${line}; more than ${TOLERANCE * 100} %`);
  else say(line);
}
say(
  `frame rate printed: page ${figures.page307} at ${VIEW.width}x${VIEW.height}, ${figures.page1280} at 1280x720; ` +
    `desktop ${figures.desktop307} and ${figures.desktop1280}`,
);
const sizes = fs.readdirSync(site).map((f) => `${f} ${fs.statSync(path.join(site, f)).size} B`);
say(`the page's files: ${sizes.join(", ")}`);

fs.rmSync(work, { recursive: true, force: true });
say(failed ? "FAIL" : "PASS");
process.exit(failed ? 1 : 0);
