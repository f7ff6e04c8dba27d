// The run command's hands in the browser: opens the demo's page in headless Chromium and does what
// scripts/demo_browser.py asks, one JSON request per line on stdin, one JSON answer per line on
// stdout. The tour itself (which button, when, what the Wine screen shows) lives in the Python
// driver, which also sees the shell's Win32 windows; this side only knows the page.
//
//   node demo_browser.js URL PROFILE_DIR LOG_FILE
//   {"do": "buttons"}            -> {"ok": true, "value": [{id, label, x, y, width, height}...]}
//   {"do": "click", "x": , "y": } -> {"ok": true}
//   {"do": "transcript"}         -> {"ok": true, "value": "the demo's text area"}
//   {"do": "shot", "path": }      -> {"ok": true}
//   {"do": "close"}              -> {"ok": true}, then the browser ends
// PUPPETEER_CORE names the puppeteer-core package folder; CHROMIUM the browser (/usr/bin/chromium).
"use strict";
const fs = require("fs");
const readline = require("readline");
const puppeteer = require(process.env.PUPPETEER_CORE);

const [url, profile, logFile] = process.argv.slice(2);
const log = (line) => fs.appendFileSync(logFile, line + "\n");
const answer = (value) => process.stdout.write(JSON.stringify(value) + "\n");

// Calls a function the movie registered with ExternalInterface.addCallback.
const movieCall = (page, name) => page.evaluate((name) => {
  const player = document.querySelector("ruffle-player");
  if (!player || typeof player[name] !== "function") return {missing: true};
  return {value: player[name]()};
}, name);

(async () => {
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    headless: true,
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
           "--disable-background-networking", "--disable-component-update", "--disable-sync",
           "--user-data-dir=" + profile],
  });
  let page;
  try {
    page = await browser.newPage();
    await page.setViewport({width: 1024, height: 652});
    page.on("console", (m) => log("console " + m.type() + " " + m.text()));
    page.on("pageerror", (e) => log("pageerror " + e.message));
    await page.goto(url);
    log("loaded " + url);
  } catch (e) {
    log("driver error " + e.message);
    answer({ok: false, error: "page did not load: " + e.message});
    await browser.close();
    return;
  }
  answer({ok: true, value: "loaded"});

  const lines = readline.createInterface({input: process.stdin});
  for await (const line of lines) {
    let request;
    try {
      request = JSON.parse(line);
      if (request.do === "close") {
        answer({ok: true});
        break;
      } else if (request.do === "click") {
        await page.mouse.click(request.x, request.y);
        answer({ok: true});
      } else if (request.do === "buttons" || request.do === "transcript") {
        const got = await movieCall(page, request.do === "buttons" ? "demoButtons" : "demoTranscript");
        answer(got.missing ? {ok: false, error: "the movie has not registered its callbacks yet"}
                           : {ok: true, value: got.value});
      } else if (request.do === "shot") {
        await page.screenshot({path: request.path});
        answer({ok: true});
      } else {
        answer({ok: false, error: "unknown request " + line});
      }
    } catch (e) {
      // The page may be gone (the program ended): say so and let the driver decide.
      answer({ok: false, error: String(e && e.message || e)});
    }
  }
  await browser.close().catch(() => {});
})();
