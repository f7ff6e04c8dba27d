#include "player/exchange.h"

#include <algorithm>
#include <utility>

void PendingRequest::Answer(PageResponse response) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (answered_) return;
    answered_ = true;
    response_ = std::move(response);
    done_.notify_all();
}

bool PendingRequest::Answered() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return answered_;
}

PageResponse Exchange::Submit(PageRequest request) {
    auto pending = std::make_shared<PendingRequest>(std::move(request));
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_) return PageResponse{503, "", ""};
        queue_.push_back(pending);
        open_.erase(
            std::remove_if(open_.begin(), open_.end(),
                           [](const std::weak_ptr<PendingRequest>& w) { return w.expired(); }),
            open_.end());
        open_.push_back(pending);
    }
    wake_();
    std::unique_lock<std::mutex> lock(pending->mutex_);
    pending->done_.wait(lock, [&] { return pending->answered_; });
    return pending->response_;
}

std::shared_ptr<PendingRequest> Exchange::Next() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (queue_.empty()) return nullptr;
    auto next = queue_.front();
    queue_.pop_front();
    return next;
}

void Exchange::Close() {
    std::deque<std::weak_ptr<PendingRequest>> open;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
        queue_.clear();
        open.swap(open_);
    }
    for (auto& weak : open) {
        if (auto pending = weak.lock()) pending->Answer(PageResponse{503, "", ""});
    }
}
