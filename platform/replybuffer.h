// An in-memory reply body. It grows in blocks of its own instead of one contiguous string, so a
// large download never needs twice its size while the buffer grows.
#pragma once

#include "platform/bodysink.h"

#include <cstddef>
#include <string>
#include <vector>

class ReplyBuffer : public BodySink {
  public:
    static constexpr size_t kBlockSize = 1 << 20;

    void Append(const char* data, size_t size) override;
    void Clear();
    size_t Size() const { return size_; }
    std::string ToString() const;

    // Calls f(data, size) for each stored piece, in order.
    template <typename F>
    void ForEachPiece(F&& f) const {
        for (const std::string& block : blocks_)
            if (!block.empty()) f(block.data(), block.size());
    }

  private:
    std::vector<std::string> blocks_;
    size_t size_ = 0;
};
