#pragma once
// The two kinds of error that abandon a command: a floating-point fault and a
// failed text-file or console operation. The run and save commands catch them
// at their boundary and show what() to the user. Any other error is a fault
// of the program; the command boundary reports it in the same way.

#include <stdexcept>
#include <string>

namespace velmor {

// what() is exactly the user-visible text: "Floating point overflow",
// "Floating point division by zero" or "Invalid floating point operation".
class FloatingPointFault : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The message for an error no command expects (a defect, or memory running
// out): what went wrong in the error's own words, when it has any.
inline std::string UnexpectedErrorMessage(const char* what) {
    std::string message = "The command was stopped by an unexpected error";
    if (what && *what) {
        message += ": ";
        message += what;
    } else {
        message += ".";
    }
    return message;
}

// A failed input/output operation; what() is "I/O error <code>".
class IoError : public std::runtime_error {
public:
    explicit IoError(int code) : std::runtime_error("I/O error " + std::to_string(code)), code_(code) {}
    int code() const { return code_; }

private:
    int code_;
};

}  // namespace velmor
