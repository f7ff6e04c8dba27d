// The browser player page's window: grown by what the frame takes until the page has the movie's
// size, centred in the work area, and left alone once maximised, settled or out of tries.
"use strict";
const test = require("node:test");
const assert = require("node:assert");
const path = require("path");
const {outerSizeFor, centredIn, keepWindowFitted} =
    require(path.join(__dirname, "..", "..", "..", "player", "pagewindow.js"));

const VIEW = {width: 1024, height: 652};

// A window whose frame takes `frame` and whose work area is `avail`; resizeTo and moveTo act at
// once, as an app window's do, and a resize is announced to the listeners.
function fakeWindow(frame, avail, outer) {
  const listeners = [];
  const win = {
    screen: {availLeft: avail.left, availTop: avail.top, availWidth: avail.width,
             availHeight: avail.height},
    document: {hidden: false},
    outerWidth: outer.width, outerHeight: outer.height, screenX: 0, screenY: 0,
    get innerWidth() { return this.outerWidth - frame.width; },
    get innerHeight() { return this.outerHeight - frame.height; },
    calls: [],
    timers: new Map(), nextTimer: 1,
    setInterval(f) { this.timers.set(this.nextTimer, f); return this.nextTimer++; },
    clearInterval(id) { this.timers.delete(id); },
    tick() { for (const f of [...this.timers.values()]) f(); },
    addEventListener(type, f) { if (type === "resize") listeners.push(f); },
    removeEventListener(type, f) { const i = listeners.indexOf(f); if (i >= 0) listeners.splice(i, 1); },
    listening() { return listeners.length; },
    resizeTo(w, h) {
      this.calls.push(["resizeTo", w, h]);
      if (this.dropResizes > 0) { this.dropResizes--; return; }
      this.outerWidth = Math.min(w, this.maxWidth || w);
      this.outerHeight = Math.min(h, this.maxHeight || h);
      this.resized();
    },
    moveTo(x, y) { this.calls.push(["moveTo", x, y]); this.screenX = x; this.screenY = y; },
    resized() { for (const f of listeners.slice()) f({type: "resize"}); },
  };
  return win;
}

test("the outer size grows by what the frame takes", () => {
  assert.deepStrictEqual(outerSizeFor(VIEW, {width: 1008, height: 613}, {width: 1024, height: 652}),
                         {width: 1040, height: 691});
  assert.deepStrictEqual(outerSizeFor(VIEW, VIEW, VIEW), VIEW);
});

test("centred in the work area; a larger window keeps its top-left corner in it", () => {
  assert.deepStrictEqual(centredIn({left: 0, top: 0, width: 1366, height: 728}, {width: 1040, height: 691}),
                         {left: 163, top: 18});
  assert.deepStrictEqual(centredIn({left: 0, top: 40, width: 1280, height: 760}, {width: 1024, height: 708}),
                         {left: 128, top: 66});
  assert.deepStrictEqual(centredIn({left: 1920, top: 0, width: 853, height: 450}, {width: 1040, height: 691}),
                         {left: 1920, top: 0});
});

test("a framed window is grown to the movie's size and centred", () => {
  const win = fakeWindow({width: 16, height: 39}, {left: 0, top: 0, width: 1366, height: 728},
                         {width: 1024, height: 652});
  keepWindowFitted(win, VIEW, 10000, 5);
  assert.strictEqual(win.innerWidth, 1024);
  assert.strictEqual(win.innerHeight, 652);
  assert.deepStrictEqual(win.calls, [["resizeTo", 1040, 691], ["moveTo", 163, 18]]);
});

test("a frame that comes after the page started is measured again", () => {
  // At first the window manager has not framed the window yet: the page measures the movie's size.
  let frame = {width: 0, height: 0};
  const win = fakeWindow({get width() { return frame.width; }, get height() { return frame.height; }},
                         {left: 0, top: 0, width: 1280, height: 740}, {width: 1024, height: 652});
  keepWindowFitted(win, VIEW, 10000, 5);
  assert.deepStrictEqual(win.calls, [["moveTo", 128, 44]]);
  frame = {width: 0, height: 56};
  win.resized();
  assert.strictEqual(win.innerHeight, 652);
  assert.deepStrictEqual(win.calls.slice(1), [["resizeTo", 1024, 708], ["moveTo", 128, 16]]);
});

test("a work area too small for the movie: a few tries, then the window is left alone", () => {
  const win = fakeWindow({width: 0, height: 56}, {left: 0, top: 0, width: 1280, height: 700},
                         {width: 1024, height: 652});
  win.maxHeight = 690;
  keepWindowFitted(win, VIEW, 10000, 3);
  assert.strictEqual(win.calls.filter((c) => c[0] === "resizeTo").length, 3);
  assert.strictEqual(win.listening(), 0);
});

test("a maximised window, a page not shown yet, or one settled long ago are not resized", () => {
  const maximised = fakeWindow({width: 16, height: 39}, {left: 0, top: 0, width: 1280, height: 760},
                               {width: 1024, height: 652});
  keepWindowFitted(maximised, VIEW, 10000, 5);
  maximised.outerWidth = 1280;
  maximised.outerHeight = 760;
  maximised.resized();
  assert.strictEqual(maximised.listening(), 0);
  maximised.outerWidth = 1000;
  maximised.resized();
  assert.strictEqual(maximised.calls.filter((c) => c[0] === "resizeTo").length, 1);

  const hidden = fakeWindow({width: 16, height: 39}, {left: 0, top: 0, width: 1280, height: 760},
                            {width: 1024, height: 652});
  hidden.document.hidden = true;
  keepWindowFitted(hidden, VIEW, 10000, 5);
  assert.deepStrictEqual(hidden.calls, []);
  // Shown a moment later, as a page that started before its window appeared: fitted then.
  hidden.document.hidden = false;
  hidden.tick();
  assert.deepStrictEqual(hidden.calls, [["resizeTo", 1040, 691], ["moveTo", 120, 34]]);

  const settled = fakeWindow({width: 16, height: 39}, {left: 0, top: 0, width: 1280, height: 760},
                             {width: 1024, height: 652});
  keepWindowFitted(settled, VIEW, -1, 5);
  assert.deepStrictEqual(settled.calls, []);
  assert.strictEqual(settled.listening(), 0);
});

test("a resize the window dropped without a word is asked for again while the page settles", () => {
  const win = fakeWindow({width: 0, height: 56}, {left: 0, top: 0, width: 1280, height: 740},
                         {width: 1024, height: 652});
  win.dropResizes = 1;
  keepWindowFitted(win, VIEW, 10000, 5);
  assert.strictEqual(win.innerHeight, 596);
  win.tick();
  assert.strictEqual(win.innerHeight, 652);
  assert.deepStrictEqual(win.calls, [["resizeTo", 1024, 708], ["resizeTo", 1024, 708], ["moveTo", 128, 16]]);
});

test("looking again mends only the size: a window the learner moved stays where it is", () => {
  const win = fakeWindow({width: 16, height: 39}, {left: 0, top: 0, width: 1366, height: 728},
                         {width: 1024, height: 652});
  keepWindowFitted(win, VIEW, 10000, 5);
  win.screenX = 5;
  win.screenY = 7;
  win.tick();
  assert.deepStrictEqual([win.screenX, win.screenY], [5, 7]);
  assert.strictEqual(win.calls.length, 2);
});

test("once the page gave up, it no longer looks again", () => {
  const win = fakeWindow({width: 0, height: 56}, {left: 0, top: 0, width: 1280, height: 700},
                         {width: 1024, height: 652});
  win.maxHeight = 690;
  keepWindowFitted(win, VIEW, 10000, 1);
  assert.strictEqual(win.timers.size, 0);
  const settled = fakeWindow({width: 16, height: 39}, {left: 0, top: 0, width: 1280, height: 760},
                             {width: 1024, height: 652});
  keepWindowFitted(settled, VIEW, -1, 5);
  assert.strictEqual(settled.timers.size, 0);
});
