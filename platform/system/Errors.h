#pragma once
// Error types shared by the whole program. Failures are exceptions carrying a
// formatted message; a cancelled effect ends with the silent EAbort.

#include <exception>
#include <stdexcept>
#include <string>

namespace pv {

// The general error family: every error the program raises itself.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    // The error's type name as reported in status lines ("Exception" for the base type).
    virtual const char* ClassName() const noexcept { return "Exception"; }
};

// The silent abort: carries no message and is never shown to the user.
class EAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

// Type name and message of any caught error, for status lines and logs.
struct ErrorDescription {
    std::string className;
    std::string message;
};
ErrorDescription DescribeError(std::exception_ptr error);

} // namespace pv
