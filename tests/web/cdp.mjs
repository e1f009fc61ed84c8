// A small client of Chromium's own remote-debugging protocol, over the pipe Chromium opens on
// file descriptors 3 and 4 with --remote-debugging-pipe: no port, no WebSocket, no library.
import { spawn } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";

// Headless, and quiet on a machine without a network: without the background-networking
// switches Chromium keeps trying to reach its services.
const FLAGS = [
  "--headless=new",
  "--no-sandbox",
  "--disable-gpu",
  "--disable-quic",
  "--no-first-run",
  "--disable-background-networking",
  "--disable-component-update",
  "--disable-sync",
  "--window-size=1920,1080",
  "--remote-debugging-pipe",
];

export async function launchChromium(executable) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), "quellon-chromium-"));
  const proc = spawn(executable, [...FLAGS, `--user-data-dir=${profile}`, "about:blank"], {
    stdio: ["ignore", "ignore", "pipe", "pipe", "pipe"],
  });
  proc.stderr.on("data", () => {});
  const exited = new Promise((resolve) => proc.once("exit", resolve));
  let buffer = Buffer.alloc(0);
  let nextId = 1;
  const pending = new Map();
  const listeners = new Set();
  proc.stdio[4].on("data", (chunk) => {
    buffer = Buffer.concat([buffer, chunk]);
    for (let end; (end = buffer.indexOf(0)) >= 0; buffer = buffer.subarray(end + 1)) {
      const message = JSON.parse(buffer.subarray(0, end).toString());
      if (message.id && pending.has(message.id)) {
        const { resolve, reject } = pending.get(message.id);
        pending.delete(message.id);
        if (message.error)
          reject(new Error(`${message.error.message} ${message.error.data || ""}`));
        else resolve(message.result);
      } else if (message.method) {
        for (const listener of listeners) listener(message);
      }
    }
  });
  const call = (method, params = {}, sessionId = undefined) =>
    new Promise((resolve, reject) => {
      const id = nextId++;
      pending.set(id, { resolve, reject });
      proc.stdio[3].write(JSON.stringify({ id, method, params, sessionId }) + "\0");
    });

  return {
    on: (listener) => listeners.add(listener),
    async newPage() {
      const { targetId } = await call("Target.createTarget", { url: "about:blank" });
      const { sessionId } = await call("Target.attachToTarget", { targetId, flatten: true });
      const send = (method, params) => call(method, params, sessionId);
      await send("Page.enable");
      await send("Runtime.enable");
      await send("Network.enable");
      return {
        sessionId,
        send,
        async eval(expression) {
          const r = await send("Runtime.evaluate", {
            expression,
            returnByValue: true,
            awaitPromise: true,
          });
          if (r.exceptionDetails) {
            const { text, exception } = r.exceptionDetails;
            throw new Error(`in the page: ${exception?.description || text} ${expression}`);
          }
          return r.result.value;
        },
        async goto(url) {
          const loaded = new Promise((resolve) => {
            const listener = (m) => {
              if (m.sessionId === sessionId && m.method === "Page.loadEventFired") {
                listeners.delete(listener);
                resolve();
              }
            };
            listeners.add(listener);
          });
          await send("Page.navigate", { url });
          await loaded;
        },
        // A key as a person presses it; windowsVirtualKeyCode is what the page's keyCode reads,
        // autoRepeat its repeat.
        async key(type, { key, code, keyCode }, autoRepeat = false) {
          await send("Input.dispatchKeyEvent", {
            type,
            key,
            code,
            windowsVirtualKeyCode: keyCode,
            nativeVirtualKeyCode: keyCode,
            autoRepeat,
          });
        },
      };
    },
    async close() {
      await Promise.race([
        call("Browser.close").catch(() => {}),
        new Promise((r) => setTimeout(r, 3000)),
      ]);
      await Promise.race([exited, new Promise((r) => setTimeout(r, 5000))]);
      if (proc.exitCode === null && proc.signalCode === null) {
        proc.kill("SIGKILL");
        await exited;
      }
      fs.rmSync(profile, { recursive: true, force: true, maxRetries: 3 });
    },
  };
}
