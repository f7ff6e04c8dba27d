// Opens the browser player's page in headless Chromium and keeps it open until the stop file
// appears (or the time is up), then closes the browser. The page's console goes to the log file.
//
//   node ruffle_driver.js URL STOP_FILE LOG_FILE TIMEOUT_MS
// PUPPETEER_CORE names the puppeteer-core package folder; CHROMIUM the browser (/usr/bin/chromium).
// DRIVER_PROFILE names a profile folder to use and keep (else a fresh one is made and removed).
// DRIVER_APP_ARGS (a JSON list) starts the browser with a window on the display instead, with
// exactly those switches (the ones the program starts Edge or Chrome with, the URL among them),
// and drives the page that opens in it.
// DRIVER_COMMANDS names a folder where the test puts commands 1.json, 2.json, ... one after the
// other; each gets its answer in N.done: {"do": "click", "x": X, "y": Y, "tab": T} clicks into a
// tab, {"do": "open"} opens the page in a new tab and answers its number, {"do": "text", "tab": T}
// answers the tab's visible text, {"do": "window", "tab": T} what the page measures of its window
// and screen (JSON), {"do": "freeze", "ms": M, "tab": T} stalls the page (no script, no request)
// for M ms, as an old PC's busy browser does.
// The page is closed as a browser closes it: it is navigated away first, so it says goodbye.
"use strict";
const fs = require("fs");
const os = require("os");
const path = require("path");
const puppeteer = require(process.env.PUPPETEER_CORE);

const [url, stopFile, logFile, timeoutMs] = process.argv.slice(2);
const log = (line) => fs.appendFileSync(logFile, line + "\n");
const commands = process.env.DRIVER_COMMANDS || "";

(async () => {
  const kept = process.env.DRIVER_PROFILE || "";
  const profile = kept || fs.mkdtempSync(path.join(os.tmpdir(), "cs-chromium-"));
  const appArgs = process.env.DRIVER_APP_ARGS ? JSON.parse(process.env.DRIVER_APP_ARGS) : null;
  const browser = await puppeteer.launch(appArgs ? {
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    headless: false,
    // Nothing of puppeteer's own: the window is the one those switches make.
    ignoreDefaultArgs: true,
    pipe: true,
    defaultViewport: null,
    args: appArgs.concat(["--user-data-dir=" + profile]),
    networkEnabled: false,
  } : {
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    headless: true,
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
           "--disable-background-networking", "--disable-component-update", "--disable-sync",
           "--autoplay-policy=no-user-gesture-required", "--user-data-dir=" + profile],
    // The browser the program starts is not watched request by request; neither is this one.
    networkEnabled: false,
  });
  const tabs = [];
  function watch(page) {
    const n = tabs.length;
    page.on("console", (m) => log("console " + n + " " + m.type() + " " + m.text()));
    page.on("pageerror", (e) => log("pageerror " + n + " " + e.message));
    tabs.push(page);
    return n;
  }
  async function adopt() {
    // The app window's page, once it has the program's address.
    for (let i = 0; i < 600; i++) {
      for (const page of await browser.pages()) {
        if (page.url().startsWith(url)) return watch(page);
      }
      await new Promise((r) => setTimeout(r, 100));
    }
    throw new Error("no window showed " + url);
  }
  async function open() {
    const page = await browser.newPage();
    await page.setViewport({width: 1024, height: 652});
    const n = watch(page);
    await page.goto(url);
    return n;
  }
  async function run(command) {
    const tab = tabs[command.tab || 0];
    if (command.do === "click") {
      await tab.mouse.click(command.x, command.y);
      return "clicked";
    }
    if (command.do === "open") return String(await open());
    if (command.do === "text") return await tab.evaluate(() => document.body.innerText);
    if (command.do === "window") {
      return JSON.stringify(await tab.evaluate(() => ({
        innerWidth, innerHeight, outerWidth, outerHeight, screenX, screenY,
        availLeft: screen.availLeft, availTop: screen.availTop,
        availWidth: screen.availWidth, availHeight: screen.availHeight,
      })));
    }
    if (command.do === "freeze") {
      const session = await tab.createCDPSession();
      await session.send("Page.setWebLifecycleState", {state: "frozen"});
      await new Promise((r) => setTimeout(r, command.ms));
      await session.send("Page.setWebLifecycleState", {state: "active"});
      await session.detach();
      return "thawed";
    }
    return "unknown command";
  }
  try {
    await (appArgs ? adopt() : open());
    log("loaded");
    const deadline = Date.now() + Number(timeoutMs);
    let next = 1;
    while (!fs.existsSync(stopFile) && Date.now() < deadline) {
      const file = commands && path.join(commands, next + ".json");
      if (file && fs.existsSync(file)) {
        let answer;
        try {
          answer = await run(JSON.parse(fs.readFileSync(file, "utf8")));
        } catch (e) {
          answer = "error " + e.message;
        }
        fs.writeFileSync(path.join(commands, next + ".done"), answer);
        next++;
        continue;
      }
      await new Promise((r) => setTimeout(r, 100));
    }
    const shot = fs.existsSync(stopFile) ? fs.readFileSync(stopFile, "utf8").trim() : "";
    if (shot) await tabs[0].screenshot({path: shot});
    log(fs.existsSync(stopFile) ? "stopped" : "timed out");
  } catch (e) {
    log("driver error " + e.message);
  } finally {
    // Away from the page first, as a closing window does: the page says goodbye on the way.
    for (const tab of tabs) await tab.goto("about:blank").catch(() => {});
    await browser.close();
    if (!kept) fs.rmSync(profile, {recursive: true, force: true});
  }
})();
