// Rules of the browser player's loopback server, free of the platform: which requests it answers,
// how a request path maps to a file of the program directory, and the small text codings the
// page and the server share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace web {

// Lower-case hexadecimal digits of the bytes (the secret is 16 random bytes written this way).
std::string HexOf(const unsigned char* bytes, std::size_t count);

// What a request path asks for once the secret in front of it has been checked.
enum class Route { Refused, Page, File, Control };
struct Target {
    Route route = Route::Refused;
    std::string rest;  // the file's path below the program directory, or the control name
};
// Classifies the raw request target ("/<secret>/main.swf?x=1") against the secret: "/<secret>/"
// is the page, "/<secret>/!/<name>" a control request of the page, anything else below the
// secret a file. Percent escapes are decoded; what SafeRelativePath refuses is Refused.
Target Classify(std::string_view rawTarget, std::string_view secret);

// The Windows relative path ("lesson1\a.swf") for a decoded path below the program directory, or
// nothing when it could leave the folder or name something other than a plain file: empty
// segments, "." and "..", backslashes, colons (drive letters, streams), segments ending in a dot
// or a space (Windows drops those), device names, control characters and "%" (a second level of
// encoding). Device names include CONIN$, CONOUT$ and the superscript-digit COM and LPT forms.
std::optional<std::string> SafeRelativePath(std::string_view decoded);

// Percent-decoding of a path or form value; nothing when an escape is malformed. Refuses escapes
// of the ASCII characters a traversal needs (. / \ : % and control characters) when strict.
std::optional<std::string> PercentDecode(std::string_view text, bool strict);
// Percent-encoding of each byte outside the unreserved set, "/" kept when keepSlash.
std::string PercentEncode(std::string_view text, bool keepSlash);

// Only the server's own address may appear in Host; an Origin, when the browser sends one, must
// be the page's own.
bool HostAllowed(std::string_view host, int port);
bool OriginAllowed(std::string_view origin, int port);

std::string ContentTypeFor(std::string_view path);
// Whether a file of the program directory (a relative Windows path) is served as a download: the
// types a browser runs as script in the page's origin (HTML, scripts, SVG, XML), except Ruffle's
// own scripts in its folder. Otherwise a document in "resources" could call the shell's services.
bool ServedAsDownload(std::string_view path);

// A decimal number of 1 to 18 digits and nothing else (a length, a byte position), so that it
// cannot overflow; false otherwise.
bool ParseDecimal(std::string_view text, std::uint64_t* value);

// The part of a file a Range header asks for. Whole for no header, one the server does not take
// (another unit, a list of ranges, a malformed one); Unsatisfiable for a range wholly past the end.
struct ByteRange {
    enum class Kind { Whole, Part, Unsatisfiable };
    Kind kind = Kind::Whole;
    std::uint64_t first = 0;
    std::uint64_t last = 0;  // inclusive
};
ByteRange ParseRange(std::string_view header, std::uint64_t size);

// The page with the names of the host's requests in place of its marker
// "/* request names */ []", as a JSON array: the page defines a function for each.
std::string PageWithRequestNames(std::string_view page, const std::vector<std::string>& names);

// A JSON string literal for UTF-8 text (quotes, backslashes and control characters escaped).
std::string JsonQuote(std::string_view utf8);

// The URL of a movie relative to the page, for a full path inside the program directory (both as
// UTF-8 with backslashes); nothing for a path elsewhere.
std::optional<std::string> MovieUrl(std::string_view programDirectory, std::string_view fullPath);

}  // namespace web
