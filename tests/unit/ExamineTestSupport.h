// Installers for the writer, reader and examine tests: a stand-in stub and a sample package.
#pragma once
#include <string>
#include <vector>

#include "TestSupport.h"
#include "packwright/writer/InstallerWriter.h"

// A stand-in for the Stub: filler bytes around the locator marker, `size` bytes in all.
Bytes FakeStub(std::size_t size = 3000);

// Gives a stand-in stub (at least 288 bytes) PE32 headers as signing leaves them: the
// security directory pointing at a certificate table, and a checksum.
void SetSecurityDirectory(Bytes& stub, u32 tableOffset, u32 tableBytes, u32 checksum);
// Signs an installer image as far as its reader can tell: a table appended, pointed at by
// the headers, and ExpectedSize (after a stub of stubSize bytes) counting it.
void AppendCertificateTable(Bytes& image, u32 stubSize, u32 tableBytes = 16);

// Several files (empty, small, exactly one block, just over one block, several blocks of
// mixed data), a licence, shortcuts, registry lines with binary data, a run-after command.
InstallPackage SamplePackage();

// Writes the volumes into dir as name, name's .001 ... and returns their paths.
std::vector<std::string> WriteVolumes(const TempDir& dir, const std::string& name,
                                      const std::vector<ByteVector>& volumes);

// A folder to write installers into, a stand-in stub and the sample package.
class InstallerTest : public HostProcessTest {
protected:
    TempDir dir;
    Bytes stub = FakeStub(500);
    InstallPackage package = SamplePackage();

    // Writes the image into the folder and returns its path.
    std::string Write(const ByteVector& image, const std::string& name = "SETUP.EXE");
};
