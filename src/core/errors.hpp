#pragma once
// The two kinds of error that abandon a command: a floating-point fault and a
// failed text-file or console operation. The run and save commands catch them
// at their boundary and show what() to the user.

#include <stdexcept>
#include <string>

namespace velmor {

// what() is exactly the user-visible text: "Floating point overflow",
// "Floating point division by zero" or "Invalid floating point operation".
class FloatingPointFault : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A failed input/output operation; what() is "I/O error <code>".
class IoError : public std::runtime_error {
public:
    explicit IoError(int code) : std::runtime_error("I/O error " + std::to_string(code)), code_(code) {}
    int code() const { return code_; }

private:
    int code_;
};

}  // namespace velmor
