// Fuzz target: a reply head line by line as the transport hands it over, then the body into the
// reply buffer in pieces. The head reads the same with or without line ends, what it read can be
// written back as a head that reads the same, and the buffer gives back every byte in order.
#include "fuzzcheck.h"
#include "platform/httpmessage.h"
#include "platform/replybuffer.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

bool SameHead(const ReplyHead& a, const ReplyHead& b) {
    return a.Status() == b.Status() && a.HasLocation() == b.HasLocation() &&
           a.ContentLength() == b.ContentLength() && a.SetCookies() == b.SetCookies() &&
           a.Complete() == b.Complete();
}

void CheckHead(const ReplyHead& head) {
    // Three digits, or 0 for a status line without them.
    FUZZ_CHECK(head.Status() >= 0 && head.Status() <= 999);
    FUZZ_CHECK(head.ContentLength() >= -1);
    FUZZ_CHECK(head.Success() ==
               (head.Status() >= 200 && head.Status() <= 299 && !head.HasLocation()));
    for (const std::string& value : head.SetCookies()) {
        FUZZ_CHECK(!HasByte(value, '\n'));
        if (!value.empty()) {
            FUZZ_CHECK(value.front() != ' ' && value.front() != '\t' && value.front() != '\r');
            FUZZ_CHECK(value.back() != ' ' && value.back() != '\t' && value.back() != '\r');
        }
    }
}

void CheckBuffer(FuzzInput& input, const std::string& body) {
    // Crossing into a new block is left to the unit test: a block is far larger than an input.
    ReplyBuffer buffer;
    size_t at = 0;
    while (at < body.size()) {
        size_t piece = std::min<size_t>(body.size() - at, 1 + input.Byte() % 64);
        buffer.Append(body.data() + at, piece);
        at += piece;
    }
    FUZZ_CHECK(buffer.Size() == body.size());
    std::string pieces;
    buffer.ForEachPiece([&](const char* data, size_t size) {
        FUZZ_CHECK(size > 0 && size <= ReplyBuffer::kBlockSize);
        pieces.append(data, size);
    });
    FUZZ_CHECK(pieces == body);
    FUZZ_CHECK(buffer.ToString() == pieces);
    buffer.Clear();
    FUZZ_CHECK(buffer.Size() == 0 && buffer.ToString().empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ReplyHead withEnds, withoutEnds;
    size_t at = 0;
    while (at < text.size() && !withEnds.Complete()) {
        size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end + 1;
        std::string line = text.substr(at, end - at);
        at = end;
        withEnds.Line(line);
        if (!line.empty() && line.back() == '\n') line.pop_back();
        if (!line.empty() && line.back() == '\r') line.pop_back();
        withoutEnds.Line(line);
        FUZZ_CHECK(SameHead(withEnds, withoutEnds));
        CheckHead(withEnds);
    }

    // What was read, written back as a head, reads the same.
    if (withEnds.Status() != 0) {
        ReplyHead again;
        char status[32];
        std::snprintf(status, sizeof status, "HTTP/1.1 %03d Reason\r\n", withEnds.Status());
        again.Line(status);
        if (withEnds.HasLocation()) again.Line("Location: /elsewhere\r\n");
        if (withEnds.ContentLength() >= 0)
            again.Line("Content-Length: " + std::to_string(withEnds.ContentLength()) + "\r\n");
        for (const std::string& value : withEnds.SetCookies()) again.Line("Set-Cookie: " + value);
        if (withEnds.Complete()) again.Line("\r\n");
        FUZZ_CHECK(SameHead(again, withEnds));
    }

    FuzzInput rest(reinterpret_cast<const uint8_t*>(text.data()) + at, text.size() - at);
    std::string body = rest.All();
    CheckBuffer(rest, body);
    return 0;
}
