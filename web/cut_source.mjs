// Builds the explanation's page: every <!-- source NAME --> line of the template becomes the
// lines of Quellon's own source marked "// [learn:NAME]" ... "// [/learn:NAME]", cut from the
// source files when the site is built, so that the page shows the code as it is.
//
//   node cut_source.mjs TEMPLATE OUT ROOT SOURCE...   (SOURCE relative to ROOT)
//
// A cut the template names that no source marks, a marker left open, a name marked twice and a
// marked cut the template never shows each stop the build with one line that says which.
import fs from "node:fs";
import path from "node:path";

const [template, out, root, ...sources] = process.argv.slice(2);
const fail = (line) => {
  console.error(`cut_source: ${line}`);
  process.exit(1);
};
if (!template || !out || !root || sources.length === 0)
  fail("usage: node cut_source.mjs TEMPLATE OUT ROOT SOURCE...");

const OPEN = /^\s*\/\/ \[learn:([a-z-]+)\]\s*$/;
const CLOSE = /^\s*\/\/ \[\/learn:([a-z-]+)\]\s*$/;
const PLACE = /^\s*<!-- source ([a-z-]+) -->\s*$/;

const cuts = new Map();
for (const source of sources) {
  const lines = fs.readFileSync(path.join(root, source), "utf8").split("\n");
  let open = null;
  lines.forEach((line, at) => {
    const opened = OPEN.exec(line);
    const closed = CLOSE.exec(line);
    if (opened) {
      if (open) fail(`${source}:${at + 1}: ${opened[1]} opens inside ${open.name}`);
      if (cuts.has(opened[1])) fail(`${source}:${at + 1}: ${opened[1]} is marked twice`);
      open = { name: opened[1], from: at + 1 };
    } else if (closed) {
      if (!open || open.name !== closed[1])
        fail(`${source}:${at + 1}: ${closed[1]} closes without opening`);
      cuts.set(open.name, {
        source,
        from: open.from + 1,
        to: at,
        lines: lines.slice(open.from, at),
      });
      open = null;
    }
  });
  if (open) fail(`${source}:${open.from}: ${open.name} is never closed`);
}

const escaped = (text) => text.replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;");
const shown = new Set();
const page = fs
  .readFileSync(template, "utf8")
  .split("\n")
  .map((line) => {
    const place = PLACE.exec(line);
    if (!place) return line;
    const cut = cuts.get(place[1]);
    if (!cut) fail(`${template}: no source marks ${place[1]}`);
    shown.add(place[1]);
    return (
      `<figure class="source"><figcaption><code>${cut.source}</code>, lines ${cut.from}` +
      `&ndash;${cut.to}</figcaption><pre><code>${escaped(cut.lines.join("\n"))}</code></pre>` +
      `</figure>`
    );
  })
  .join("\n");
for (const name of cuts.keys()) if (!shown.has(name)) fail(`${name} is marked but never shown`);
fs.writeFileSync(out, page);
