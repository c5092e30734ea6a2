// Installations run on the host: an installer image made with the package writer becomes
// the running executable, the fake platform maps drive C: under a temporary folder, and
// the progress dialog runs with its worker thread as in the Stub.
#pragma once
#include <string>
#include <vector>

#include "ExamineTestSupport.h"
#include "packwright/writer/RawStream.h"

class EngineTest : public HostProcessTest {
protected:
    TempDir root;
    TempDir dir;
    Bytes stub = FakeStub(3000);

    void SetUp() override;
    // The product of every scenario: "Sample Viewer" into C:\Apps\Sample, no files.
    static InstallPackage Product();
    // Runs the whole installation of this image; RunProgressDialog's result.
    bool Install(const ByteVector& image);
    bool Install(const InstallPackage& package) { return Install(BuildInstallerImage(stub, package)); }
    // The stream of Product()'s header and the given sections, written as they stand.
    ByteVector RawImage(const RawStream& sections);

    std::string Host(const std::string& path) const;
    bool Exists(const std::string& path) const;
    Bytes Contents(const std::string& path) const;
    // UNINST.EXE as the installer must have written it, with these log records.
    ByteVector ExpectedUninstaller(const std::vector<std::string>& records) const;
    std::vector<std::string> MessageTexts() const;
};
