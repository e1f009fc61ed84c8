// The page around the program: it starts the program (in the maze of the page's #maze= link, if
// any), opens mazes from files picked or dropped, copies a link to the maze walked, shows the
// lab's readout as text beside the map, and gives hands without a keyboard buttons that stand
// for the movement keys. Calling the program is quellon_calls.js's business.
"use strict";

const MAZE_IN_LINK = /^#maze=(.*)$/;

// The line under the heading that says what happened.
function say(line) {
  document.getElementById("status").textContent = line;
}

// The maze of the page's #maze= link: the program's error, "" when it is open, or null when the
// address has no maze.
async function openLinkedMaze(program) {
  const link = MAZE_IN_LINK.exec(location.hash);
  return link ? openCode(program, program.mazes, decodeURIComponent(link[1])) : null;
}

// Puts the page's address with the code of the maze walked now into the address bar and on the
// clipboard.
async function copyLink(program) {
  // zlib's own bytes at the desktop's settings (pako), so that one maze has one code.
  const code = await mazeCodeOf(program, program.mazes);
  const link = `${location.href.split("#")[0]}#maze=${code}`;
  history.replaceState(null, "", link);
  try {
    await navigator.clipboard.writeText(link);
    say("The link to this maze is on the clipboard, and in the address bar.");
  } catch (e) {
    say("The link to this maze is in the address bar: copy it from there.");
  }
}

// Buttons that stand for movement keys, held down for as long as they are pressed: each is its
// own pointer, so one can walk and turn at once.
function holdButtons(program) {
  for (const button of document.querySelectorAll("[data-hold]")) {
    const code = withText(program, button.dataset.hold, (at) => program._quellon_key_named(at));
    let held = false;
    const release = () => {
      if (!held) return;
      held = false;
      button.classList.remove("held");
      program._quellon_event_key_up(code, false, false, false);
    };
    button.addEventListener("pointerdown", (e) => {
      e.preventDefault();
      button.setPointerCapture(e.pointerId);
      if (held) return;
      held = true;
      button.classList.add("held");
      program._quellon_event_key_down(code, false, false, false, false);
    });
    for (const end of ["pointerup", "pointercancel", "lostpointercapture"]) {
      button.addEventListener(end, release);
    }
    button.addEventListener("contextmenu", (e) => e.preventDefault());
  }
}

// A button that acts on a click without taking the keys' focus from the maze.
function onClick(button, action) {
  button.addEventListener("mousedown", (e) => e.preventDefault());
  button.addEventListener("click", action);
}

// The switches beside the map, one per rule the program offers (its rule table: names, the
// lab's keys and labels, today's values and the values the lab steps through, which rules
// exclude each other): each change puts the rules they show in force, and what the keys change
// is read back and shown.
function ruleSwitches(program) {
  const table = JSON.parse(
    answeredText(program, (at, capacity) => program._quellon_lab_rule_table(at, capacity)),
  );
  const box = document.getElementById("rule-switches");
  const switches = new Map();
  for (const rule of table) {
    const { label, control } = ruleControl(rule);
    const key = document.createElement("kbd");
    key.textContent = rule.key;
    label.append(" ", key);
    box.append(label);
    switches.set(rule.name, { rule, control });
  }
  const stepButtons = {
    step: document.getElementById("step"),
    next: document.getElementById("next-strip"),
    rest: document.getElementById("rest-of-frame"),
  };
  // Shows the rules in force and whether a frame is being stepped through, as the program holds
  // them: read back once per display frame, so that what keys, clicks and switches change shows
  // at once, and the page never keeps a copy of its own.
  let shown = null;
  const show = () => {
    const list = answeredText(program, (at, capacity) =>
      program._quellon_lab_rules(program.me, at, capacity),
    );
    const stepping = program._quellon_lab_stepping(program.me);
    const state = `${list};${stepping}`;
    if (state === shown) return;
    shown = state;
    const given = new Map(list ? list.split(",").map((rule) => rule.split("=")) : []);
    for (const { rule, control } of switches.values()) {
      if (rule.takesValue) control.value = given.get(rule.name) || String(rule.today);
      else control.checked = given.has(rule.name);
    }
    stepButtons.step.textContent = stepping ? "Go on" : "Pause and step";
    stepButtons.next.disabled = stepButtons.rest.disabled = !stepping;
  };
  // The lab's readout, as text beside the map: read back with the rules, shown when it changes.
  const readout = document.getElementById("readout");
  let readoutShown = null;
  const showReadout = () => {
    const text = answeredText(program, (at, capacity) =>
      program._quellon_lab_readout(program.me, at, capacity),
    );
    if (text === readoutShown) return;
    readoutShown = text;
    readout.replaceChildren(
      ...text
        .trimEnd()
        .split("\n")
        .map((line) => {
          const p = document.createElement("p");
          p.textContent = line;
          return p;
        }),
    );
  };
  const watch = () => {
    show();
    showReadout();
    requestAnimationFrame(watch);
  };
  // A switch changes its own rule and nothing else.
  for (const { rule, control } of switches.values()) {
    control.addEventListener("change", () => {
      const value = rule.takesValue ? Number(control.value) : Number(control.checked);
      const error = withText(program, rule.name, (nameAt) =>
        answeredText(program, (at, capacity) =>
          program._quellon_lab_set_rule(program.me, nameAt, value, at, capacity),
        ),
      );
      if (error) say(error);
      show();
      control.blur(); // keys go to the maze again, not to the switch
    });
  }
  const stepClick = (button, action) =>
    onClick(button, () => {
      action();
      show();
    });
  stepClick(stepButtons.step, () =>
    program._quellon_lab_step(program.me, !program._quellon_lab_stepping(program.me)),
  );
  stepClick(stepButtons.next, () => program._quellon_lab_next_strip(program.me));
  stepClick(stepButtons.rest, () => program._quellon_lab_rest_of_frame(program.me));
  watch();
}

// The view alone on the whole screen, through the browser's Fullscreen API: the view follows the
// screen's size, pixel for pixel. Alt+Enter toggles it too, and F11 where the browser lets the
// page have it; Esc, the browser's own way out, leaves it.
function fullScreen() {
  const view = document.getElementById("view");
  const toggle = () => {
    if (document.fullscreenElement) {
      document.exitFullscreen().catch(() => {});
    } else if (view.requestFullscreen) {
      view.requestFullscreen({ navigationUI: "hide" }).catch((e) => {
        say(`The browser did not give the view the screen: ${e.message}`);
      });
    } else {
      say("This browser cannot give the view the whole screen.");
    }
  };
  onClick(document.getElementById("full-screen"), toggle);
  window.addEventListener("keydown", (e) => {
    const asked = e.key === "F11" || (e.altKey && e.key === "Enter");
    if (!asked) return;
    e.preventDefault();
    if (!e.repeat) toggle(); // a command acts once per press
  });
}

async function start() {
  // Browsers load no program from a file: the page must come from a server.
  if (location.protocol === "file:") {
    say(
      "This page must be served, not opened as a file: run ./web.sh and open http://127.0.0.1:8080/",
    );
    return;
  }
  const program = await loadProgram();
  program.me = program._quellon_program();
  program.mazes = program._quellon_program_mazes();
  const error = await openLinkedMaze(program);
  if (error) say(`The link's maze cannot be opened (${error}); this is the carried maze.`);

  // The page's own controls first, so that nothing of the page's setting up is left for after
  // the first frame: from then on the browser gets its turn between the program's passes.
  const picker = document.getElementById("open-maze");
  picker.addEventListener("change", () => {
    if (picker.files.length > 0) openFile(program, program.mazes, picker.files[0]).then(say);
    picker.value = "";
  });
  document.addEventListener("dragover", (e) => e.preventDefault());
  document.addEventListener("drop", (e) => {
    e.preventDefault();
    if (e.dataTransfer.files.length > 0)
      openFile(program, program.mazes, e.dataTransfer.files[0]).then(say);
  });
  document.getElementById("copy-link").addEventListener("click", () => copyLink(program));
  window.addEventListener("hashchange", async () => {
    const error = await openLinkedMaze(program);
    if (error !== null)
      say(error ? `The link's maze cannot be opened (${error}).` : "Opened the link's maze.");
  });
  holdButtons(program);
  ruleSwitches(program);
  fullScreen();
  program.callMain([]);
}

start();
