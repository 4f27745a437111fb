// Runs a clean-up when the scope it guards ends, also when an error leaves it. The clean-up must not
// throw: it may run while an error is already on its way out.
#pragma once

#include <utility>

template <typename Cleanup>
class [[nodiscard]] ScopeExit {
 public:
  explicit ScopeExit(Cleanup cleanup) : cleanup_(std::move(cleanup)) {}
  ~ScopeExit() { cleanup_(); }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  Cleanup cleanup_;
};
