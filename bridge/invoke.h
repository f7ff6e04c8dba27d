// The invoke format of the external-call channel: requests from the movie, the replies handed back
// to it, and the calls the shell makes into movie functions. All text here is in the ANSI code
// page; the crossings to the player's UTF-16 are done by the callers named below.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

// A request that cannot be read (not XML, no name, no arguments, a missing argument).
class RequestError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One decoded request. The document is kept until the request has been handled; arguments are
// read on demand, so a handler fails only at the argument it actually needs.
class InvokeRequest {
public:
    // Parses the request as the player sent it (UTF-16); unrepresentable characters become "?".
    explicit InvokeRequest(const std::u16string& request);
    // Parses a request that is already ANSI text.
    static InvokeRequest FromAnsi(const std::string& text);
    ~InvokeRequest();
    InvokeRequest(InvokeRequest&&) noexcept;

    // The value of the root element's first attribute, whatever that attribute is called.
    std::string Name() const;
    // The text of child node `index` of the first "arguments" element (any letter case): trimmed
    // of control bytes and spaces at both ends, line breaks as CR LF, references decoded.
    std::string Argument(int index) const;

private:
    InvokeRequest();
    struct Document;
    std::unique_ptr<Document> doc_;
};

// Escapes the characters that would break a <string> element: the player decodes them again.
std::string XmlEscape(const std::string& text);

// Replies.
extern const char kReplyTrue[];
extern const char kReplyFalse[];
std::string StringReply(const std::string& value);

// The invoke text of a call to movie function `function` with two string arguments.
std::string MovieCallRequest(const std::string& function, const std::string& first,
                             const std::string& second);

// The player's side of host-to-movie calls: CallFunction of the courseware player.
class MovieFunctionCaller {
public:
    virtual ~MovieFunctionCaller() = default;
    virtual std::u16string CallFunction(const std::u16string& request) = 0;
};

// Calls a movie function with two string arguments and returns its reply as ANSI text. A call the
// player reports as failed throws to the caller.
std::string CallMovieFunction(MovieFunctionCaller& player, const std::string& function,
                              const std::string& first, const std::string& second);
// The movie's notification function "DelphiCallBack" with a notice and its data.
std::string NotifyMovie(MovieFunctionCaller& player, const std::string& name,
                        const std::string& data);
