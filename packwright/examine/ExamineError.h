// A failure while reading an existing installer: the message says what and where.
#pragma once
#include <stdexcept>
#include <string>

struct ExamineError : std::runtime_error {
    explicit ExamineError(const std::string& message) : std::runtime_error(message) {}
};
