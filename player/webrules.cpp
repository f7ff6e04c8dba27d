#include "player/webrules.h"

#include "platform/paths.h"
#include "platform/textconv.h"

#include <algorithm>
#include <cctype>

namespace web {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = AsciiLower(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool IsTraversalByte(unsigned char c) {
    return c < 0x20 || c == 0x7F || c == '.' || c == '/' || c == '\\' || c == ':' || c == '%';
}

}  // namespace

std::string HexOf(const unsigned char* bytes, std::size_t count) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

std::optional<std::string> PercentDecode(std::string_view text, bool strict) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        int hi = HexValue(text[i + 1]), lo = HexValue(text[i + 2]);
        if (hi < 0 || lo < 0) return std::nullopt;
        unsigned char byte = static_cast<unsigned char>(hi * 16 + lo);
        if (strict && IsTraversalByte(byte)) return std::nullopt;
        out += static_cast<char>(byte);
        i += 2;
    }
    return out;
}

std::string PercentEncode(std::string_view text, bool keepSlash) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) && c < 0x80) {
            out += static_cast<char>(c);
        } else if (c == '-' || c == '_' || c == '.' || c == '~' || (keepSlash && c == '/')) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

std::optional<std::string> SafeRelativePath(std::string_view decoded) {
    if (decoded.empty()) return std::nullopt;
    std::string result;
    std::size_t start = 0;
    while (true) {
        std::size_t end = decoded.find('/', start);
        std::string_view segment = decoded.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (segment.empty() || segment == "." || segment == "..") return std::nullopt;
        if (segment.back() == '.' || segment.back() == ' ') return std::nullopt;
        for (unsigned char c : segment) {
            if (c < 0x20 || c == 0x7F || c == '\\' || c == ':' || c == '%' || c == '*' ||
                c == '?' || c == '"' || c == '<' || c == '>' || c == '|')
                return std::nullopt;
        }
        if (IsDeviceName(segment, NameText::Utf8)) return std::nullopt;
        if (!result.empty()) result += '\\';
        result += segment;
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return result;
}

Target Classify(std::string_view rawTarget, std::string_view secret) {
    Target target;
    std::string_view path = rawTarget.substr(0, rawTarget.find_first_of("?#"));
    if (secret.empty() || path.size() < secret.size() + 2 || path[0] != '/' ||
        path.substr(1, secret.size()) != secret || path[secret.size() + 1] != '/')
        return target;
    std::string_view rest = path.substr(secret.size() + 2);
    if (rest.empty()) {
        target.route = Route::Page;
        return target;
    }
    if (rest.substr(0, 2) == "!/") {
        std::string_view name = rest.substr(2);
        if (name.empty() || name.find_first_not_of("abcdefghijklmnopqrstuvwxyz") != name.npos)
            return target;
        target.route = Route::Control;
        target.rest = std::string(name);
        return target;
    }
    std::optional<std::string> decoded = PercentDecode(rest, true);
    if (!decoded) return target;
    std::optional<std::string> relative = SafeRelativePath(*decoded);
    if (!relative) return target;
    target.route = Route::File;
    target.rest = *relative;
    return target;
}

bool HostAllowed(std::string_view host, int port) {
    return host == "127.0.0.1:" + std::to_string(port);
}

bool OriginAllowed(std::string_view origin, int port) {
    return origin.empty() || origin == "http://127.0.0.1:" + std::to_string(port);
}

std::string ContentTypeFor(std::string_view path) {
    std::size_t dot = path.rfind('.');
    std::string ext = dot == path.npos ? "" : AsciiLowered(path.substr(dot + 1));
    struct Type {
        const char* ext;
        const char* type;
    };
    static const Type types[] = {
        {"swf", "application/x-shockwave-flash"},
        {"js", "text/javascript"},
        {"wasm", "application/wasm"},
        {"html", "text/html; charset=utf-8"},
        {"htm", "text/html; charset=utf-8"},
        {"json", "application/json"},
        {"map", "application/json"},
        {"txt", "text/plain"},
        {"xml", "text/xml"},
        {"css", "text/css"},
        {"png", "image/png"},
        {"jpg", "image/jpeg"},
        {"jpeg", "image/jpeg"},
        {"gif", "image/gif"},
        {"mp3", "audio/mpeg"},
        {"wav", "audio/wav"},
        {"flv", "video/x-flv"},
        {"mp4", "video/mp4"},
    };
    for (const Type& t : types) {
        if (ext == t.ext) return t.type;
    }
    return "application/octet-stream";
}

bool ServedAsDownload(std::string_view path) {
    std::size_t dot = path.rfind('.');
    std::string ext = dot == path.npos ? "" : AsciiLowered(path.substr(dot + 1));
    // Ruffle's own scripts are the page's; they live in its folder.
    std::string_view ruffle = "ruffle\\";
    if ((ext == "js" || ext == "mjs") && path.size() > ruffle.size() &&
        EqualsIgnoringAsciiCase(path.substr(0, ruffle.size()), ruffle))
        return false;
    static const char* const scripted[] = {"html", "htm",  "xhtml", "xht", "shtml", "js",  "mjs",
                                           "svg",  "svgz", "xml",   "xsl", "xslt",  "mht", "mhtml"};
    for (const char* s : scripted) {
        if (ext == s) return true;
    }
    return false;
}

bool ParseDecimal(std::string_view text, std::uint64_t* value) {
    if (text.empty() || text.size() > 18) return false;
    std::uint64_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        n = n * 10 + static_cast<unsigned>(c - '0');
    }
    *value = n;
    return true;
}

ByteRange ParseRange(std::string_view header, std::uint64_t size) {
    ByteRange range;
    if (header.empty()) return range;
    std::string_view unit = "bytes=";
    if (header.size() <= unit.size() ||
        !EqualsIgnoringAsciiCase(header.substr(0, unit.size()), unit))
        return range;
    std::string_view bounds = header.substr(unit.size());
    // One range only; a list is answered whole, as a server may.
    if (bounds.find(',') != bounds.npos) return range;
    std::size_t dash = bounds.find('-');
    if (dash == bounds.npos) return range;
    std::string_view first = bounds.substr(0, dash), last = bounds.substr(dash + 1);
    std::uint64_t a = 0, b = 0;
    if (first.empty()) {
        // The last b bytes.
        if (!ParseDecimal(last, &b)) return range;
        range.kind = ByteRange::Kind::Unsatisfiable;
        if (b == 0 || size == 0) return range;
        range.kind = ByteRange::Kind::Part;
        range.first = b >= size ? 0 : size - b;
        range.last = size - 1;
        return range;
    }
    if (!ParseDecimal(first, &a) || (!last.empty() && (!ParseDecimal(last, &b) || b < a)))
        return range;
    range.kind = ByteRange::Kind::Unsatisfiable;
    if (a >= size) return range;
    range.kind = ByteRange::Kind::Part;
    range.first = a;
    range.last = last.empty() || b >= size ? size - 1 : b;
    return range;
}

std::string PageWithRequestNames(std::string_view page, const std::vector<std::string>& names) {
    static constexpr std::string_view kMarker = "/* request names */ []";
    std::string list = "[";
    for (const std::string& name : names) {
        if (list.size() > 1) list += ", ";
        list += JsonQuote(name);
    }
    list += "]";
    std::string result(page);
    std::size_t at = result.find(kMarker);
    if (at != std::string::npos) result.replace(at, kMarker.size(), list);
    return result;
}

std::string JsonQuote(std::string_view utf8) {
    static const char digits[] = "0123456789abcdef";
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    out += "\\u00";
                    out += digits[c >> 4];
                    out += digits[c & 15];
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

std::optional<std::string> MovieUrl(std::string_view programDirectory, std::string_view fullPath) {
    if (programDirectory.empty() || fullPath.size() <= programDirectory.size() ||
        !EqualsIgnoringAsciiCase(fullPath.substr(0, programDirectory.size()), programDirectory))
        return std::nullopt;
    std::string relative(fullPath.substr(programDirectory.size()));
    std::replace(relative.begin(), relative.end(), '\\', '/');
    if (!SafeRelativePath(relative)) return std::nullopt;
    return PercentEncode(relative, true);
}

}  // namespace web
