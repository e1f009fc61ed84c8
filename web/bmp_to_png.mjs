// node bmp_to_png.mjs IN.bmp OUT.png: the page's icons as PNG, which every home screen takes.
// The web build has no PNG library of its own, so the icon maker writes its plain 24-bit BMP and
// this packs the same pixels into a PNG (8-bit red, green and blue) with Node.js's zlib.
import fs from "node:fs";
import zlib from "node:zlib";

const [input, output] = process.argv.slice(2);
if (!input || !output) {
  console.error("usage: node bmp_to_png.mjs IN.bmp OUT.png");
  process.exit(2);
}
const bmp = fs.readFileSync(input);
const width = bmp.readInt32LE(18);
const height = bmp.readInt32LE(22);
if (
  bmp.toString("latin1", 0, 2) !== "BM" ||
  bmp.readUInt16LE(28) !== 24 ||
  width <= 0 ||
  height <= 0
) {
  console.error(`bmp_to_png: ${input} is not a plain 24-bit BMP`);
  process.exit(2);
}
const stride = Math.ceil((width * 3) / 4) * 4;
const offset = bmp.readUInt32LE(10);
// Each PNG row: filter 0, then red, green, blue; the BMP keeps its rows bottom first, as B, G, R.
const rows = Buffer.alloc((width * 3 + 1) * height);
for (let y = 0; y < height; ++y) {
  const from = offset + stride * (height - 1 - y);
  const to = y * (width * 3 + 1) + 1;
  for (let x = 0; x < width; ++x) {
    rows[to + 3 * x] = bmp[from + 3 * x + 2];
    rows[to + 3 * x + 1] = bmp[from + 3 * x + 1];
    rows[to + 3 * x + 2] = bmp[from + 3 * x];
  }
}
const crcTable = Array.from({ length: 256 }, (_, n) => {
  let c = n;
  for (let k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
  return c >>> 0;
});
const crc32 = (bytes) => {
  let c = 0xffffffff;
  for (const b of bytes) c = crcTable[(c ^ b) & 0xff] ^ (c >>> 8);
  return (c ^ 0xffffffff) >>> 0;
};
const chunk = (type, data) => {
  const body = Buffer.concat([Buffer.from(type, "latin1"), data]);
  const length = Buffer.alloc(4);
  length.writeUInt32BE(data.length);
  const crc = Buffer.alloc(4);
  crc.writeUInt32BE(crc32(body));
  return Buffer.concat([length, body, crc]);
};
const header = Buffer.alloc(13);
header.writeUInt32BE(width, 0);
header.writeUInt32BE(height, 4);
header.set([8, 2, 0, 0, 0], 8); // 8 bits, red-green-blue, deflate, filter 0, not interlaced
fs.writeFileSync(
  output,
  Buffer.concat([
    Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]),
    chunk("IHDR", header),
    chunk("IDAT", zlib.deflateSync(rows, { level: 9 })),
    chunk("IEND", Buffer.alloc(0)),
  ]),
);
