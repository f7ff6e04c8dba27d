#include "script.h"

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <utility>

namespace standin {
namespace {

struct LineError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool ReadHex4(const std::string& s, std::size_t at, std::uint32_t& value) {
    if (at + 4 > s.size()) return false;
    value = 0;
    for (std::size_t i = at; i < at + 4; ++i) {
        char c = s[i];
        value <<= 4;
        if (c >= '0' && c <= '9')
            value |= c - '0';
        else if (c >= 'a' && c <= 'f')
            value |= c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            value |= c - 'A' + 10;
        else
            return false;
    }
    return true;
}

// Cuts the next blank-separated word off the front of `rest`.
std::string NextWord(std::string& rest) {
    std::size_t start = rest.find_first_not_of(" \t");
    if (start == std::string::npos) {
        rest.clear();
        return {};
    }
    std::size_t end = rest.find_first_of(" \t", start);
    std::string word =
        rest.substr(start, end == std::string::npos ? std::string::npos : end - start);
    // Exactly one separator is eaten, so a value may begin with spaces.
    rest = end == std::string::npos ? std::string() : rest.substr(end + 1);
    return word;
}

std::string RequireWord(std::string& rest, const char* what) {
    std::string word = NextWord(rest);
    if (word.empty()) throw LineError(std::string("missing ") + what);
    return word;
}

long long RequireNumber(std::string& rest, const char* what) {
    std::string word = RequireWord(rest, what);
    char* end = nullptr;
    long long value = std::strtoll(word.c_str(), &end, 0);
    if (end == word.c_str() || *end != '\0' || value < 0)
        throw LineError(std::string("bad ") + what + ": " + word);
    return value;
}

Step ParseStep(const std::string& command, std::string rest, int line) {
    Step step;
    step.line = line;
    if (command == "var") {
        step.kind = StepKind::Var;
        step.name = RequireWord(rest, "variable name");
        step.text = Unescape(rest);
    } else if (command == "playing") {
        // The movie stops or starts itself, as a movie's own stop() and play() do.
        step.kind = StepKind::Playing;
        step.a = RequireNumber(rest, "0 or 1");
    } else if (command == "unset") {
        step.kind = StepKind::Unset;
        step.name = RequireWord(rest, "variable name");
    } else if (command == "register") {
        step.kind = StepKind::Register;
        step.name = RequireWord(rest, "function name");
        step.text = rest.empty() ? std::string("<null/>") : Unescape(rest);
    } else if (command == "unregister") {
        step.kind = StepKind::Unregister;
        step.name = RequireWord(rest, "function name");
    } else if (command == "log") {
        step.kind = StepKind::Log;
        step.text = Unescape(rest);
    } else if (command == "fscommand") {
        step.kind = StepKind::FsCommand;
        step.name = Unescape(RequireWord(rest, "command word"));
        step.text = Unescape(rest);
    } else if (command == "call") {
        step.kind = StepKind::Call;
        step.name = Unescape(RequireWord(rest, "function name"));
        if (!rest.empty()) step.args = SplitArgs(rest);
    } else if (command == "rawcall") {
        step.kind = StepKind::RawCall;
        step.text = Unescape(rest);
    } else if (command == "bigcall") {
        step.kind = StepKind::BigCall;
        step.name = Unescape(RequireWord(rest, "function name"));
        step.a = RequireNumber(rest, "repeat count");
        step.text = rest.empty() ? std::string("x") : Unescape(rest);
    } else if (command == "click") {
        step.kind = StepKind::Click;
        step.name = RequireWord(rest, "button");
        if (step.name != "left" && step.name != "right" && step.name != "middle")
            throw LineError("button must be left, right or middle: " + step.name);
        step.a = RequireNumber(rest, "x");
        step.b = RequireNumber(rest, "y");
    } else if (command == "key") {
        step.kind = StepKind::Key;
        step.a = RequireNumber(rest, "virtual key code");
    } else if (command == "wait") {
        step.kind = StepKind::Wait;
        step.a = RequireNumber(rest, "milliseconds");
    } else if (command == "waitcall") {
        step.kind = StepKind::WaitCall;
        step.name = RequireWord(rest, "function name");
        step.a = RequireNumber(rest, "time-out");
    } else if (command == "every") {
        step.kind = StepKind::Every;
        step.a = RequireNumber(rest, "interval");
        step.b = RequireNumber(rest, "repeat count");
        if (step.a == 0) throw LineError("interval must be positive");
        std::string innerCommand = RequireWord(rest, "repeated step");
        Step inner = ParseStep(innerCommand, rest, line);
        if (!IsEvent(inner.kind) && inner.kind != StepKind::Log)
            throw LineError(
                "every repeats only call, rawcall, bigcall, fscommand, click, key or log");
        step.inner.push_back(std::move(inner));
    } else if (command == "join") {
        step.kind = StepKind::Join;
    } else if (command == "stop") {
        step.kind = StepKind::Stop;
    } else if (command == "loadtime") {
        step.kind = StepKind::LoadTime;
        step.a = RequireNumber(rest, "milliseconds");
    } else if (command == "title") {
        step.kind = StepKind::Title;
        step.text = Unescape(rest);
    } else if (command == "button" || command == "grip") {
        step.kind = command == "button" ? StepKind::Button : StepKind::Grip;
        step.name = RequireWord(rest, "widget id");
        step.text = rest.empty() ? step.name : Unescape(rest);
    } else if (command == "text") {
        step.kind = StepKind::Text;
        step.text = Unescape(rest);
    } else if (command == "clear") {
        step.kind = StepKind::Clear;
    } else if (command == "on") {
        step.kind = StepKind::On;
        step.name = RequireWord(rest, "widget id");
    } else if (command == "press") {
        step.kind = StepKind::Press;
        step.name = RequireWord(rest, "widget id");
    } else if (command == "end") {
        throw LineError("end without on");
    } else {
        throw LineError("unknown step: " + command);
    }
    return step;
}

}  // namespace

bool IsQuiet(StepKind kind) {
    switch (kind) {
        case StepKind::Var:
        case StepKind::Unset:
        case StepKind::Playing:
        case StepKind::Register:
        case StepKind::Unregister:
        case StepKind::Log:
        case StepKind::Title:
        case StepKind::Button:
        case StepKind::Grip:
        case StepKind::Text:
        case StepKind::Clear:
        case StepKind::On:
        case StepKind::LoadTime:
            return true;
        default:
            return false;
    }
}

bool IsInteractive(StepKind kind) {
    switch (kind) {
        case StepKind::Title:
        case StepKind::Button:
        case StepKind::Grip:
        case StepKind::Text:
        case StepKind::Clear:
        case StepKind::On:
            return true;
        default:
            return false;
    }
}

bool IsEvent(StepKind kind) {
    switch (kind) {
        case StepKind::FsCommand:
        case StepKind::Call:
        case StepKind::RawCall:
        case StepKind::BigCall:
        case StepKind::Click:
        case StepKind::Key:
            return true;
        default:
            return false;
    }
}

std::string Unescape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        char e = text[++i];
        switch (e) {
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case '\\':
                out += '\\';
                break;
            case '|':
                out += '|';
                break;
            case 'e':
                break;
            case 'u': {
                std::uint32_t unit = 0;
                if (!ReadHex4(text, i + 1, unit)) {
                    out += "\\u";
                    break;
                }
                i += 4;
                std::uint32_t low = 0;
                if (unit >= 0xD800 && unit < 0xDC00 && i + 2 < text.size() && text[i + 1] == '\\' &&
                    text[i + 2] == 'u' && ReadHex4(text, i + 3, low) && low >= 0xDC00 &&
                    low < 0xE000) {
                    i += 6;
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                }
                AppendUtf8(out, unit);
                break;
            }
            default:
                // Unknown escapes stay as written, so Windows paths need no doubling.
                out += '\\';
                out += e;
        }
    }
    return out;
}

std::vector<std::string> SplitArgs(const std::string& text) {
    std::vector<std::string> args;
    std::string piece;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            piece += text[i];
            piece += text[++i];
        } else if (text[i] == '|') {
            args.push_back(Unescape(piece));
            piece.clear();
        } else {
            piece += text[i];
        }
    }
    args.push_back(Unescape(piece));
    return args;
}

std::string XmlEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string BuildInvoke(const std::string& function, const std::vector<std::string>& args) {
    std::string out = "<invoke name=\"" + XmlEscape(function) + "\" returntype=\"xml\"><arguments>";
    for (const auto& arg : args) out += "<string>" + XmlEscape(arg) + "</string>";
    out += "</arguments></invoke>";
    return out;
}

std::string InvokeName(const std::string& request) {
    std::size_t tagEnd = request.find('>');
    std::size_t at = request.find("name=\"");
    if (at == std::string::npos || (tagEnd != std::string::npos && at > tagEnd)) return {};
    at += 6;
    std::size_t end = request.find('"', at);
    if (end == std::string::npos) return {};
    return request.substr(at, end - at);
}

namespace {

std::string XmlUnescape(const std::string& text) {
    static const std::pair<const char*, char> named[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool done = false;
        if (text[i] == '&') {
            for (const auto& [entity, c] : named) {
                std::size_t n = std::char_traits<char>::length(entity);
                if (text.compare(i, n, entity) == 0) {
                    out += c;
                    i += n - 1;
                    done = true;
                    break;
                }
            }
            std::size_t end = text.find(';', i);
            if (!done && text.compare(i, 2, "&#") == 0 && end != std::string::npos) {
                bool hex = i + 2 < text.size() && (text[i + 2] == 'x' || text[i + 2] == 'X');
                std::string digits = text.substr(i + (hex ? 3 : 2), end - i - (hex ? 3 : 2));
                char* stop = nullptr;
                unsigned long cp = std::strtoul(digits.c_str(), &stop, hex ? 16 : 10);
                if (!digits.empty() && *stop == '\0' && cp > 0 && cp < 0x110000) {
                    AppendUtf8(out, static_cast<std::uint32_t>(cp));
                    i = end;
                    done = true;
                }
            }
        }
        if (!done) out += text[i];
    }
    return out;
}

}  // namespace

std::string DescribeInvoke(const std::string& request) {
    std::string out = InvokeName(request) + "(";
    std::size_t at = request.find("<arguments>");
    std::size_t stop = request.find("</arguments>");
    if (at != std::string::npos) at += 11;
    bool first = true;
    while (at != std::string::npos && at < request.size() && request[at] == '<' &&
           (stop == std::string::npos || at < stop)) {
        std::string piece;
        if (request.compare(at, 8, "<string>") == 0) {
            std::size_t end = request.find("</string>", at);
            if (end == std::string::npos) break;
            piece = "\"" + XmlUnescape(request.substr(at + 8, end - at - 8)) + "\"";
            at = end + 9;
        } else if (request.compare(at, 9, "<string/>") == 0) {
            piece = "\"\"";
            at += 9;
        } else {
            // Another type: up to the end of its element (empty or with one closing tag).
            std::size_t close = request.find('>', at);
            if (close == std::string::npos) break;
            std::size_t end = close + 1;
            if (request[close - 1] != '/') {
                std::size_t closing = request.find("</", close);
                std::size_t after =
                    closing == std::string::npos ? closing : request.find('>', closing);
                if (after == std::string::npos) break;
                end = after + 1;
            }
            piece = request.substr(at, end - at);
            at = end;
        }
        out += (first ? "" : ", ") + piece;
        first = false;
    }
    return out + ")";
}

std::string OneLine(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\n')
            out += "\xE2\x90\x8A";
        else if (c == '\r')
            out += "\xE2\x90\x8D";
        else
            out += c;
    }
    return out;
}

Script ParseScript(const std::string& utf8) {
    Script script;
    std::size_t pos = 0;
    if (utf8.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
    int line = 0;
    // Index of the `on` step whose block is being read, or -1.
    long block = -1;
    while (pos <= utf8.size()) {
        std::size_t end = utf8.find('\n', pos);
        std::string text =
            utf8.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        pos = end == std::string::npos ? utf8.size() + 1 : end + 1;
        ++line;
        if (!text.empty() && text.back() == '\r') text.pop_back();
        std::string rest = text;
        std::string command = NextWord(rest);
        if (command.empty() || command[0] == '#') continue;
        try {
            if (command == "end" && block >= 0) {
                block = -1;
                continue;
            }
            if (command == "on" && block >= 0) throw LineError("on inside the block of another on");
            Step step = ParseStep(command, rest, line);
            if (block >= 0) {
                script.steps[static_cast<std::size_t>(block)].inner.push_back(std::move(step));
            } else {
                script.steps.push_back(std::move(step));
                if (command == "on") block = static_cast<long>(script.steps.size()) - 1;
            }
        } catch (const LineError& e) {
            script.errors.push_back({line, e.what()});
        }
    }
    if (block >= 0) {
        const Step& open = script.steps[static_cast<std::size_t>(block)];
        script.errors.push_back({open.line, "on " + open.name + ": missing end"});
    }
    return script;
}

}  // namespace standin
