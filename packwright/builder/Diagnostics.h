// Problems found in a manifest, each naming its file, line and field. A build collects all
// of them first, so one run shows every mistake, and writes nothing when any is an error.
#pragma once
#include <stdexcept>
#include <string>
#include <vector>

struct Diagnostic {
    bool error = true;
    std::string file;
    int line = 0;  // 0: the file as a whole
    std::string field;
    std::string message;
};

// "setup.toml:12: error: file[2].target: message"
std::string FormatDiagnostic(const Diagnostic& d);

class Diagnostics {
public:
    explicit Diagnostics(std::string file) : file_(std::move(file)) {}
    void Error(int line, std::string field, std::string message);
    void Warning(int line, std::string field, std::string message);
    bool HasErrors() const;
    const std::vector<Diagnostic>& All() const { return all_; }
    const std::string& File() const { return file_; }

private:
    std::string file_;
    std::vector<Diagnostic> all_;
};

// Thrown when a build cannot go on; the message is ready to print.
class BuildError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Thrown when the manifest has errors; carries every diagnostic, warnings included.
class ManifestError : public BuildError {
public:
    explicit ManifestError(std::vector<Diagnostic> all);
    const std::vector<Diagnostic>& Diagnostics() const { return all_; }

private:
    std::vector<Diagnostic> all_;
};
