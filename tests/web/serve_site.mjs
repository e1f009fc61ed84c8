// Serves a built page's folder on a free port of 127.0.0.1, as any static host would, for the
// page's test and its benchmark. `extra` maps paths ("/bare.html") to pages served as they are.
// Returns the server and its origin ("http://127.0.0.1:PORT").
import fs from "node:fs";
import http from "node:http";
import path from "node:path";

const TYPES = {
  ".html": "text/html",
  ".js": "text/javascript",
  ".wasm": "application/wasm",
  ".css": "text/css",
};

export async function serveSite(siteDir, extra = {}) {
  const site = path.resolve(siteDir);
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, "http://x").pathname);
    if (Object.hasOwn(extra, name))
      return response.writeHead(200, { "Content-Type": "text/html" }).end(extra[name]);
    const file = path.join(site, name === "/" ? "index.html" : name);
    fs.readFile(file, (error, data) => {
      if (error || !file.startsWith(site)) return response.writeHead(404).end();
      response.writeHead(200, {
        "Content-Type": TYPES[path.extname(file)] || "application/octet-stream",
      });
      response.end(data);
    });
  });
  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
  return { server, origin: `http://127.0.0.1:${server.address().port}` };
}
