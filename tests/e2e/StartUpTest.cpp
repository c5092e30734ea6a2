// The Stub's start-up under Wine: a missing Package, the start message of each run mode,
// and the Uninstaller's hand-over to a copy of itself in a fresh folder of the temporary folder.
#include <algorithm>
#include <filesystem>

#include "support/StubRun.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {
bool Has(const std::vector<std::string>& events, const std::string& event) {
    return std::find(events.begin(), events.end(), event) != events.end();
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The folder the copy ran from, checked to be a fresh one directly in the temporary folder.
fs::path CopysFolder(const std::string& copyModule) {
    std::string folder = copyModule.substr(0, copyModule.rfind('\\'));
    std::string name = folder.substr(folder.rfind('\\') + 1);
    EXPECT_EQ(Lower(folder.substr(0, folder.rfind('\\'))), Lower(UserTempDirectory()));
    EXPECT_EQ(name.size(), 11u);
    EXPECT_EQ(name.substr(0, 3), "~ZS");
    return HostPath(folder);
}

class StartUp : public StubTest {};
}  // namespace

TEST_F(StartUp, StubWithoutPackageSaysOpenFailedAndEnds1) {
    fs::copy_file(StubPath(), folder().hostFile("SETUP.EXE"));
    WineProcess setup({folder().windowsFile("SETUP.EXE")});
    RunResult driven = Drive({"answer", "ZelSetup", "1", "60000"});
    EXPECT_EQ(driven.exitCode, 0) << driven.output;
    EXPECT_EQ(DriverValues(driven.output, "box"), std::vector<std::string>{"Open failed!"});
    EXPECT_EQ(setup.Wait(ProgramTimeout), 1) << setup.Output();
}

TEST_F(StartUp, EachRunModePostsItsStartMessageAndClosingEnds0) {
    struct Case {
        int mode;
        const char* message;
    };
    for (Case c : {Case{0, "1025"}, Case{2, "1027"}, Case{3, "1025"}, Case{255, "1025"}}) {
        SCOPED_TRACE(c.mode);
        fs::path setup = folder().hostFile("SETUP" + std::to_string(c.mode) + ".EXE");
        if (c.mode == 0) WriteEmptyInstaller(TestStubPath(), setup);
        else WriteCompanionInstaller(TestStubPath(), setup, static_cast<u8>(c.mode));
        fs::remove(folder().hostFile("trace.txt"));
        // "/step2" means something only to an Uninstaller.
        std::vector<std::string> arguments = {folder().windowsFile(setup.filename().string()), "/step2"};
        // The Finalizer reports before it closes; an installation's wizard is cancelled.
        bool installs = c.mode != 2;
        std::vector<std::string> commands = {"answer", "Success!", "1", "60000"};
        if (installs) commands = {"press", "CANCEL", "60000", "answer", "Confirm", "6", "60000"};
        RunResult run = RunDriven(arguments, commands, Traced());
        EXPECT_EQ(run.exitCode, 0) << run.output;
        std::vector<TraceEvent> trace = Trace();
        ASSERT_EQ(TracedProcesses(trace).size(), 1u);
        std::vector<std::string> events = EventsOf(trace, TracedProcesses(trace)[0]);
        std::vector<std::string> fromWindow(std::find(events.begin(), events.end(), "window 0"), events.end());
        std::vector<std::string> expected = {"window 0", std::string("message ") + c.message, "message 16", "exit 0"};
        if (installs) expected.insert(expected.begin() + 2, "wizard 0");
        EXPECT_EQ(fromWindow, expected);
        EXPECT_FALSE(Has(events, "waited 0"));
    }
}

TEST_F(StartUp, ShippedStubRunsAFinalizerToItsEnd) {
    WriteCompanionInstaller(StubPath(), folder().hostFile("FINALIZE.EXE"), 2);
    RunResult run = RunDriven({folder().windowsFile("FINALIZE.EXE")}, {"answer", "Success!", "1", "60000"});
    EXPECT_EQ(run.exitCode, 0) << run.output;
}

TEST_F(StartUp, UninstallerHandsOverToACopyThatWaitsForTheFirstProcess) {
    WriteCompanionInstaller(TestStubPath(), folder().hostFile("UNINST.EXE"), 1);
    // The first process holds on for a while after starting the copy: the copy must not
    // get further than its header until the first has ended.
    RunResult first = RunWine({folder().windowsFile("UNINST.EXE")}, ProgramTimeout,
                              Traced({{"PACKWRIGHT_TEST_LINGER_MS", "1500"}}));
    EXPECT_EQ(first.exitCode, 0) << first.output;
    Drive({"answer", "Confirm", "7", "60000"});  // the copy asks first: No removes nothing
    ASSERT_TRUE(WaitForExits(2)) << "the copy did not end";

    std::vector<TraceEvent> trace = Trace();
    std::vector<unsigned long> processes = TracedProcesses(trace);
    ASSERT_EQ(processes.size(), 2u);
    std::vector<std::string> firstEvents = EventsOf(trace, processes[0]);
    EXPECT_EQ(Lower(FindEvent(trace, processes[0], "module")->value), Lower(folder().windowsFile("UNINST.EXE")));
    EXPECT_TRUE(Has(firstEvents, "started 0"));
    EXPECT_FALSE(Has(firstEvents, "window 0"));  // nothing shown by the first process
    EXPECT_EQ(firstEvents.back(), "exit 0");

    std::vector<std::string> copyEvents = EventsOf(trace, processes[1]);
    std::string copyModule = FindEvent(trace, processes[1], "module")->value;
    fs::path copysFolder = CopysFolder(copyModule);
    EXPECT_EQ(Lower(copyModule.substr(copyModule.rfind('\\'))), "\\uninst.exe");
    EXPECT_EQ(Lower(FindEvent(trace, processes[1], "directory")->value), "c:\\windows");
    EXPECT_EQ(FindEvent(trace, processes[1], "tail")->value, "/step2");
    const TraceEvent* waited = FindEvent(trace, processes[1], "waited");
    ASSERT_NE(waited, nullptr);
    EXPECT_GE(waited->tick, FindEvent(trace, processes[0], "exit")->tick);
    std::vector<std::string> fromWait(std::find(copyEvents.begin(), copyEvents.end(), "waited 0"), copyEvents.end());
    EXPECT_EQ(fromWait, (std::vector<std::string>{"waited 0", "window 0", "message 1026", "message 16", "exit 0"}));
    fs::remove_all(copysFolder);
}

TEST_F(StartUp, EachCopyRunsFromAFolderOfItsOwnAndANameTakenBeforeIsPassedOver) {
    WriteCompanionInstaller(TestStubPath(), folder().hostFile("UNINST.EXE"), 1);
    // The folder the first name tried would give, made beforehand with a program of somebody
    // else's in it (a traced Finalizer: had it run, its trace would show).
    fs::path taken = HostPath(UserTempDirectory() + "\\~ZS00001234");
    fs::remove_all(taken);
    fs::create_directories(taken);
    WriteCompanionInstaller(TestStubPath(), taken / "UNINST.EXE", 2);
    auto plantedSize = fs::file_size(taken / "UNINST.EXE");
    auto copysModule = [&](const Environment& extra) {
        fs::remove(folder().hostFile("trace.txt"));
        RunResult first = RunWine({folder().windowsFile("UNINST.EXE")}, ProgramTimeout, Traced(extra));
        EXPECT_EQ(first.exitCode, 0) << first.output;
        Drive({"answer", "Confirm", "7", "60000"});  // No removes nothing
        EXPECT_TRUE(WaitForExits(2)) << "the copy did not end";
        std::vector<TraceEvent> trace = Trace();
        std::vector<unsigned long> processes = TracedProcesses(trace);
        EXPECT_EQ(processes.size(), 2u);
        return processes.size() < 2 ? std::string() : FindEvent(trace, processes[1], "module")->value;
    };
    std::string passedOver = copysModule({{"PACKWRIGHT_TEST_FOLDER_NUMBER", "4660"}});  // 0x1234
    EXPECT_EQ(Lower(passedOver), Lower(UserTempDirectory() + "\\~ZS00001235\\UNINST.EXE"));
    std::string once = copysModule({}), again = copysModule({});
    fs::path onceFolder = CopysFolder(once), againFolder = CopysFolder(again);
    EXPECT_NE(onceFolder, againFolder);
    EXPECT_EQ(fs::file_size(taken / "UNINST.EXE"), plantedSize) << "the planted file was replaced";
    for (const fs::path& made : {taken, HostPath(UserTempDirectory() + "\\~ZS00001235"), onceFolder, againFolder})
        fs::remove_all(made);
}

TEST_F(StartUp, Step2MatchesInCapitalsButNotWithATrailingBlank) {
    WriteCompanionInstaller(TestStubPath(), folder().hostFile("UNINST.EXE"), 1);
    RunResult capitals = Drive({"launch", folder().windowsFile("UNINST.EXE") + " /STEP2", "answer", "Confirm", "7", "60000"},
                               ProgramTimeout, Traced());
    EXPECT_EQ(capitals.exitCode, 0) << capitals.output;
    ASSERT_TRUE(WaitForExits(1));
    std::vector<TraceEvent> trace = Trace();
    ASSERT_EQ(TracedProcesses(trace).size(), 1u);  // it is the copy: no further copy
    std::vector<std::string> events = EventsOf(trace, TracedProcesses(trace)[0]);
    EXPECT_TRUE(Has(events, "waited 0"));
    EXPECT_TRUE(Has(events, "message 1026"));

    // A blank after the switch makes it a first process: it hands over to a copy of its own.
    fs::remove(folder().hostFile("trace.txt"));
    RunResult blank = Drive({"launch", folder().windowsFile("UNINST.EXE") + " /step2 ", "answer", "Confirm", "7", "60000"},
                            ProgramTimeout, Traced());
    EXPECT_EQ(blank.exitCode, 0) << blank.output;
    ASSERT_TRUE(WaitForExits(2));
    trace = Trace();
    ASSERT_EQ(TracedProcesses(trace).size(), 2u);
    events = EventsOf(trace, TracedProcesses(trace)[0]);
    EXPECT_EQ(FindEvent(trace, TracedProcesses(trace)[0], "tail")->value, "/step2 ");
    EXPECT_FALSE(Has(events, "waited 0"));
    EXPECT_TRUE(Has(events, "started 0"));
    fs::remove_all(CopysFolder(FindEvent(trace, TracedProcesses(trace)[1], "module")->value));
}

TEST_F(StartUp, TemporaryFolderWithBlanksStartsTheCopyAndNothingElse) {
    // The copy's path goes into its command line quoted: unquoted, "C:\...\Temp Folder\X"
    // would first be tried as the program "C:\...\Temp.exe", which anyone able to write
    // there may have left (here a traced Finalizer, so a wrong start would show).
    WriteCompanionInstaller(TestStubPath(), folder().hostFile("UNINST.EXE"), 1);
    WriteCompanionInstaller(TestStubPath(), folder().hostFile("Temp.exe"), 2);
    std::string temp = folder().windowsFile("Temp Folder");
    std::filesystem::create_directories(folder().hostFile("Temp Folder"));
    RunResult driven = Drive({"setenv", "TMP", temp, "setenv", "TEMP", temp, "start",
                              folder().windowsFile("UNINST.EXE"), "60000", "answer", "Confirm", "7", "60000"},
                             ProgramTimeout, Traced());
    EXPECT_EQ(DriverValues(driven.output, "exit"), std::vector<std::string>{"0"}) << driven.output;
    ASSERT_TRUE(WaitForExits(2)) << "the copy did not end";
    std::vector<TraceEvent> trace = Trace();
    std::vector<unsigned long> processes = TracedProcesses(trace);
    for (unsigned long process : processes)
        EXPECT_EQ(FindEvent(trace, process, "module")->value.find("Temp.exe"), std::string::npos);
    ASSERT_EQ(processes.size(), 2u);
    std::string copyModule = Lower(FindEvent(trace, processes[1], "module")->value);
    EXPECT_EQ(copyModule.substr(0, temp.size() + 4), Lower(temp + "\\~zs"));
    EXPECT_EQ(FindEvent(trace, processes[1], "tail")->value, "/step2");
    EXPECT_TRUE(Has(EventsOf(trace, processes[1]), "waited 0"));
    EXPECT_TRUE(Has(EventsOf(trace, processes[1]), "message 1026"));
}
