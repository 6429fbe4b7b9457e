// Results of the driver's steps as values: what was found, or why it failed.
// No Windows dependency: the script parser uses them too.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace e2e {

// Why something failed, in words for the log.
struct Failure {
  std::string reason;
};

inline Failure Fail(std::string reason) { return Failure{std::move(reason)}; }

// A value of type T, or the Failure that stood in its way.
template <typename T>
class [[nodiscard]] Expected {
public:
  Expected(T value) : v_(std::in_place_index<0>, std::move(value)) {}
  Expected(Failure failure) : v_(std::in_place_index<1>, std::move(failure)) {}

  bool ok() const { return v_.index() == 0; }
  T& value() { return std::get<0>(v_); }
  const T& value() const { return std::get<0>(v_); }
  const Failure& failure() const { return std::get<1>(v_); }

private:
  std::variant<T, Failure> v_;
};

// Success that carries nothing.
struct Done {};
using Status = Expected<Done>;
inline Status Ok() { return Done{}; }

} // namespace e2e
