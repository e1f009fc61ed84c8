// The explanation's page, opened by a link with a pose and a strip: every figure's numbers for
// that strip are the probe's (cast, map --strip, and cast under --what-if fisheye), and the
// horizontal walk's step button shows one crossing more.
//
//   node learn_test.mjs SITE_DIR PROBE
//
// Exit status 0 pass, 1 fail, 77 skipped (no Chromium, or the page not built).
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { launchChromium } from "./cdp.mjs";
import { run } from "./pictures.mjs";
import { serveSite } from "./serve_site.mjs";

const [site, probe] = process.argv.slice(2).map((arg) => path.resolve(arg));
const CHROMIUM = process.env.CHROMIUM || "/usr/bin/chromium";
const POSE = ["2.3", "3.6", "7"]; // in the carried maze: the strip crosses five horizontal lines
const STRIP = 62;
// A strip's line, in the probe's order and by its names, as cast's usage gives them.
const FIELDS = run(probe, ["--help"])
  .match(/^\s+(stripX rayOffset .*)$/m)[1]
  .split(" ");
if (!fs.existsSync(CHROMIUM) || !fs.existsSync(path.join(site, "learn.html"))) {
  console.log("learn_test: skipped: no Chromium, or the page is not built");
  process.exit(77);
}
const work = fs.mkdtempSync(path.join(os.tmpdir(), "quellon-learn-"));
const failures = [];
const check = (ok, line) => (ok ? console.log(`learn_test: ${line}`) : failures.push(line));

const [line, ...reads] = run(probe, [
  "map",
  ...POSE,
  "307",
  "285",
  path.join(work, "m.bmp"),
  "--strip",
  String(STRIP),
])
  .trimEnd()
  .split("\n");
const strip = Object.fromEntries(line.split(" ").map((value, i) => [FIELDS[i], value]));
const fisheye = run(probe, ["cast", ...POSE, "--what-if", "fisheye"])
  .split("\n")
  [STRIP].split(" ");
const horizontal = reads.filter((read) => read.startsWith("h ")).map((read) => read.split(" "));

const { server, origin } = await serveSite(site);
const browser = await launchChromium(CHROMIUM);
try {
  const page = await browser.newPage();
  // Tall enough for every figure to be drawn at once.
  await page.send("Emulation.setDeviceMetricsOverride", {
    width: 1000,
    height: 14000,
    deviceScaleFactor: 1,
    mobile: false,
  });
  await page.goto(`${origin}/learn.html#pose=${POSE.join(",")}&strip=${STRIP}`);
  const numbers = (id) => page.eval(`document.getElementById("${id}-numbers").textContent`);
  for (let i = 0; i < 100 && !(await numbers("own")); ++i)
    await new Promise((r) => setTimeout(r, 100));
  const shown = await page.eval(
    `[...document.querySelectorAll(".numbers")].map((e) => e.textContent).join("\\n")`,
  );
  const missing = FIELDS.filter((field) => !shown.includes(`${field} ${strip[field]}`));
  check(
    missing.length === 0,
    `the figures show the probe's ${line} (missing: ${missing.join(", ") || "none"})`,
  );
  const height = await numbers("height");
  check(
    height.includes(
      `fisheye): distance ${fisheye[6]}, wallHeight ${fisheye[7]}, wallTop ${fisheye[8]}`,
    ),
    `the fisheye numbers are the probe's --what-if fisheye: ${fisheye.slice(6).join(" ")}`,
  );
  const crossing = ([, x, y, column, row, code]) =>
    `(${x}, ${y}): cell ${column},${row} holds ${code}`;
  const before = await numbers("walk-h");
  await page.eval(`document.querySelector('[data-walk="walk-h"][data-act="next"]').click()`);
  await new Promise((r) => setTimeout(r, 300));
  const after = await numbers("walk-h");
  check(
    horizontal.length >= 2 &&
      before.includes(crossing(horizontal[0])) &&
      !before.includes(crossing(horizontal[1])) &&
      after.includes(crossing(horizontal[1])),
    `Next crossing shows the horizontal walk's second crossing, ${crossing(horizontal[1] || [])}, after its first`,
  );
} finally {
  await browser.close();
  server.close();
  fs.rmSync(work, { recursive: true, force: true });
}
for (const line of failures) console.error(`learn_test: FAIL: ${line}`);
process.exit(failures.length > 0 ? 1 : 0);
