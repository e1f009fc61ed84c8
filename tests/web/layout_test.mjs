// The page at a desktop's size and a phone's: the view fills its box at one canvas pixel per
// device pixel and is the probe's frame of its size, nothing runs off the side, and the lab's
// readout is text on the page, with the strip under the pointer.
//
//   node layout_test.mjs SITE_DIR PROBE
//
// Exit status 0 pass, 1 fail, 77 skipped (no Chromium, or the page not built).
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { launchChromium } from "./cdp.mjs";
import { canvasPicture, differing, readBmp, run } from "./pictures.mjs";
import { serveSite } from "./serve_site.mjs";

const [site, probe] = process.argv.slice(2).map((arg) => path.resolve(arg));
const CHROMIUM = process.env.CHROMIUM || "/usr/bin/chromium";
const SCREENS = [
  { width: 1280, height: 800, deviceScaleFactor: 1, mobile: false, leastViewCss: 600 },
  { width: 390, height: 844, deviceScaleFactor: 2, mobile: true, leastViewCss: 0 },
];
const OPENING = { width: 307, height: 285 }; // the view is never smaller
const RATE_TEXT = { width: 70, height: 11 }; // where the frame rate is printed
if (!fs.existsSync(CHROMIUM) || !fs.existsSync(path.join(site, "quellon.wasm"))) {
  console.log("layout_test: skipped: no Chromium, or the page is not built");
  process.exit(77);
}
const work = fs.mkdtempSync(path.join(os.tmpdir(), "quellon-layout-"));
const failures = [];
const check = (ok, line) => (ok ? console.log(`layout_test: ${line}`) : failures.push(line));

const { server, origin } = await serveSite(site);
const browser = await launchChromium(CHROMIUM);
try {
  const page = await browser.newPage();
  for (const screen of SCREENS) {
    const name = `${screen.width}x${screen.height}`;
    await page.send("Emulation.setDeviceMetricsOverride", screen);
    await page.goto("about:blank");
    await page.goto(`${origin}/index.html`);
    let shown;
    for (let i = 0; i < 100; ++i) {
      await new Promise((r) => setTimeout(r, 100));
      shown = await page.eval(`(() => {
        const view = document.getElementById("view").getBoundingClientRect();
        const c = document.getElementById("view");
        const right = Math.max(...[...document.querySelectorAll("main *")].map((e) => e.getBoundingClientRect().right));
        return { canvas: [c.width, c.height], css: [view.width, view.height],
                 device: [Math.round(view.width * devicePixelRatio), Math.round(view.height * devicePixelRatio)],
                 right, inner: innerWidth, scroll: document.documentElement.scrollWidth,
                 readout: document.getElementById("readout").innerText };
      })()`);
      if (shown.readout && shown.canvas.join() === shown.device.join()) break;
    }
    const [width, height] = shown.canvas;
    check(
      shown.canvas.join() === shown.device.join() &&
        width >= OPENING.width &&
        height >= OPENING.height &&
        shown.css[0] >= screen.leastViewCss,
      `${name}: the view is ${width}x${height} canvas pixels for a box of ${shown.device.join("x")} device pixels (${shown.css[0]} CSS pixels wide)`,
    );
    check(
      shown.scroll <= shown.inner && shown.right <= shown.inner,
      `${name}: the page is ${shown.scroll} pixels wide and its parts reach ${shown.right}, in a window ${shown.inner} wide`,
    );
    const file = path.join(work, `${name}.bmp`);
    run(probe, ["frame", "2.5", "2.5", "0", String(width), String(height), file]);
    const off = differing(await canvasPicture(page, "#view"), readBmp(file), RATE_TEXT);
    check(off === 0, `${name}: the view is the probe's frame of its size (${off} pixels differ)`);
    // The pointer over the view picks a strip, and the readout beside the map names it.
    const box =
      await page.eval(`(() => { const r = document.getElementById("view").getBoundingClientRect();
                                          return { x: r.x + r.width / 4, y: r.y + r.height / 2, w: r.width }; })()`);
    await page.send("Input.dispatchMouseEvent", { type: "mouseMoved", x: box.x, y: box.y });
    await new Promise((r) => setTimeout(r, 300));
    const strip = Math.floor(Math.floor(((box.w / 4) * width) / box.w) / 3);
    const readout = await page.eval(`document.getElementById("readout").innerText`);
    const cast = run(probe, ["cast", "2.5", "2.5", "0", String(width), String(height)]).split("\n");
    const stripX = cast[strip].split(" ")[0];
    check(
      readout.includes(`strip ${strip} at x ${stripX}`) && readout.includes("S downloads the grid"),
      `${name}: the readout is the page's text and names strip ${strip} at x ${stripX}: ${JSON.stringify(readout)}`,
    );
  }
} finally {
  await browser.close();
  server.close();
  fs.rmSync(work, { recursive: true, force: true });
}
for (const line of failures) console.error(`layout_test: FAIL: ${line}`);
process.exit(failures.length > 0 ? 1 : 0);
