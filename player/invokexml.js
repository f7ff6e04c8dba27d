// The invoke XML of the external-call channel, as the Flash control writes and reads it: the
// page encodes the movie's calls with it and decodes the host's replies and calls. The build puts
// this file into the page; the native tests load it in node.
function escapeText(s) {
  return s.replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;")
          .replace(/"/g, "&quot;").replace(/'/g, "&apos;");
}
function encodeValue(v) {
  if (v === undefined) return "<undefined/>";
  if (v === null) return "<null/>";
  if (v === true) return "<true/>";
  if (v === false) return "<false/>";
  if (typeof v === "number") return "<number>" + String(v) + "</number>";
  if (typeof v === "string") return "<string>" + escapeText(v) + "</string>";
  if (Array.isArray(v)) {
    return "<array>" + v.map((item, i) => '<property id="' + i + '">' + encodeValue(item) +
                                          "</property>").join("") + "</array>";
  }
  if (typeof v === "object") {
    return "<object>" + Object.keys(v).map((k) => '<property id="' + escapeText(k) + '">' +
                                                encodeValue(v[k]) + "</property>").join("") +
           "</object>";
  }
  return "<string>" + escapeText(String(v)) + "</string>";
}
function invokeXml(name, args) {
  return '<invoke name="' + escapeText(name) + '" returntype="xml"><arguments>' +
         args.map(encodeValue).join("") + "</arguments></invoke>";
}
// The host writes its values without escaping them ("<string>a & b</string>"), so this reader
// takes the text between the tags as it stands and decodes only well-formed references.
function decodeText(s) {
  return s.replace(/&(amp|lt|gt|quot|apos|#[0-9]+|#x[0-9a-fA-F]+);/g, (m, e) => {
    switch (e) {
      case "amp": return "&";
      case "lt": return "<";
      case "gt": return ">";
      case "quot": return '"';
      case "apos": return "'";
    }
    const code = e[1] === "x" || e[1] === "X" ? parseInt(e.slice(2), 16) : parseInt(e.slice(1), 10);
    return String.fromCodePoint(code);
  });
}
// Reads one value at text[pos...]; returns [value, next position].
function readValue(text, pos) {
  const rest = text.slice(pos);
  let m = /^\s*<(undefined|null|true|false)\s*\/>/.exec(rest);
  if (m) {
    return [{undefined: undefined, null: null, true: true, false: false}[m[1]], pos + m[0].length];
  }
  m = /^\s*<(string|number)\s*\/>/.exec(rest);
  if (m) return [m[1] === "string" ? "" : 0, pos + m[0].length];
  m = /^\s*<(string|number)>/.exec(rest);
  if (m) {
    const close = "</" + m[1] + ">";
    const start = pos + m[0].length;
    // The next closing tag; a lone reply of the host is read to its last one by decodeReply.
    const end = text.indexOf(close, start);
    if (end < 0) throw new Error("unterminated <" + m[1] + ">");
    const raw = decodeText(text.slice(start, end));
    return [m[1] === "number" ? Number(raw) : raw, end + close.length];
  }
  m = /^\s*<(array|object)>/.exec(rest);
  if (m) {
    const kind = m[1];
    const result = kind === "array" ? [] : {};
    pos += m[0].length;
    for (;;) {
      const tail = text.slice(pos);
      const endTag = new RegExp("^\\s*</" + kind + ">").exec(tail);
      if (endTag) return [result, pos + endTag[0].length];
      const prop = /^\s*<property id="([^"]*)">/.exec(tail);
      if (!prop) throw new Error("bad <" + kind + ">");
      const [value, next] = readValue(text, pos + prop[0].length);
      result[decodeText(prop[1])] = value;
      const closeProp = /^\s*<\/property>/.exec(text.slice(next));
      if (!closeProp) throw new Error("bad <property>");
      pos = next + closeProp[0].length;
    }
  }
  throw new Error("unknown value " + rest.slice(0, 20));
}
function decodeReply(text) {
  const trimmed = text.trim();
  if (trimmed === "") return undefined;
  // A lone string runs to the last closing tag.
  if (/^<string>/.test(trimmed) && /<\/string>$/.test(trimmed)) {
    return decodeText(trimmed.slice(8, trimmed.length - 9));
  }
  return readValue(trimmed, 0)[0];
}
function parseInvoke(xml) {
  const head = /^\s*<invoke\s+[A-Za-z_:][\w:.-]*\s*=\s*"([^"]*)"[^>]*>\s*<arguments>/i.exec(xml);
  if (!head) throw new Error("not an invoke request");
  const args = [];
  let pos = head[0].length;
  for (;;) {
    if (/^\s*<\/arguments>/i.test(xml.slice(pos))) break;
    const [value, next] = readValue(xml, pos);
    args.push(value);
    pos = next;
  }
  return {name: decodeText(head[1]), args: args};
}

if (typeof module !== "undefined") {
  module.exports = {encodeValue, invokeXml, decodeReply, parseInvoke};
}
