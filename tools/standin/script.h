// The stand-in player's movie script: parsing and the text forms of the player's external-call
// channel. Portable (no <windows.h>): all text is UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace standin {

enum class StepKind {
    Var,
    Unset,
    Playing,
    Register,
    Unregister,
    Log,
    FsCommand,
    Call,
    RawCall,
    BigCall,
    Click,
    Key,
    Wait,
    WaitCall,
    Every,
    Join,
    Stop,
    // The movie takes this long to load (a big movie on a slow PC).
    LoadTime,
    // Interactive movies: widgets on the player's window and the steps a click runs.
    Title,
    Button,
    Grip,
    Text,
    Clear,
    On,
    Press,
};

struct Step {
    StepKind kind = StepKind::Log;
    int line = 0;
    std::string name;               // variable, function, command word or mouse button
    std::string text;               // value, reply, argument text, raw request
    std::vector<std::string> args;  // call arguments
    long long a = 0;                // wait ms, timeout, byte count, x, key code, interval
    long long b = 0;                // y, repeat count
    std::vector<Step> inner;        // the repeated step of `every`, the block of `on`
};

struct ParseError {
    int line;
    std::string message;
};

struct Script {
    std::vector<Step> steps;
    std::vector<ParseError> errors;
};

// Steps that change only the movie's own state; they never call into the host.
bool IsQuiet(StepKind kind);
// Steps that raise an event or post input to the host.
bool IsEvent(StepKind kind);
// Steps that make the movie interactive: its window shows widgets and a text area.
bool IsInteractive(StepKind kind);

Script ParseScript(const std::string& utf8);

// Decodes \n \r \t \\ \| \e (nothing) and \uXXXX (UTF-16 code unit; surrogate pairs combine).
std::string Unescape(const std::string& text);

// Splits at every `|` that is not escaped, then unescapes each piece.
std::vector<std::string> SplitArgs(const std::string& text);

std::string XmlEscape(const std::string& text);

// The player's own request text: no whitespace, every argument a <string>.
std::string BuildInvoke(const std::string& function, const std::vector<std::string>& args);

// The value of the name attribute of the request's first tag, or "" if there is none.
std::string InvokeName(const std::string& request);

// A request as a person reads it: NAME("first", "second"); arguments other than strings stay
// as their XML. Entities in strings are decoded.
std::string DescribeInvoke(const std::string& request);

// Log lines must stay one line: CR and LF become the visible symbols U+240D and U+240A.
std::string OneLine(const std::string& text);

}  // namespace standin
