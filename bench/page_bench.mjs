// The page's refreshes per second beside its floor, measured in one run in headless Chromium:
// the page's view at each size, its putImageData calls on the view counted by wrapping them, and
// a bare page that puts one prebuilt image of the same size on a canvas at the loop's own pace
// (at most one put per 6 ms of the millisecond clock, the yield the page's loop uses between).
// Beside each, the CPU all of Chromium's processes took meanwhile, in cores.
//
//   node bench/page_bench.mjs SITE_DIR [SECONDS]      (after ./web.sh --no-serve)
import fs from "node:fs";
import path from "node:path";
import { launchChromium } from "../tests/web/cdp.mjs";
import { serveSite } from "../tests/web/serve_site.mjs";

const [siteArg, secondsArg] = process.argv.slice(2);
if (!siteArg) {
  console.error("usage: node bench/page_bench.mjs SITE_DIR [SECONDS]");
  process.exit(2);
}
const site = path.resolve(siteArg);
const seconds = Number(secondsArg || 5);
const SIZES = [
  [307, 285],
  [1920, 1080],
  [3840, 2160],
];
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const TICKS_PER_SECOND = 100; // the kernel's clock ticks in /proc/PID/stat

// The CPU seconds every Chromium process has taken so far (Linux).
function chromiumCpuSeconds() {
  let ticks = 0;
  for (const pid of fs.readdirSync("/proc").filter((name) => /^\d+$/.test(name))) {
    try {
      const stat = fs.readFileSync(`/proc/${pid}/stat`, "utf8");
      if (!/\(chromium[^)]*\)/.test(stat)) continue;
      const fields = stat.slice(stat.lastIndexOf(")") + 2).split(" ");
      ticks += Number(fields[11]) + Number(fields[12]); // utime, stime
    } catch (e) {
      // a process that has just ended
    }
  }
  return ticks / TICKS_PER_SECOND;
}

const BARE = `<!doctype html><body style="margin:0"><script>
  window.startBare = (width, height) => {
    const canvas = document.createElement("canvas");
    canvas.width = width;
    canvas.height = height;
    document.body.replaceChildren(canvas);
    const context = canvas.getContext("2d");
    const image = new ImageData(new Uint8ClampedArray(width * height * 4).fill(200), width, height);
    window.puts = 0;
    let last = Math.floor(performance.now());
    const channel = new MessageChannel();
    channel.port1.onmessage = () => {
      const now = Math.floor(performance.now());
      if (now - last > 5) {
        context.putImageData(image, 0, 0);
        ++window.puts;
        last = now;
      }
      channel.port2.postMessage(0);
    };
    channel.port2.postMessage(0);
  };
</script></body>`;

const { server, origin } = await serveSite(site, { "/bare.html": BARE });
const browser = await launchChromium(process.env.CHROMIUM || "/usr/bin/chromium");
const page = await browser.newPage();

// Counts over `seconds` what `read` says went by, and the cores Chromium kept busy meanwhile.
async function rate(read) {
  const before = await page.eval(read);
  const cpu = chromiumCpuSeconds();
  await sleep(seconds * 1000);
  const cores = (chromiumCpuSeconds() - cpu) / seconds;
  return { perSecond: ((await page.eval(read)) - before) / seconds, cores };
}

try {
  for (const [width, height] of SIZES) {
    await page.goto(`${origin}/index.html`);
    await sleep(1500);
    await page.eval(`(() => {
      const view = document.getElementById("view");
      window.viewPuts = 0;
      const put = CanvasRenderingContext2D.prototype.putImageData;
      CanvasRenderingContext2D.prototype.putImageData = function (...args) {
        if (this.canvas === view) ++window.viewPuts;
        return put.apply(this, args);
      };
      const box = document.querySelector(".view-box");
      box.style.width = "${width}px";
      box.style.height = "${height}px";
      box.style.maxHeight = "none";
    })()`);
    await sleep(1500);
    const shown = await page.eval(
      `document.getElementById("view").width + "x" + document.getElementById("view").height`,
    );
    const pageRate = await rate("window.viewPuts");
    await page.goto(`${origin}/bare.html`);
    await page.eval(`startBare(${width}, ${height})`);
    await sleep(1000);
    const bareRate = await rate("window.puts");
    console.log(
      `${width}x${height}: page ${pageRate.perSecond.toFixed(1)} refreshes/s, ` +
        `${(pageRate.cores * 100).toFixed(0)} % of a core (view ${shown}); ` +
        `bare page ${bareRate.perSecond.toFixed(1)} puts/s, ${(bareRate.cores * 100).toFixed(0)} % of a core`,
    );
  }
} finally {
  await browser.close();
  server.close();
}
