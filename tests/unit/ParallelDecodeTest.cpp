// Installations whose blocks are decoded on several processors end exactly as on one: the
// same files, log, flags and messages, and every question met with the same bytes written.
#include <algorithm>
#include <filesystem>
#include <map>
#include <random>

#include "EngineTestSupport.h"
#include "install/DialogIds.h"
#include "install/ProgressDialog.h"
#include "package/StubPackage.h"
#include "platform/Dialogs.h"
#include "platform/fake/FakePlatform.h"
#include "state/SetupState.h"

namespace {
struct Outcome {
    bool finished, installOk, corrupted, cancelled;
    // Each message box with what stood written when it came: "text | file=bytes ...".
    std::vector<std::string> questions;
    std::map<std::string, Bytes> files;  // everything under the drive, by relative path
    u32 totalBar;
    bool operator==(const Outcome&) const = default;
};

// Half repetitive, half random: blocks near their full size that take real decoding.
ByteVector Data(std::size_t size, u32 seed) {
    std::mt19937 rng(seed);
    ByteVector data(size);
    for (std::size_t i = 0; i < size; ++i) data[i] = (i / 3000) % 2 ? static_cast<u8>(rng()) : static_cast<u8>(i % 11);
    return data;
}

class ParallelDecode : public EngineTest {
protected:
    // Installs from these volumes on `processors`; answer decides each message box, after
    // the snapshot of the drive was taken. A missing volume is put in place when asked for.
    // prepare runs first, with the drive in place.
    Outcome Run(u32 processors, const std::vector<ByteVector>& volumes, std::function<int(const std::string&)> answer,
                std::function<void(const std::filesystem::path& drive)> prepare = {}) {
        TearDown();
        SetUp();
        TempDir drive, exe;
        fake::SetDriveRoot(drive.path().string());
        if (prepare) prepare(drive.path());
        fake::SetProcessorCount(processors);
        std::vector<std::string> paths = WriteVolumes(exe, "SETUP.EXE", volumes);
        for (std::size_t k = 1; k < paths.size(); ++k) std::filesystem::rename(paths[k], paths[k] + ".later");
        Outcome o{};
        fake::SetMessageBoxHandler([&](const ShownMessageBox& box) {
            std::string line = box.text + " |";
            for (auto& [name, bytes] : Snapshot(drive)) line += " " + name + "=" + std::to_string(bytes.size());
            o.questions.push_back(line);
            if (box.caption == "Next disk, please...")
                for (const std::string& p : paths)
                    if (std::filesystem::exists(p + ".later")) std::filesystem::rename(p + ".later", p);
            return answer(box.text);
        });
        RunAs(paths[0], static_cast<u32>(stub.size()));
        EXPECT_TRUE(OpenNextVolume());
        EXPECT_TRUE(ReadPackageHeader());
        o.finished = RunProgressDialog(nullptr, nullptr);
        fake::JoinThreads();
        o.installOk = g_setup.InstallOk;
        o.corrupted = g_setup.Corrupted;
        o.cancelled = g_setup.Cancelled;
        o.files = Snapshot(drive);
        o.totalBar = fake::Control(fake::ShownDialogs().front().dialog, PROGRESS_TOTAL_BAR).position;
        return o;
    }

    static std::map<std::string, Bytes> Snapshot(const TempDir& drive) {
        std::map<std::string, Bytes> files;
        for (auto& entry : std::filesystem::recursive_directory_iterator(drive.path()))
            if (entry.is_regular_file())
                files[std::filesystem::relative(entry.path(), drive.path()).string()] = ReadFileBytes(entry.path().string());
        return files;
    }

    std::vector<ByteVector> RawVolumes(const RawStream& sections) {
        ByteVector image = RawImage(sections);
        return {image};
    }
};
}  // namespace

// Blocks that span into a second volume: its prompt comes after the same bytes were written,
// and a cancel pressed there is asked about before the next block, then withdrawn or taken.
TEST_F(ParallelDecode, VolumePromptsAndCancelsComeAtTheSameBytes) {
    InstallPackage p = Product();
    for (u32 k = 0; k < 3; ++k) {
        PackageFile f;
        f.record.name = "{OurProgramDir}\\part" + std::to_string(k) + ".bin";
        f.data = Data(4 * BuiltBlockSize + 1000 * k, k);
        p.files.push_back(f);
    }
    p.shortcuts = {"{OurProgramDir}\\Part={OurProgramDir}\\part0.bin"};
    p.runAfter = "{OurProgramDir}\\part1.bin";
    std::vector<ByteVector> volumes = BuildInstallerVolumes(stub, InstallStream(p), {stub.size() + 3 * BuiltBlockSize});
    ASSERT_GE(volumes.size(), 2u);

    for (int confirm : {IdNo, IdYes}) {
        auto answer = [confirm](const std::string& text) -> int {
            if (text.starts_with("Please insert")) {
                g_setup.Cancelled = true;  // Cancel pressed while the prompt was up
                return IdOk;
            }
            return confirm;
        };
        Outcome one = Run(1, volumes, answer);
        EXPECT_GE(one.questions.size(), 2u);
        if (confirm == IdNo) {
            EXPECT_EQ(one.files.at("C/Apps/Sample/part2.bin"), p.files[2].data);
        }
        for (u32 processors : {2u, 3u}) EXPECT_EQ(Run(processors, volumes, answer), one) << processors << " processors";
    }
}

// A damaged block in the middle of a file after sound ones: no part of the file is kept, the
// same message and flags; nothing after it is read.
TEST_F(ParallelDecode, DamagedBlockFailsTheFileAsOnOneProcessor) {
    RawStream sections;
    auto file = [&](const std::string& name, u32 blocks, int damaged) {
        sections.Counted("{OurProgramDir}\\" + name).U16(static_cast<u16>(blocks)).U32(0).U32(0).U32(0x12345678).U32(0x01D00000).U8(0);
        for (u32 b = 0; b < blocks; ++b) {
            RawStream block = RawStream().Block(Data(BuiltBlockSize - 17 * b, b + 10));
            if (static_cast<int>(b) == damaged) block.bytes[block.bytes.size() / 2] ^= 0x40;
            sections.bytes.insert(sections.bytes.end(), block.bytes.begin(), block.bytes.end());
        }
        sections.End();
    };
    file("sound.bin", 5, -1);
    file("damaged.bin", 7, 3);
    file("after.bin", 2, -1);
    sections.U8(0);

    std::vector<ByteVector> volumes = RawVolumes(sections);
    auto answer = [](const std::string&) -> int { return IdOk; };
    Outcome one = Run(1, volumes, answer);
    EXPECT_TRUE(one.corrupted);
    EXPECT_EQ(one.questions.size(), 1u);
    EXPECT_EQ(one.files.count("C/Apps/Sample/damaged.bin"), 0u);
    EXPECT_EQ(one.files.count("C/Apps/Sample/damaged.bin.NewTemp"), 0u);
    EXPECT_EQ(one.files.count("C/Apps/Sample/after.bin"), 0u);
    EXPECT_EQ(Run(4, volumes, answer), one);
}

// A product of many small files, empty ones among them, in folders with blanks, over two
// volumes, the first ending inside a file's name, with a shared file and one already installed and newer.
// Cancel is pressed while that file is asked about, and it is kept, so its blocks are passed
// over: withdrawn, the rest installs; confirmed, nothing after it is written. Read ahead
// across the records, every run ends as on one processor, with the same bytes written at
// each question.
TEST_F(ParallelDecode, ManySmallFilesWithACancelAmongThem) {
    InstallPackage p = Product();
    for (u32 k = 0; k < 40; ++k) {
        PackageFile f;
        f.record.name = "{OurProgramDir}\\docs\\part " + std::to_string(k / 8) + "\\page" + std::to_string(k) + ".txt";
        f.record.shared = k == 21;
        f.data = Data(k % 7 == 3 ? 0 : k % 9 == 4 ? 2 * BuiltBlockSize + 77 * k : 150 + 611 * k, 100 + k);
        p.files.push_back(f);
    }
    p.runAfter = "{OurProgramDir}\\docs\\part 0\\page1.txt";
    ByteVector whole = BuildInstallerImage(stub, p);
    std::string split = "page20.txt";
    auto name = std::search(whole.begin(), whole.end(), split.begin(), split.end());
    ASSERT_NE(name, whole.end());
    std::vector<ByteVector> volumes = BuildInstallerVolumes(stub, InstallStream(p), {static_cast<u64>(name - whole.begin() + 3)});
    ASSERT_GE(volumes.size(), 2u);

    const std::string kept = "C/Apps/Sample/docs/part 1/page13.txt";
    auto prepare = [&](const std::filesystem::path& drive) {
        std::filesystem::create_directories((drive / kept).parent_path());
        WriteFileBytes((drive / kept).string(), Bytes{'o', 'l', 'd'});
        fake::OnDialogShown(NEWER_FILE_DIALOG, [](WindowHandle) { g_setup.Cancelled = true; });
        fake::PressInDialog(NEWER_FILE_DIALOG, {OVERWRITE_KEEP});
    };
    for (int confirm : {IdNo, IdYes}) {
        auto answer = [confirm](const std::string& text) -> int {
            return text.starts_with("Do you REALLY") ? confirm : text.starts_with("Please insert") ? IdOk : IdYes;
        };
        Outcome one = Run(1, volumes, answer, prepare);
        EXPECT_EQ(one.files.at(kept), (Bytes{'o', 'l', 'd'}));
        EXPECT_EQ(one.files.at("C/Apps/Sample/docs/part 1/page12.txt"), p.files[12].data);
        EXPECT_EQ(one.files.count("C/Apps/Sample/docs/part 4/page39.txt"), confirm == IdNo ? 1u : 0u);
        // Overwrite, cancel, and when withdrawn the next disk (which brings all of them).
        EXPECT_EQ(one.questions.size(), confirm == IdNo ? 3u : 2u);
        for (u32 processors : {2u, 3u, 4u}) EXPECT_EQ(Run(processors, volumes, answer, prepare), one) << processors << " processors";
    }
}
