// The page's window. The browser takes the size it is given for the window's outer size, so under
// a title bar and frame the page is smaller than the movie and a NoScale movie loses its bottom
// (often its navigation bar). Only the page can measure itself: it grows the window by what the
// frame takes and centres it in the screen's work area, as the program places its own windows.
// The build puts this file into the page; the native tests load it in node.

// The outer size that gives the page the viewport `view`, the window being `outer` with `inner`.
function outerSizeFor(view, inner, outer) {
  return {width: outer.width + view.width - inner.width,
          height: outer.height + view.height - inner.height};
}

// The top-left corner that centres a window of size `outer` in the work area `avail` ({left, top,
// width, height}); a larger window keeps its top-left corner in it.
function centredIn(avail, outer) {
  return {left: avail.left + Math.max(0, Math.floor((avail.width - outer.width) / 2)),
          top: avail.top + Math.max(0, Math.floor((avail.height - outer.height) / 2))};
}

// Fits the window `win` to the viewport `view` while it settles: the window manager may add its
// frame after the page has started, so each resize is measured again. The page also looks again
// every `kRecheckMs`: the page can start before its window is shown (hidden, nothing to measure
// yet), a resize asked for then can be dropped without a word, and a bar the browser adds on its
// own need not announce itself as a resize. It gives up after a few tries (a work area too small
// for the movie), and stops for good once `settleMs` have passed or once the window is maximised:
// the learner's or the movie's own resizing is theirs.
const kRecheckMs = 500;

function keepWindowFitted(win, view, settleMs, tries) {
  const until = Date.now() + settleMs;
  let left = tries;
  let timer = null;
  const stop = () => {
    win.removeEventListener("resize", fit);
    if (timer !== null) win.clearInterval(timer);
    timer = null;
  };
  function fit(event) {
    const avail = {left: win.screen.availLeft || 0, top: win.screen.availTop || 0,
                   width: win.screen.availWidth, height: win.screen.availHeight};
    const outer = {width: win.outerWidth, height: win.outerHeight};
    const maximised = outer.width >= avail.width && outer.height >= avail.height;
    if (Date.now() > until || maximised) return stop();
    if (win.document.hidden) return;  // not shown yet (or minimised): nothing to measure until it is
    if (win.innerWidth === view.width && win.innerHeight === view.height) {
      if (!event) return;  // the look again only mends the size: where the learner puts the window is theirs
      const at = centredIn(avail, outer);
      if (win.screenX !== at.left || win.screenY !== at.top) win.moveTo(at.left, at.top);
      return;
    }
    if (left-- <= 0) return stop();
    const size = outerSizeFor(view, {width: win.innerWidth, height: win.innerHeight}, outer);
    win.resizeTo(size.width, size.height);
  }
  win.addEventListener("resize", fit);
  timer = win.setInterval(() => fit(null), kRecheckMs);
  fit({type: "start"});
}

if (typeof module !== "undefined") {
  module.exports = {outerSizeFor, centredIn, keepWindowFitted};
}
