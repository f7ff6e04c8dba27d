#include "platform/replybuffer.h"

#include <algorithm>

void ReplyBuffer::Append(const char* data, size_t size) {
    while (size > 0) {
        if (blocks_.empty() || blocks_.back().size() == kBlockSize) {
            blocks_.emplace_back();
            blocks_.back().reserve(kBlockSize);
        }
        std::string& block = blocks_.back();
        size_t take = std::min(size, kBlockSize - block.size());
        block.append(data, take);
        data += take;
        size -= take;
        size_ += take;
    }
}

void ReplyBuffer::Clear() {
    blocks_.clear();
    blocks_.shrink_to_fit();
    size_ = 0;
}

std::string ReplyBuffer::ToString() const {
    std::string all;
    all.reserve(size_);
    ForEachPiece([&](const char* data, size_t size) { all.append(data, size); });
    return all;
}
