// Fuzz target: the first line of a file as "loadfile" reads it, with the file handing its bytes
// over in pieces of any size. The line is the same for every piece size, holds no line end and
// no 0x1A, loses no byte but the CRs, and the reading stops once the line has ended. Text the
// program stored as UTF-8 reads back as the ANSI text that was saved.
#include "bridge/fileservices.h"
#include "fuzzcheck.h"
#include "platform/textconv.h"

#include <algorithm>
#include <string>

namespace {

class PieceFile : public InputFile {
  public:
    PieceFile(const std::string& content, size_t piece) : content_(content), piece_(piece) {}
    size_t Read(char* buffer, size_t size) override {
        size_t n = std::min({size, piece_, content_.size() - at_});
        std::copy_n(content_.data() + at_, n, buffer);
        at_ += n;
        return n;
    }
    std::uint64_t Size() override { return content_.size(); }
    void Seek(std::uint64_t offset) override { at_ = std::min<size_t>(offset, content_.size()); }
    size_t Consumed() const { return at_; }

  private:
    const std::string& content_;
    size_t piece_;
    size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    unsigned char shape = input.Byte();
    const size_t piece = shape >= 0xF0 ? 4096 : 1 + shape % 97;
    const std::string content = input.Rest();

    PieceFile file(content, piece);
    const std::string line = ReadFirstLine(file);
    FUZZ_CHECK(!HasByte(line, '\n') && !HasByte(line, '\x1A') && !HasByte(line, '\r'));

    size_t end = content.find_first_of(std::string("\n\x1A", 2));
    std::string expected;
    for (char c : content.substr(0, end))
        if (c != '\r') expected += c;
    FUZZ_CHECK(line == expected);
    if (end != std::string::npos) {
        // Nothing is read past the piece that holds the line's end.
        FUZZ_CHECK(file.Consumed() <= (end / piece + 1) * piece);
    } else {
        FUZZ_CHECK(file.Consumed() == content.size());
    }

    PieceFile whole(content, content.size() + 1);
    FUZZ_CHECK(ReadFirstLine(whole) == line);
    return 0;
}
