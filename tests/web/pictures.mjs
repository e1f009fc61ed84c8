// What the site's tests in a browser share: the probe's pictures and numbers beside a canvas's.
import { spawnSync } from "node:child_process";
import fs from "node:fs";

export function run(program, args) {
  const r = spawnSync(program, args, { encoding: "utf8" });
  if (r.status !== 0) throw new Error(`${program} ${args.join(" ")}: ${r.stderr || r.error}`);
  return r.stdout;
}

// A 24-bit BMP as { width, height, rgb }, rows top first.
export function readBmp(file) {
  const b = fs.readFileSync(file);
  const width = b.readInt32LE(18);
  const height = b.readInt32LE(22);
  const stride = Math.ceil((width * 3) / 4) * 4;
  const rgb = Buffer.alloc(width * height * 3);
  for (let y = 0; y < height; ++y) {
    const row = b.readUInt32LE(10) + (height - 1 - y) * stride;
    for (let x = 0; x < width; ++x)
      for (let c = 0; c < 3; ++c) rgb[(y * width + x) * 3 + c] = b[row + x * 3 + 2 - c];
  }
  return { width, height, rgb };
}

// A canvas of the page as { width, height, rgb }.
export async function canvasPicture(page, selector) {
  const [width, height, data] = (
    await page.eval(`(() => {
    const c = document.querySelector(${JSON.stringify(selector)});
    const d = c.getContext("2d").getImageData(0, 0, c.width, c.height).data;
    let s = "";
    for (let i = 0; i < d.length; i += 4) s += String.fromCharCode(d[i], d[i + 1], d[i + 2]);
    return c.width + " " + c.height + " " + btoa(s);
  })()`)
  ).split(" ");
  return { width: Number(width), height: Number(height), rgb: Buffer.from(data, "base64") };
}

// How many pixels differ, those in `skip` ({ width, height } from the top-left corner) aside.
export function differing(a, b, skip = { width: 0, height: 0 }) {
  if (a.width !== b.width || a.height !== b.height) return Infinity;
  let count = 0;
  for (let y = 0; y < a.height; ++y)
    for (let x = 0; x < a.width; ++x) {
      if (x < skip.width && y < skip.height) continue;
      const i = (y * a.width + x) * 3;
      if (a.rgb.compare(b.rgb, i, i + 3, i, i + 3) !== 0) ++count;
    }
  return count;
}
