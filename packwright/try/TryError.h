// A try that cannot go on: the message names what is missing or what was waited for.
#pragma once
#include <stdexcept>

struct TryError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A command line or answers file that cannot be used as given.
struct TryUsageError : TryError {
    using TryError::TryError;
};
