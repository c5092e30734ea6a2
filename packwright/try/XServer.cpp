#include "packwright/try/XServer.h"

#include <filesystem>
#include <thread>

#include "packwright/try/TryError.h"

namespace fs = std::filesystem;

XServer::XServer(Milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (int number = 99; number < 400; ++number) {
        std::string n = std::to_string(number);
        fs::path socket = "/tmp/.X11-unix/X" + n;
        if (fs::exists("/tmp/.X" + n + "-lock") || fs::exists(socket)) continue;
        auto server = std::make_unique<ChildProcess>(std::vector<std::string>{
            "Xvfb", ":" + n, "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"});
        // Another server may take the same number at the same moment: it then ends at once.
        for (;;) {
            if (fs::exists(socket) && !server->Wait(Milliseconds(0))) {
                server_ = std::move(server);
                display_ = ":" + n;
                return;
            }
            if (server->Wait(Milliseconds(50))) break;
            if (std::chrono::steady_clock::now() >= deadline)
                throw TryError("timed out after " + std::to_string(timeout.count() / 1000) +
                               " s waiting for the X server (Xvfb) on display :" + n + " to start");
        }
    }
    throw TryError("no free display number for the X server (Xvfb)");
}
