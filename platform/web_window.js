// The browser backend's page side, linked into the program with --js-library: the canvases, the
// yield, the beep, the icon and downloads, which web_window.cpp calls as imported functions.
// What the person does reaches the program through its exported quellon_event_* functions,
// each of which only queues the event until the program yields.
//
// Emscripten copies each entry into the program's script, so every entry (and every function
// in QuellonPage) is written with the function keyword, and nothing lives outside the object.
mergeInto(LibraryManager.library, {
  $QuellonPage: {
    view: null, // the canvases' 2D contexts
    panel: null,
    frameShown: true,
    firstFrameMarked: false,
    port: null, // posts the message that ends a yield
    resume: null,
    audio: null,
    beepPending: false,
    beepTone: null,

    // A canvas's box in device pixels, as the browser lays it out.
    deviceSize: function (canvas) {
      const box = canvas.getBoundingClientRect();
      const ratio = window.devicePixelRatio || 1;
      return [Math.round(box.width * ratio), Math.round(box.height * ratio)];
    },

    // Where the pointer is, in the canvas's own pixels.
    pointerAt: function (canvas, event) {
      return [
        Math.floor((event.offsetX * canvas.width) / Math.max(1, canvas.clientWidth)),
        Math.floor((event.offsetY * canvas.height) / Math.max(1, canvas.clientHeight)),
      ];
    },

    // Sounds the start-up beep once the page may play sound.
    beepNow: function () {
      const audio = QuellonPage.audio;
      if (!QuellonPage.beepPending || !audio || audio.state !== "running") return;
      QuellonPage.beepPending = false;
      const { hz, ms, volume } = QuellonPage.beepTone;
      const tone = audio.createOscillator();
      const gain = audio.createGain();
      tone.type = "square";
      tone.frequency.value = hz;
      gain.gain.value = volume;
      tone.connect(gain).connect(audio.destination);
      tone.start();
      tone.stop(audio.currentTime + ms / 1000);
    },

    // A key press or click: the moment a page may start its sound. The audio context is made
    // here, not when the program beeps at start-up: making one takes the browser a long
    // moment, which the first frame should not wait for.
    gesture: function () {
      if (!QuellonPage.beepPending) return;
      try {
        const Context = window.AudioContext || window.webkitAudioContext;
        if (!Context) return;
        QuellonPage.audio = QuellonPage.audio || new Context();
        if (QuellonPage.audio.state === "running") QuellonPage.beepNow();
        else QuellonPage.audio.resume().then(QuellonPage.beepNow);
      } catch (e) {
        QuellonPage.beepPending = false; // no sound on this page, as without a sound device
      }
    },

    // The program's pixels at `pixels`, read in place (putImageData copies them at once).
    image: function (pixels, width, height) {
      return new ImageData(
        new Uint8ClampedArray(HEAPU8.buffer, pixels, width * height * 4),
        width,
        height,
      );
    },
  },

  quellon_page_has_canvas: function (id) {
    return document.getElementById(UTF8ToString(id)) instanceof HTMLCanvasElement;
  },

  // Sizes the canvases and the boxes around them, and starts listening to the page.
  quellon_page_open__deps: ["$QuellonPage"],
  quellon_page_open: function (viewId, panelId, width, height, panelWidth) {
    const view = document.getElementById(UTF8ToString(viewId));
    const panel = panelId ? document.getElementById(UTF8ToString(panelId)) : null;
    QuellonPage.view = view.getContext("2d", { alpha: false });
    QuellonPage.panel = panel ? panel.getContext("2d", { alpha: false }) : null;
    view.width = width;
    view.height = height;
    const root = document.documentElement;
    root.style.setProperty("--panel-width", `${panelWidth}px`);
    if (panel) {
      panel.width = panelWidth;
      panel.height = height;
    }

    // Keys the page would otherwise scroll with.
    const scrolling = new Set([
      " ",
      "PageUp",
      "PageDown",
      "End",
      "Home",
      "ArrowLeft",
      "ArrowUp",
      "ArrowRight",
      "ArrowDown",
    ]);
    window.addEventListener("keydown", (e) => {
      _quellon_event_key_down(e.keyCode, e.shiftKey, e.ctrlKey, e.altKey, e.repeat);
      if (scrolling.has(e.key)) e.preventDefault();
      QuellonPage.gesture();
    });
    window.addEventListener("keyup", (e) => {
      _quellon_event_key_up(e.keyCode, e.shiftKey, e.ctrlKey, e.altKey);
      if (scrolling.has(e.key)) e.preventDefault();
    });
    window.addEventListener("blur", () => _quellon_event_focus_lost());
    window.addEventListener("pagehide", () => _quellon_event_close());
    // The view follows its box, in device pixels: its size in CSS pixels times their ratio, as
    // the page was opened with. The observer watches the device pixels, so a change of ratio
    // alone (a zoom, another screen) resizes the view too; their count it reports is not used,
    // as browsers emulating a device count the real screen's pixels there.
    const resized = new ResizeObserver(() =>
      _quellon_event_resize(...QuellonPage.deviceSize(view)),
    );
    try {
      resized.observe(view, { box: "device-pixel-content-box" });
    } catch (e) {
      resized.observe(view);
    }
    for (const canvas of panel ? [view, panel] : [view]) {
      const onPanel = canvas === panel;
      canvas.addEventListener("mousemove", (e) => {
        _quellon_event_pointer_move(onPanel, ...QuellonPage.pointerAt(canvas, e));
      });
      canvas.addEventListener("mousedown", (e) => {
        _quellon_event_pointer_press(onPanel, ...QuellonPage.pointerAt(canvas, e));
        QuellonPage.gesture();
      });
      canvas.addEventListener(
        "wheel",
        (e) => {
          e.preventDefault();
          if (e.deltaY === 0) return;
          // A wheel turned away from the person scrolls up: a negative deltaY.
          _quellon_event_wheel(onPanel, ...QuellonPage.pointerAt(canvas, e), e.deltaY < 0 ? 1 : -1);
        },
        { passive: false },
      );
    }

    // The page is shown once per display frame; the panel need not be drawn more often.
    const shown = () => {
      QuellonPage.frameShown = true;
      requestAnimationFrame(shown);
    };
    requestAnimationFrame(shown);
    // The yield: a message posted to ourselves comes back as soon as the browser has run what
    // was waiting, without the clamping that delays repeated zero-delay timers.
    const channel = new MessageChannel();
    channel.port1.onmessage = () => {
      const resume = QuellonPage.resume;
      QuellonPage.resume = null;
      if (resume) resume();
    };
    QuellonPage.port = channel.port2;
  },

  quellon_page_view_width__deps: ["$QuellonPage"],
  quellon_page_view_width: function () {
    return QuellonPage.deviceSize(QuellonPage.view.canvas)[0];
  },
  quellon_page_view_height__deps: ["$QuellonPage"],
  quellon_page_view_height: function () {
    return QuellonPage.deviceSize(QuellonPage.view.canvas)[1];
  },

  // Whether the page has been shown since the last call.
  quellon_page_frame_shown__deps: ["$QuellonPage"],
  quellon_page_frame_shown: function () {
    const shown = QuellonPage.frameShown;
    QuellonPage.frameShown = false;
    return shown;
  },

  // Sleeps (through Asyncify: the link lists it in ASYNCIFY_IMPORTS) until the browser has run
  // the page's waiting events, which call the program's exports meanwhile.
  quellon_page_yield__deps: ["$QuellonPage", "$Asyncify"],
  quellon_page_yield: function () {
    return Asyncify.handleSleep((wakeUp) => {
      QuellonPage.resume = wakeUp;
      QuellonPage.port.postMessage(0);
    });
  },

  // Sleeps (Asyncify, as the yield) for about `ms` milliseconds. The timer's callback hands over
  // to a message, so that the next rest's timer is never set from inside a timer's callback:
  // browsers hold nested timers to at least 4 ms.
  quellon_page_rest__deps: ["$QuellonPage", "$Asyncify"],
  quellon_page_rest: function (ms) {
    return Asyncify.handleSleep((wakeUp) => {
      setTimeout(() => {
        QuellonPage.resume = wakeUp;
        QuellonPage.port.postMessage(0);
      }, ms);
    });
  },

  quellon_page_present__deps: ["$QuellonPage"],
  quellon_page_present: function (onPanel, pixels, width, height) {
    const context = onPanel ? QuellonPage.panel : QuellonPage.view;
    if (!context) return;
    if (context.canvas.width !== width || context.canvas.height !== height) {
      context.canvas.width = width;
      context.canvas.height = height;
    }
    context.putImageData(QuellonPage.image(pixels, width, height), 0, 0);
    if (!onPanel && !QuellonPage.firstFrameMarked) {
      QuellonPage.firstFrameMarked = true;
      performance.mark("quellon-first-frame"); // for anyone timing the page's start
    }
  },

  quellon_page_beep__deps: ["$QuellonPage"],
  // The beep sounds at once if the page already has its sound, else at the first key press or
  // click (browsers hold a page's sound until then).
  quellon_page_beep: function (hz, ms, volume) {
    QuellonPage.beepTone = { hz, ms, volume };
    QuellonPage.beepPending = true;
    QuellonPage.beepNow();
  },

  // The page's icon, as its tab shows it: the picture given, in place of the page's own.
  quellon_page_icon__deps: ["$QuellonPage"],
  quellon_page_icon: function (pixels, width, height) {
    const canvas = document.createElement("canvas");
    canvas.width = width;
    canvas.height = height;
    canvas.getContext("2d").putImageData(QuellonPage.image(pixels, width, height), 0, 0);
    // Encoded off the main thread's way: the tab's icon can wait a moment, the frame cannot.
    canvas.toBlob((png) => {
      if (!png) return;
      let link = document.querySelector("link[rel=icon]");
      if (!link) {
        link = document.createElement("link");
        link.rel = "icon";
        document.head.appendChild(link);
      }
      if (link.href.startsWith("blob:")) URL.revokeObjectURL(link.href);
      link.href = URL.createObjectURL(png);
    }, "image/png");
  },

  quellon_page_download: function (name, text, length) {
    try {
      const blob = new Blob([HEAPU8.slice(text, text + length)], { type: "text/plain" });
      const link = document.createElement("a");
      link.href = URL.createObjectURL(blob);
      link.download = UTF8ToString(name);
      link.click();
      setTimeout(() => URL.revokeObjectURL(link.href), 10000);
      return true;
    } catch (e) {
      return false;
    }
  },
});
