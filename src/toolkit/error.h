// The program's error: an exception that carries the text the error box shows.
#pragma once

#include <stdexcept>
#include <string>

class Error : public std::runtime_error {
 public:
  explicit Error(std::wstring message) : std::runtime_error("Corvix error"), message_(std::move(message)) {}
  const std::wstring& Message() const { return message_; }

 private:
  std::wstring message_;
};
