// A headless X server of 1024 x 768 for one try, on the first free display number.
#pragma once
#include <memory>
#include <string>

#include "packwright/try/ChildProcess.h"

class XServer {
public:
    // Throws TryError when no server comes up within the time-out.
    explicit XServer(Milliseconds timeout);
    const std::string& display() const { return display_; }

private:
    std::unique_ptr<ChildProcess> server_;
    std::string display_;
};
