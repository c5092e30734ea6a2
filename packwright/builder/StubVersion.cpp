#include "packwright/builder/StubVersion.h"

#include <fmt/format.h>

#include "packwright/pe/VersionResource.h"

namespace {
// The manifest field each string comes from, for the message when it does not fit.
struct Source {
    const char* key;
    const char* field;
};
constexpr Source Sources[] = {{"ProductName", "title"},       {"FileDescription", "title"},
                              {"CompanyName", "publisher"},   {"LegalCopyright", "copyright"},
                              {"ProductVersion", "version"},  {"FileVersion", "version"},
                              {"OriginalFilename", nullptr}};
}  // namespace

std::array<u16, 4> ProductVersionNumbers(const std::string& version) {
    std::array<u16, 4> numbers{};
    std::size_t at = 0;
    for (u16& n : numbers) {
        if (at >= version.size()) break;
        std::size_t end = version.find('.', at);
        n = static_cast<u16>(std::stoul(version.substr(at, end - at)));
        at = end == std::string::npos ? version.size() : end + 1;
    }
    return numbers;
}

void FillStubVersion(ByteVector& stub, const Manifest& m, const std::string& fileName, Diagnostics& d) {
    std::optional<VersionLayout> layout = ReadVersionLayout(stub.data(), stub.size());
    if (!layout) return;
    VersionValues values;
    values.texts = {{"ProductName", m.ProductTitle},  {"FileDescription", m.ProductTitle + " Setup"},
                    {"CompanyName", m.publisher},     {"LegalCopyright", m.copyright},
                    {"ProductVersion", m.version},    {"FileVersion", m.version},
                    {"OriginalFilename", fileName}};
    values.numbers = ProductVersionNumbers(m.version);
    std::vector<VersionMisfit> misfits = FillVersionResource(stub.data(), *layout, values);
    for (const VersionMisfit& misfit : misfits) {
        const char* field = nullptr;
        for (const Source& s : Sources)
            if (misfit.key == s.key) field = s.field;
        // The stub's own shape: a slot missing from a chosen stub is not the manifest's fault.
        if (misfit.capacity == 0)
            throw BuildError(fmt::format("the stub's version resource has no {} string", misfit.key));
        if (!field)
            throw BuildError(fmt::format("the output's file name '{}' is {} characters long; the installer's version "
                                         "resource holds at most {}", fileName, misfit.length, misfit.capacity));
        // The description is the title and " Setup", the file version the product version:
        // each misfits only with its source, which is reported once.
        if (misfit.key == std::string("FileDescription") || misfit.key == std::string("FileVersion")) continue;
        d.Error(m.LineOf(field), field,
                fmt::format("is {} characters long; the installer's version resource ({}) holds at most {}",
                            misfit.length, misfit.key, misfit.capacity));
    }
    if (d.HasErrors()) throw ManifestError(d.All());
}
