// Where `extract` puts a FileRecord: DIR/<macro name>/<rest of the path>, with every name
// that could land outside DIR refused.
#pragma once
#include <filesystem>
#include <string>

// The relative path under the destination for a stored name such as
// "{OurProgramDir}\data\one.bin" -> "OurProgramDir/data/one.bin". Throws ExamineError for
// "..", absolute paths, drive letters and names that are no file.
std::filesystem::path ExtractRelativePath(const std::string& storedName);

// Creates the folders of relative under root one by one, refusing any existing step that is
// not a real folder (a symbolic link could lead outside root). Returns root / relative.
std::filesystem::path PrepareTarget(const std::filesystem::path& root, const std::filesystem::path& relative);
