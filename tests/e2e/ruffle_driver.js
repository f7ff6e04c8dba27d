// Opens the browser player's page in headless Chromium and keeps it open until the stop file
// appears (or the time is up), then closes the browser. The page's console goes to the log file.
//
//   node ruffle_driver.js URL STOP_FILE LOG_FILE TIMEOUT_MS
// PUPPETEER_CORE names the puppeteer-core package folder; CHROMIUM the browser (/usr/bin/chromium).
"use strict";
const fs = require("fs");
const os = require("os");
const path = require("path");
const puppeteer = require(process.env.PUPPETEER_CORE);

const [url, stopFile, logFile, timeoutMs] = process.argv.slice(2);
const log = (line) => fs.appendFileSync(logFile, line + "\n");

(async () => {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), "cs-chromium-"));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    headless: true,
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
           "--disable-background-networking", "--disable-component-update", "--disable-sync",
           "--autoplay-policy=no-user-gesture-required", "--user-data-dir=" + profile],
    // The browser the program starts is not watched request by request; neither is this one.
    networkEnabled: false,
  });
  try {
    const page = await browser.newPage();
    await page.setViewport({width: 1024, height: 652});
    page.on("console", (m) => log("console " + m.type() + " " + m.text()));
    page.on("pageerror", (e) => log("pageerror " + e.message));
    await page.goto(url);
    log("loaded");
    const deadline = Date.now() + Number(timeoutMs);
    while (!fs.existsSync(stopFile) && Date.now() < deadline) {
      await new Promise((r) => setTimeout(r, 100));
    }
    const shot = fs.existsSync(stopFile) ? fs.readFileSync(stopFile, "utf8").trim() : "";
    if (shot) await page.screenshot({path: shot});
    log(fs.existsSync(stopFile) ? "stopped" : "timed out");
  } catch (e) {
    log("driver error " + e.message);
  } finally {
    await browser.close();
    fs.rmSync(profile, {recursive: true, force: true});
  }
})();
