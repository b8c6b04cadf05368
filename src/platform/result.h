#pragma once
// The one way loaders and parsers report failure: a value, or the reason there is none. Callers must look
// (the type is [[nodiscard]]); exceptions are kept for ending the program.

#include <string>
#include <utility>
#include <variant>

namespace corv {

struct Error {
  std::string message;
};

// `return Fail("why");` from any function returning a Result.
inline Error Fail(std::string message) {
  return Error{std::move(message)};
}

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }

  // The reason for the failure; empty when there was none.
  const std::string& error() const {
    static const std::string kNone;
    return ok() ? kNone : std::get<1>(state_).message;
  }

 private:
  std::variant<T, Error> state_;
};

// Success or the reason for a failure, for work that yields no value.
class [[nodiscard]] Status {
 public:
  Status() = default;
  Status(Error error) : error_(std::move(error.message)), failed_(true) {}

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  const std::string& error() const { return error_; }

 private:
  std::string error_;
  bool failed_ = false;
};

}  // namespace corv
