#include "packwright/builder/Diagnostics.h"

#include <fmt/format.h>

#include <algorithm>

std::string FormatDiagnostic(const Diagnostic& d) {
    std::string where = d.line > 0 ? fmt::format("{}:{}", d.file, d.line) : d.file;
    std::string field = d.field.empty() ? "" : d.field + ": ";
    return fmt::format("{}: {}: {}{}", where, d.error ? "error" : "warning", field, d.message);
}

void Diagnostics::Error(int line, std::string field, std::string message) {
    all_.push_back({true, file_, line, std::move(field), std::move(message)});
}

void Diagnostics::Warning(int line, std::string field, std::string message) {
    all_.push_back({false, file_, line, std::move(field), std::move(message)});
}

bool Diagnostics::HasErrors() const {
    for (const auto& d : all_)
        if (d.error) return true;
    return false;
}

namespace {
std::string JoinErrors(const std::vector<Diagnostic>& all) {
    std::string text;
    for (const auto& d : all) {
        if (!d.error) continue;
        if (!text.empty()) text += '\n';
        text += FormatDiagnostic(d);
    }
    return text;
}
}  // namespace

namespace {
std::vector<Diagnostic> InLineOrder(std::vector<Diagnostic> all) {
    std::stable_sort(all.begin(), all.end(), [](const Diagnostic& a, const Diagnostic& b) { return a.line < b.line; });
    return all;
}
}  // namespace

ManifestError::ManifestError(std::vector<Diagnostic> all)
    : BuildError(JoinErrors(all)), all_(InLineOrder(std::move(all))) {}
