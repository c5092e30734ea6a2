#include "packwright/examine/Verify.h"

#include <exception>
#include <new>

#include "packwright/examine/ExamineError.h"
#include "packwright/examine/PackageExaminer.h"

bool VerifyPackage(const std::string& path, std::string& report, const std::function<void(u64, u64)>& progress) {
    try {
        InspectCallbacks callbacks;
        callbacks.progress = progress;
        InspectedPackage package = InspectPackage(path, callbacks);
        if (!package.problems.empty()) {
            report = package.problems.front();
            for (std::size_t i = 1; i < package.problems.size(); ++i) report += "\n" + package.problems[i];
            return false;
        }
        u64 blocks = 0;
        for (const InspectedFile& f : package.files) blocks += f.blocksRead;
        report = std::string(RunModeName(package.runMode)) + " package sound: " + std::to_string(package.files.size()) +
                 " files, " + std::to_string(blocks) + " blocks, " + std::to_string(package.volumesRead) +
                 (package.volumesRead == 1 ? " volume" : " volumes");
        return true;
    } catch (const ExamineError& e) {
        report = e.what();
    } catch (const std::bad_alloc&) {
        report = "out of memory";
    }
    return false;
}
