#include "packwright/manual/ManPage.h"

#include <fmt/format.h>

namespace {

// Text as roff shows it: backslashes and minus signs escaped, and no line that starts with
// a control character.
std::string Roff(const std::string& text) {
    std::string out;
    bool lineStart = true;
    for (char c : text) {
        if (lineStart && (c == '.' || c == '\'')) out += "\\&";
        if (c == '\\') out += "\\e";
        else if (c == '-') out += "\\-";
        else out += c;
        lineStart = c == '\n';
    }
    return out;
}

std::string OptionTerm(const OptionModel& o) {
    if (!o.positional.empty()) return fmt::format("\\fI{}\\fR", Roff(o.positional));
    std::string term;
    for (const std::string& n : o.names) term += (term.empty() ? "" : ", ") + fmt::format("\\fB{}\\fR", Roff(n));
    if (!o.value.empty()) term += fmt::format(" \\fI{}\\fR", Roff(o.value));
    return term;
}

bool IsHelp(const OptionModel& o) {
    for (const std::string& n : o.names)
        if (n == "--help") return true;
    return false;
}

// One line per command; every command also takes -h, as the options say.
std::string Synopsis(const CommandModel& c) {
    std::string s = fmt::format(".B packwright {}\n", Roff(c.name));
    for (const OptionModel& o : c.options) {
        if (IsHelp(o)) continue;
        std::string term = o.positional.empty() ? fmt::format("\\fB{}\\fR", Roff(o.names.back()))
                                                : fmt::format("\\fI{}\\fR", Roff(o.positional));
        if (o.positional.empty() && !o.value.empty()) term += fmt::format(" \\fI{}\\fR", Roff(o.value));
        s += o.required ? term + "\n" : fmt::format("[{}]\n", term);
    }
    return s + ".br\n";
}

std::string Options(const CommandModel& c, bool withHelp) {
    std::string s;
    for (const OptionModel& o : c.options) {
        if (IsHelp(o) && !withHelp) continue;
        s += fmt::format(".TP\n{}\n{}{}\n", OptionTerm(o), Roff(o.description), o.required ? " (required)" : "");
    }
    return s;
}

constexpr const char* Description = R"(.B packwright
builds self\-extracting setup programs for Windows from a TOML manifest, and lists, verifies
and extracts existing ones. An installer is a small 32\-bit Windows program, the Stub, with a
compressed Package behind its last byte, and, for large products, volume files beside it.
.PP
.B packwright init
drafts a commented manifest for a folder of files;
.B packwright build
turns a manifest into an installer. Builds are reproducible: the same manifest and files
give the same bytes.
.B list
shows what an installer holds,
.B verify
checks every block and record of it (and, with
.BR \-\-manifest ,
compares it byte for byte with what the manifest builds), and
.B extract
writes its files into a folder.
.PP
Every manifest field is described in
.IR docs/manifest.md ,
the JSON output of
.B list
and
.B verify
in
.IR docs/json.md ,
and the installer's bytes in
.IR docs/package\-format.md ,
all in the documentation folder (see FILES).
)";

constexpr const char* Trailer = R"(.SH EXIT STATUS
.TP
.B 0
success
.TP
.B 1
failure: a manifest with errors (nothing is written), an installer that is damaged, a file
that cannot be read or written
.TP
.B 2
a usage mistake on the command line
.TP
.B 3
.B verify \-\-manifest
only: the installer differs from what the manifest builds
.SH ENVIRONMENT
.TP
.B SOURCE_DATE_EPOCH
seconds since 1970: file times after it are recorded as it, so that every checkout of a
commit builds the same bytes.
.SH FILES
.TP
.I stub.exe
the Stub this packwright ships, which
.B build
builds on unless
.B \-\-stub
names another, and which
.B verify
recognises: beside the
.B packwright
binary in a build folder, or in
.I ../lib/packwright/
relative to it in an installed tree (symbolic links to the binary are followed), so that
the tree can be moved as a whole.
.TP
.I /usr/share/doc/packwright/
the documentation, when installed from the Debian package; under
.I share/doc/packwright/
of the installation prefix otherwise.
.SH EXAMPLE
.nf
packwright init product \-o setup.toml
packwright build setup.toml \-o dist/setup.exe
packwright verify dist/setup.exe \-\-manifest setup.toml
.fi
)";

}  // namespace

std::string ManPage(const CommandLineModel& model, const std::string& version) {
    std::string summary = model.program.description;
    if (summary.starts_with("packwright: ")) summary = summary.substr(12);
    std::string page = fmt::format(".TH PACKWRIGHT 1 \"\" \"packwright {}\" \"User Commands\"\n", Roff(version));
    page += fmt::format(".SH NAME\npackwright \\- {}\n", Roff(summary));
    page += ".SH SYNOPSIS\n";
    page += ".B packwright\n.RB [ \\-h | \\-\\-version ]\n.br\n";
    for (const CommandModel& c : model.commands) page += Synopsis(c);
    page += ".SH DESCRIPTION\n";
    page += Description;
    page += ".SH OPTIONS\n" + Options(model.program, true);
    page += ".PP\nEvery command also takes \\fB\\-h\\fR, \\fB\\-\\-help\\fR for its own help.\n";
    page += ".SH COMMANDS\n";
    for (const CommandModel& c : model.commands) {
        page += fmt::format(".SS {}\n{}.\n", Roff(c.name), Roff(c.description));
        page += Options(c, false);
    }
    page += Trailer;
    return page;
}
