#include "packwright/try/TryRun.h"

#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "packwright/examine/ExamineError.h"
#include "packwright/examine/PackageExaminer.h"
#include "packwright/try/AnswersFile.h"
#include "packwright/try/DriverRun.h"
#include "packwright/try/TryError.h"
#include "packwright/try/WinePrefix.h"
#include "packwright/try/XServer.h"
#include "packwright/writer/PackageModel.h"
#include "packwright/writer/VolumeWriter.h"

namespace fs = std::filesystem;

namespace {
// The try's own folder inside the prefix, left out of every comparison.
const char OwnFolder[] = "C:\\packwright-try";
const char UninstallKeys[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL\\";

struct HeaderRead {};

ExaminedHeader ReadHeader(const std::string& installer) {
    ExaminedPackage package;
    ExamineCallbacks callbacks;
    // The header is all that is needed: stop at the first file.
    callbacks.beginFile = [](const ExaminedFile&, std::size_t) { throw HeaderRead{}; };
    try {
        ExaminePackageInto(installer, package, callbacks, {1, false});
    } catch (const HeaderRead&) {
    } catch (const ExamineError& e) {
        throw TryError(e.what());
    }
    if (!package.headerRead) throw TryError(installer + ": the installer's header cannot be read");
    if (package.runMode != RunMode::Install) throw TryError(installer + " is not an installer but a " + RunModeName(package.runMode));
    return package.header;
}

// The folder of one run, removed at the end unless it is to be kept.
class RunFolder {
public:
    explicit RunFolder(const std::optional<std::string>& keep) : kept_(keep.has_value()) {
        if (keep) {
            path_ = fs::absolute(*keep);
            if (fs::exists(path_) && !fs::is_empty(path_)) throw TryUsageError("--keep " + *keep + ": the folder is not empty");
            fs::create_directories(path_);
            return;
        }
        std::string pattern = (fs::temp_directory_path() / "packwright-try-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw TryError("cannot make a temporary folder in " + fs::temp_directory_path().string());
        path_ = pattern;
    }
    ~RunFolder() {
        std::error_code ignored;
        if (!kept_) fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
    bool kept_;
};

std::string Quoted(const std::string& text) { return text.find(' ') == std::string::npos ? text : "\"" + text + "\""; }

// The installer and its volume files, copied into the prefix; its Windows path.
std::string CopyInstaller(const std::string& installer, const fs::path& prefix) {
    fs::path folder = HostPathIn(prefix, OwnFolder);
    fs::create_directories(folder);
    fs::path source = fs::absolute(installer);
    fs::copy_file(source, folder / source.filename(), fs::copy_options::overwrite_existing);
    for (u32 i = 1;; ++i) {
        fs::path volume = VolumeFileName(source.string(), i);
        if (!fs::exists(volume)) break;
        fs::copy_file(volume, folder / volume.filename(), fs::copy_options::overwrite_existing);
    }
    return std::string(OwnFolder) + "\\" + source.filename().string();
}

// Progress on stderr, with the seconds since the try began: Wine is slow to start programs,
// and a user waiting should see where the time goes.
class Steps {
public:
    void operator()(const std::string& what) const {
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        std::fprintf(stderr, "packwright try: [%5.1f s] %s\n", seconds, what.c_str());
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

void AddFailure(TryReport& report, const std::string& reason) {
    report.failure += (report.failure.empty() ? "" : "; ") + reason;
}

std::vector<std::string> ShortcutFiles(const Changes& changes) {
    std::vector<std::string> links;
    for (const AddedFile& file : changes.files)
        if (Folded(file.path).size() > 4 && Folded(file.path).substr(file.path.size() - 4) == ".LNK") links.push_back(file.path);
    return links;
}

std::string UninstallString(const Changes& changes) {
    for (const AddedValue& v : changes.values)
        if (Folded(v.key).rfind(UninstallKeys, 0) == 0 && Folded(v.name) == "UNINSTALLSTRING") return v.value.data;
    return "";
}

void RunCommands(const TryOptions& options, TryReport& report, const Steps& step) {
    for (const std::string& command : options.runs) {
        step("running " + command);
        // Its output goes to stderr, so that a report on stdout stays readable.
        ChildProcess process({"sh", "-c", command}, {}, ChildProcess::Output::Stderr);
        RunCommand run{command, process.Wait(options.timeout)};
        report.runs.push_back(run);
        if (!run.exitCode)
            AddFailure(report, "timed out after " + std::to_string(options.timeout.count()) + " s waiting for --run " + command);
        else if (*run.exitCode != 0)
            AddFailure(report, "--run " + command + " failed with exit code " + std::to_string(*run.exitCode));
    }
}
}  // namespace

TryReport RunTry(const TryOptions& options) {
    TryReport report;
    report.installer = fs::absolute(options.installer).string();
    report.silent = options.silent;
    report.uninstallRequested = options.uninstall;
    ExaminedHeader header = ReadHeader(options.installer);
    if (header.PasswordChecksum != 0) {
        if (!options.password)
            throw TryError(options.installer + " asks for a password: give it with --password");
        if (PasswordChecksumFor(*options.password) != header.PasswordChecksum)
            throw TryError("--password: not the password " + options.installer + " asks for");
    }
    Answers answers = options.answersFile.empty() ? Answers{} : ReadAnswers(options.answersFile);
    const char* display = std::getenv("DISPLAY");
    bool headless = options.headless || !display || !*display;
    CheckTools(headless, !options.screenshots.empty());
    fs::path cache = CacheFolder();
    Milliseconds timeout = options.timeout;
    Steps step;

    RunFolder folder(options.keep);
    std::optional<XServer> xserver;
    if (headless) {
        xserver.emplace(timeout);
        ::setenv("DISPLAY", xserver->display().c_str(), 1);
    }
    step("copying the Wine prefix template");
    CopyPrefixTemplate(cache, folder.path(), timeout);
    step("starting Wine");
    fs::path prefix = folder.path() / "prefix";
    if (options.keep) report.keptPrefix = prefix.string();
    WineSession session(timeout);
    std::string setup = CopyInstaller(options.installer, prefix);
    step("taking stock of the prefix");
    PrefixSnapshot before = SnapshotPrefix(prefix, OwnFolder);

    DriverRun driver(prefix, std::string(OwnFolder) + "\\shots", timeout);
    WalkPlan install;
    install.commandLine = "\"" + setup + "\"";
    if (options.silent) {
        install.commandLine += " /VERYSILENT";
        if (options.dir) install.commandLine += " /DIR=" + Quoted(*options.dir);
        if (options.group) install.commandLine += " /GROUP=" + Quoted(*options.group);
        if (options.password) install.commandLine += " /PASSWORD=" + Quoted(*options.password);
        install.noWizard = true;
    } else {
        if (options.password) install.fills.push_back({"Enter Password", *options.password});
        if (options.dir) install.fills.push_back({"Select Target Directory", *options.dir});
        if (options.group) install.fills.push_back({"Select Start-Menu Folder", *options.group});
    }
    install.replies = answers.install;
    // A restart would end the Wine session the try runs in.
    install.replies.push_back({"Restart Windows?", "No"});
    if (!options.screenshots.empty()) install.screenshots = fs::absolute(options.screenshots);
    install.shotPrefix = "install-";
    step("installing " + options.installer);
    report.install = driver.WalkProgram(install);
    report.outcome = OutcomeOf(report.install, options.silent, &report.outcomeMessage);
    if (!report.install.failure.empty()) AddFailure(report, "the installation did not finish: " + report.install.failure);
    else if (report.outcome != "success" && report.outcome != "success_restart_needed")
        AddFailure(report, "the installation failed: " +
                               (report.outcomeMessage ? "\"" + report.outcomeMessage->caption + "\" " + report.outcomeMessage->text
                                                      : "outcome " + report.outcome + ", exit code " +
                                                            (report.install.exitCode ? std::to_string(*report.install.exitCode) : "none")));

    RunCommands(options, report, step);
    step("comparing the prefix with its state before");
    report.added = CompareSnapshots(before, SnapshotPrefix(prefix, OwnFolder));
    report.added.shortcuts = driver.ReadShortcuts(ShortcutFiles(report.added));

    report.uninstallString = UninstallString(report.added);
    if (options.uninstall && report.uninstallString.empty() && report.install.failure.empty()) {
        AddFailure(report, "the installation registered no UninstallString, so what it installed stays");
    } else if (options.uninstall && !report.uninstallString.empty()) {
        WalkPlan removal;
        removal.commandLine = report.uninstallString;
        removal.replies = answers.uninstall;
        removal.replies.push_back({"Confirm", "Yes"});
        removal.replies.push_back({SharedFileQuestion, "No"});
        removal.screenshots = install.screenshots;
        removal.shotPrefix = "uninstall-";
        step("uninstalling with " + report.uninstallString);
        report.uninstall = driver.WalkProgram(removal);
        step("comparing the prefix with its state before");
        if (!report.uninstall->failure.empty()) AddFailure(report, "the removal did not finish: " + report.uninstall->failure);
        std::vector<std::string> shared;
        for (const AddedValue& count : report.added.sharedCounts) shared.push_back(count.name);
        report.leftovers = SortLeftovers(CompareSnapshots(before, SnapshotPrefix(prefix, OwnFolder)), shared);
        const Changes& left = report.leftovers->leftBehind;
        if (!left.Empty()) {
            std::size_t count = left.files.size() + left.folders.size() + left.keys.size() + left.values.size() +
                                left.sharedCounts.size() + left.restartMoves.size() + left.runOnce.size();
            std::string first = !left.files.empty() ? left.files[0].path : !left.folders.empty() ? left.folders[0]
                                : !left.keys.empty() ? left.keys[0] : !left.values.empty() ? left.values[0].key + "\\" + left.values[0].name
                                                                                           : "";
            AddFailure(report, std::to_string(count) + " item" + (count == 1 ? " was" : "s were") + " left behind" +
                                   (first.empty() ? "" : ", such as " + first));
        }
    }
    report.exitCode = report.failure.empty() ? 0 : 1;
    step("done");
    return report;
}
