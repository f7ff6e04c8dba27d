#include "bridge/invoke.h"

#include "platform/textconv.h"

#include <pugixml.hpp>

#include <cstdlib>

struct InvokeRequest::Document {
    pugi::xml_document xml;
};

namespace {

void AppendUtf8AsAnsi(std::string& out, unsigned long code) {
    // A character reference names a Unicode character; the program's text is ANSI.
    std::u16string wide;
    if (code >= 0x10000 && code <= 0x10FFFF) {
        code -= 0x10000;
        wide += static_cast<char16_t>(0xD800 + (code >> 10));
        wide += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else if (code > 0 && code < 0x10000) {
        wide += static_cast<char16_t>(code);
    } else {
        out += '?';
        return;
    }
    out += WideToAnsi(wide);
}

// Decodes the five predefined entities and decimal/hexadecimal character references; anything
// else that starts with "&" stays as it is.
std::string DecodeReferences(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out += text[i];
            continue;
        }
        size_t semi = text.find(';', i + 1);
        if (semi == std::string::npos || semi - i > 12) {
            out += '&';
            continue;
        }
        std::string name = text.substr(i + 1, semi - i - 1);
        if (name == "amp") {
            out += '&';
        } else if (name == "lt") {
            out += '<';
        } else if (name == "gt") {
            out += '>';
        } else if (name == "quot") {
            out += '"';
        } else if (name == "apos") {
            out += '\'';
        } else if (name.size() > 1 && name[0] == '#') {
            bool hex = name[1] == 'x' || name[1] == 'X';
            const char* digits = name.c_str() + (hex ? 2 : 1);
            char* end = nullptr;
            unsigned long code = std::strtoul(digits, &end, hex ? 16 : 10);
            if (!*digits || *end || *digits == '-' || *digits == '+') {
                out += '&';
                continue;
            }
            AppendUtf8AsAnsi(out, code);
        } else {
            out += '&';
            continue;
        }
        i = semi;
    }
    return out;
}

// The raw character data below a node, in document order. Character data in CDATA sections is
// protected from reference decoding by escaping its "&". Walked without recursion: a request may
// nest elements far deeper than the stack would allow.
void CollectText(const pugi::xml_node& top, std::string& out) {
    pugi::xml_node node = top;
    for (;;) {
        if (node.type() == pugi::node_pcdata) {
            out += node.value();
        } else if (node.type() == pugi::node_cdata) {
            for (const char* p = node.value(); *p; ++p) {
                if (*p == '&') {
                    out += "&amp;";
                } else {
                    out += *p;
                }
            }
        } else if (pugi::xml_node child = node.first_child()) {
            node = child;
            continue;
        }
        while (node != top && !node.next_sibling()) node = node.parent();
        if (node == top) return;
        node = node.next_sibling();
    }
}

std::string TextValue(const pugi::xml_node& node) {
    std::string raw;
    CollectText(node, raw);
    // Trim first, decode afterwards: a space written as a reference survives at the edges.
    size_t begin = 0, end = raw.size();
    while (begin < end && static_cast<unsigned char>(raw[begin]) < 0x21) ++begin;
    while (end > begin && static_cast<unsigned char>(raw[end - 1]) < 0x21) --end;
    std::string trimmed;
    trimmed.reserve(end - begin);
    // The parser already turned CR LF and lone CR into LF; the program's line break is CR LF.
    for (size_t i = begin; i < end; ++i) {
        if (raw[i] == '\n') trimmed += '\r';
        trimmed += raw[i];
    }
    return DecodeReferences(trimmed);
}

}  // namespace

InvokeRequest::InvokeRequest() : doc_(new Document) {}
InvokeRequest::~InvokeRequest() = default;
InvokeRequest::InvokeRequest(InvokeRequest&&) noexcept = default;

InvokeRequest::InvokeRequest(const std::u16string& request)
    : InvokeRequest(FromAnsi(WideToAnsi(request))) {}

InvokeRequest InvokeRequest::FromAnsi(const std::string& text) {
    InvokeRequest request;
    // References are decoded by hand after trimming, so the parser leaves them alone.
    unsigned options = (pugi::parse_default & ~pugi::parse_escapes) | pugi::parse_eol;
    // The bytes are ANSI text and must reach the handlers unchanged: no encoding conversion.
    pugi::xml_parse_result parsed =
        request.doc_->xml.load_buffer(text.data(), text.size(), options, pugi::encoding_utf8);
    if (!parsed) throw RequestError(std::string("Invalid request: ") + parsed.description());
    if (!request.doc_->xml.document_element())
        throw RequestError("Invalid request: no root element");
    return request;
}

std::string InvokeRequest::Name() const {
    pugi::xml_attribute first = doc_->xml.document_element().first_attribute();
    if (!first) throw RequestError("Invalid request: the request has no name");
    return DecodeReferences(first.value());
}

std::string InvokeRequest::Argument(int index) const {
    pugi::xml_node arguments;
    for (pugi::xml_node child : doc_->xml.document_element().children()) {
        if (child.type() == pugi::node_element &&
            EqualsIgnoringAsciiCase(child.name(), "arguments")) {
            arguments = child;
            break;
        }
    }
    if (!arguments) throw RequestError("Invalid request: no arguments");
    int i = 0;
    for (pugi::xml_node child : arguments.children()) {
        if (i++ == index) return TextValue(child);
    }
    throw RequestError("Invalid request: argument " + std::to_string(index) + " missing");
}

std::string XmlEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            default: out += c;
        }
    }
    return out;
}

const char kReplyTrue[] = "<true/>";
const char kReplyFalse[] = "<false/>";

std::string StringReply(const std::string& value) {
    return "<string>" + XmlEscape(value) + "</string>";
}

std::string MovieCallRequest(const std::string& function, const std::string& first,
                             const std::string& second) {
    return "<invoke name=\"" + function + "\" returntype=\"xml\"><arguments><string>" +
           XmlEscape(first) + "</string><string>" + XmlEscape(second) +
           "</string></arguments></invoke>";
}

std::string CallMovieFunction(MovieFunctionCaller& player, const std::string& function,
                              const std::string& first, const std::string& second) {
    return WideToAnsi(player.CallFunction(AnsiToWide(MovieCallRequest(function, first, second))));
}

std::string NotifyMovie(MovieFunctionCaller& player, const std::string& name,
                        const std::string& data) {
    return CallMovieFunction(player, "DelphiCallBack", name, data);
}
