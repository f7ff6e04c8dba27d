// The browser player page's invoke XML: what the page sends for the movie's calls and how it
// reads the host's replies and calls.
"use strict";
const test = require("node:test");
const assert = require("node:assert");
const path = require("path");
const {encodeValue, invokeXml, decodeReply, parseInvoke} =
    require(path.join(__dirname, "..", "..", "..", "player", "invokexml.js"));

test("values are written as the Flash control writes them", () => {
  assert.strictEqual(encodeValue("a&b<c>d\"e'f"), "<string>a&amp;b&lt;c&gt;d&quot;e&apos;f</string>");
  assert.strictEqual(encodeValue(""), "<string></string>");
  assert.strictEqual(encodeValue("中文"), "<string>中文</string>");
  assert.strictEqual(encodeValue(5), "<number>5</number>");
  assert.strictEqual(encodeValue(-1.5), "<number>-1.5</number>");
  assert.strictEqual(encodeValue(true), "<true/>");
  assert.strictEqual(encodeValue(false), "<false/>");
  assert.strictEqual(encodeValue(null), "<null/>");
  assert.strictEqual(encodeValue(undefined), "<undefined/>");
  assert.strictEqual(encodeValue(["x", 1]),
                     '<array><property id="0"><string>x</string></property>' +
                     '<property id="1"><number>1</number></property></array>');
  assert.strictEqual(encodeValue({k: null}), '<object><property id="k"><null/></property></object>');
});

test("a call of the movie becomes the control's invoke request", () => {
  assert.strictEqual(invokeXml("savefile", ["a&b.txt", "x<y"]),
                     '<invoke name="savefile" returntype="xml"><arguments>' +
                     "<string>a&amp;b.txt</string><string>x&lt;y</string></arguments></invoke>");
  assert.strictEqual(invokeXml("getAppDir", []),
                     '<invoke name="getAppDir" returntype="xml"><arguments></arguments></invoke>');
});

test("the host's replies become values, also when the host left them unescaped", () => {
  assert.strictEqual(decodeReply("<string>a & b < c > 中文</string>"), "a & b < c > 中文");
  assert.strictEqual(decodeReply("<string>a&lt;b &amp; &quot;c&quot; &#20013;&#x6587;</string>"),
                     'a<b & "c" 中文');
  assert.strictEqual(decodeReply("<string>x</string>y</string>"), "x</string>y");
  assert.strictEqual(decodeReply("<string>&unknown; &</string>"), "&unknown; &");
  assert.strictEqual(decodeReply("<string></string>"), "");
  assert.strictEqual(decodeReply("<true/>"), true);
  assert.strictEqual(decodeReply("<false/>"), false);
  assert.strictEqual(decodeReply("<null/>"), null);
  assert.strictEqual(decodeReply("<undefined/>"), undefined);
  assert.strictEqual(decodeReply(""), undefined);
  assert.strictEqual(decodeReply("<number>42</number>"), 42);
  assert.deepStrictEqual(decodeReply('<array><property id="0"><string>a</string></property></array>'),
                         ["a"]);
  assert.throws(() => decodeReply("<string>open"));
  assert.throws(() => decodeReply("plain text"));
});

test("the host's calls into the movie are read by position", () => {
  assert.deepStrictEqual(
      parseInvoke('<invoke name="DelphiCallBack" returntype="xml"><arguments>' +
                  "<string>canspeak</string><string></string></arguments></invoke>"),
      {name: "DelphiCallBack", args: ["canspeak", ""]});
  // The picker's file name is put in verbatim: an "&" of a file name arrives as it is.
  assert.deepStrictEqual(
      parseInvoke('<invoke name="onPick" returntype="xml"><arguments><string>selectedover</string>' +
                  "<string>\\resources\\a&b <1>.doc</string></arguments></invoke>"),
      {name: "onPick", args: ["selectedover", "\\resources\\a&b <1>.doc"]});
  assert.throws(() => parseInvoke("<call/>"));
  assert.throws(() => parseInvoke('<invoke name="f"><arguments><string>x</arguments></invoke>'));
  const args = ["a&b", 3, true, null, undefined, ["x"]];
  assert.deepStrictEqual(parseInvoke(invokeXml("f<g", args)), {name: "f<g", args: args});
});
