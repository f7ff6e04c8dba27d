// Opens the browser player's page in headless Chromium and keeps it open until the stop file
// appears (or the time is up), then closes the browser. The page's console goes to the log file.
//
//   node ruffle_driver.js URL STOP_FILE LOG_FILE TIMEOUT_MS
// PUPPETEER_CORE names the puppeteer-core package folder; CHROMIUM the browser (/usr/bin/chromium).
// DRIVER_PROFILE names a profile folder to use and keep (else a fresh one is made and removed).
// DRIVER_COMMANDS names a folder where the test puts commands 1.json, 2.json, ... one after the
// other; each gets its answer in N.done: {"do": "click", "x": X, "y": Y, "tab": T} clicks into a
// tab, {"do": "open"} opens the page in a new tab and answers its number, {"do": "text", "tab": T}
// answers the tab's visible text.
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
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    headless: true,
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
           "--disable-background-networking", "--disable-component-update", "--disable-sync",
           "--autoplay-policy=no-user-gesture-required", "--user-data-dir=" + profile],
    // The browser the program starts is not watched request by request; neither is this one.
    networkEnabled: false,
  });
  const tabs = [];
  async function open() {
    const page = await browser.newPage();
    const n = tabs.length;
    await page.setViewport({width: 1024, height: 652});
    page.on("console", (m) => log("console " + n + " " + m.type() + " " + m.text()));
    page.on("pageerror", (e) => log("pageerror " + n + " " + e.message));
    tabs.push(page);
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
    return "unknown command";
  }
  try {
    await open();
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
    await browser.close();
    if (!kept) fs.rmSync(profile, {recursive: true, force: true});
  }
})();
