// What the fuzz targets share: a check that ends the run with the broken rule's text, so that
// libFuzzer keeps the input that broke it, and a reader of the input's parts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_CHECK(condition)                                                            \
    do {                                                                                 \
        if (!(condition)) {                                                              \
            std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                \
        }                                                                                \
    } while (0)

// The fuzzer's bytes taken apart front to back; past the end every part is empty or zero.
class FuzzInput {
  public:
    FuzzInput(const uint8_t* data, size_t size)
        : text_(reinterpret_cast<const char*>(data), size) {}

    unsigned char Byte() {
        return at_ < text_.size() ? static_cast<unsigned char>(text_[at_++]) : 0;
    }

    // The text up to the next LF, without it.
    std::string Line() {
        size_t end = text_.find('\n', at_);
        if (end == std::string::npos) end = text_.size();
        std::string line = text_.substr(at_, end - at_);
        at_ = end < text_.size() ? end + 1 : end;
        return line;
    }

    std::string Rest() {
        std::string rest = text_.substr(at_);
        at_ = text_.size();
        return rest;
    }

    bool Empty() const { return at_ >= text_.size(); }
    const std::string& All() const { return text_; }

  private:
    std::string text_;
    size_t at_ = 0;
};

inline bool HasByte(const std::string& s, char c) {
    return s.find(c) != std::string::npos;
}

inline bool HasControl(const std::string& s) {
    for (char c : s) {
        unsigned char b = static_cast<unsigned char>(c);
        if (b < 32 || b == 127) return true;
    }
    return false;
}
