#include "EngineTestSupport.h"

#include <filesystem>

#include "install/ProgressDialog.h"
#include "package/StubPackage.h"
#include "platform/Shell.h"
#include "platform/fake/FakePlatform.h"
#include "state/SetupState.h"

void EngineTest::SetUp() {
    HostProcessTest::SetUp();
    fake::SetDriveRoot(root.path().string());
    fake::SetWindowsDirectory("C:\\WINDOWS");
    fake::SetSystemDirectory("C:\\WINDOWS\\SYSTEM");
    fake::SetSpecialFolder(FolderPrograms, "C:\\Menu\\Programs");
    fake::SetSpecialFolder(FolderDesktop, "C:\\Desk");
}

InstallPackage EngineTest::Product() {
    InstallPackage p;
    p.header.ProductTitle = "Sample Viewer 2.0";
    p.header.FooterText = "Sample Co";
    p.header.UninstallName = "Sample Viewer";
    p.header.ProgramDir = "C:\\Apps\\Sample";
    p.header.ShortcutFolder = "Sample";
    return p;
}

bool EngineTest::Install(const ByteVector& image) {
    std::string exe = dir.file("SETUP.EXE");
    WriteFileBytes(exe, image);
    RunAs(exe, static_cast<u32>(stub.size()));
    EXPECT_TRUE(OpenNextVolume());
    EXPECT_TRUE(ReadPackageHeader());
    bool finished = RunProgressDialog(nullptr, nullptr);
    fake::JoinThreads();
    return finished;
}

ByteVector EngineTest::RawImage(const RawStream& sections) {
    InstallHeaderFields h = Product().header;
    RawStream payload;
    for (const std::string* s : {&h.ProductTitle, &h.FooterText, &h.UninstallName, &h.ProgramDir, &h.ShortcutFolder})
        payload.Raw(*s).U8(0);
    payload.U32(0);
    for (int k = 0; k < 7; ++k) payload.U32(1);
    payload.U32(3).U8(0);  // TotalBlocks, no licence
    RawStream stream = RawStream().U8(0).Block(payload.bytes);
    stream.bytes.insert(stream.bytes.end(), sections.bytes.begin(), sections.bytes.end());
    return BuildInstallerVolumes(stub, [&](ByteSink& s) { s.Write(stream.bytes); }).front();
}

std::string EngineTest::Host(const std::string& path) const { return fake::HostPath(path); }
bool EngineTest::Exists(const std::string& path) const { return std::filesystem::exists(Host(path)); }
Bytes EngineTest::Contents(const std::string& path) const { return ReadFileBytes(Host(path)); }

ByteVector EngineTest::ExpectedUninstaller(const std::vector<std::string>& records) const {
    CompanionPackage c{1, "Sample Viewer 2.0", "Sample Co", "Sample Viewer", records};
    return BuildCompanionImage(stub, c);
}

std::vector<std::string> EngineTest::MessageTexts() const {
    std::vector<std::string> texts;
    for (const ShownMessageBox& box : fake::ShownBoxes()) texts.push_back(box.text);
    return texts;
}
