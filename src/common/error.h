// The program's errors: every fault that ends an operation is one of these, with a message for the user.
#pragma once

#include <stdexcept>
#include <string>

namespace common {

// Base of all errors the program raises. The message is shown to the user as it stands.
class Error : public std::runtime_error
{
public:
    explicit Error(const std::string &message) : std::runtime_error(message) {}
};

// Refusals of the database engine: bad SQL, no such table or column, damaged files, values that do not fit.
class DataError : public Error
{
public:
    using Error::Error;
};

// Floating-point faults: division by zero, invalid operation, overflow.
class MathError : public Error
{
public:
    using Error::Error;
};

// A text that does not convert to a number ("'%s' is not a valid integer value").
class ConvertError : public Error
{
public:
    using Error::Error;
};

// File-system failures: cannot write, cannot delete, cannot read.
class FileError : public Error
{
public:
    using Error::Error;
};

} // namespace common
