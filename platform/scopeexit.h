// Runs a function when the scope ends, on every way out, failures included: for the one-off
// clean-ups that no owning type covers (a count to take back, a pointer to forget). After WIL's
// scope_exit.
//
//     ScopeExit leave([&] { --busy_; });
#pragma once

#include <utility>

template <typename F>
class [[nodiscard]] ScopeExit {
  public:
    explicit ScopeExit(F f) : f_(std::move(f)) {}
    ~ScopeExit() {
        if (armed_) f_();
    }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

    // The clean-up is not wanted after all.
    void Release() { armed_ = false; }

  private:
    F f_;
    bool armed_ = true;
};
