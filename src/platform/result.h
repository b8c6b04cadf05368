#pragma once
// The one way loaders and parsers report failure: a value, or the reason there is none. Callers must look
// (the type is [[nodiscard]]); exceptions are kept for ending the program.

#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace corv {

struct Error {
  std::string message;
  int reason = 0;  // for callers that act on why it failed: a number the function documents (0: none)
};

// `return Fail("why");` from any function returning a Result or a Status.
inline Error Fail(std::string message, int reason = 0) {
  return Error{std::move(message), reason};
}

// Fail with an enumerator as the reason.
template <typename Enum>
requires std::is_enum_v<Enum> Error Fail(std::string message, Enum reason) {
  return Error{std::move(message), static_cast<int>(reason)};
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
  // The failure's reason number (see Error), as the enumeration the function documents; 0 on success.
  template <typename Enum = int>
  Enum reason() const {
    return static_cast<Enum>(ok() ? 0 : std::get<1>(state_).reason);
  }
  // The failure itself, to pass on from a function returning another Result or a Status.
  Error failure() const { return ok() ? Error{} : std::get<1>(state_); }

 private:
  std::variant<T, Error> state_;
};

// Success or the reason for a failure, for work that yields no value.
class [[nodiscard]] Status {
 public:
  Status() = default;
  Status(Error error) : error_(std::move(error.message)), reason_(error.reason), failed_(true) {}

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  const std::string& error() const { return error_; }
  template <typename Enum = int>
  Enum reason() const {
    return static_cast<Enum>(reason_);
  }
  Error failure() const { return Error{error_, reason_}; }

 private:
  std::string error_;
  int reason_ = 0;
  bool failed_ = false;
};

}  // namespace corv
