#pragma once
// A value, or the reason there is none: how the middle says that something
// could not be done, when the caller is to decide what the player is told.
// Exceptions stay for faults of the program itself.

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace mirel {

template <class T, class Reason = std::string>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::in_place_index<0>, std::move(value)) {}
  static Result Failed(Reason why) { return Result(std::in_place_index<1>, std::move(why)); }

  explicit operator bool() const { return value_.index() == 0; }
  T& operator*() { return std::get<0>(value_); }
  const T& operator*() const { return std::get<0>(value_); }
  T* operator->() { return &std::get<0>(value_); }
  const T* operator->() const { return &std::get<0>(value_); }
  const Reason& Why() const { return std::get<1>(value_); }

 private:
  template <std::size_t I, class V>
  Result(std::in_place_index_t<I> which, V&& v) : value_(which, std::forward<V>(v)) {}

  std::variant<T, Reason> value_;
};

// A step that gives nothing back but may fail.
template <class Reason = std::string>
using Status = Result<std::monostate, Reason>;
inline constexpr std::monostate kDone{};

}  // namespace mirel
