// The one error the writer raises: input the Package format cannot carry, or an output
// file that cannot be written. The message names the offending item.
#pragma once
#include <stdexcept>
#include <string>

struct WriterError : std::runtime_error {
    explicit WriterError(const std::string& message) : std::runtime_error(message) {}
};
