// packwright try INSTALLER: install, inspect and uninstall an installer in a fresh Wine prefix.
#include <cstdio>
#include <memory>
#include <string>

#include "packwright/cli/Commands.h"
#include "packwright/examine/JsonWriter.h"
#include "packwright/try/TryError.h"
#include "packwright/try/TryRun.h"

namespace {
struct TryArguments {
    TryOptions options;
    std::string keep, dir, group, password;
    bool noUninstall = false;
    bool json = false;
    unsigned timeout = 120;
};

std::string ErrorJson(const std::string& installer, const std::string& reason, int exitCode) {
    JsonWriter j;
    j.BeginObject().Key("command").Utf8("try").Key("schema_version").Number(1).Key("installer").Utf8(installer)
        .Key("result").Utf8("error").Key("reason").Utf8(reason).Key("exit_code").Number(static_cast<u64>(exitCode)).End();
    return j.Finish();
}

int RunTryCommand(TryArguments& a) {
    TryOptions& o = a.options;
    if (!a.keep.empty()) o.keep = a.keep;
    if (!a.dir.empty()) o.dir = a.dir;
    if (!a.group.empty()) o.group = a.group;
    if (!a.password.empty()) o.password = a.password;
    o.uninstall = !a.noUninstall;
    o.timeout = std::chrono::seconds(a.timeout);
    try {
        TryReport report = RunTry(o);
        std::string text = a.json ? ReportJson(report) : ReportText(report);
        std::fwrite(text.data(), 1, text.size(), stdout);
        if (!report.failure.empty()) std::fprintf(stderr, "packwright try: %s\n", report.failure.c_str());
        return report.exitCode;
    } catch (const TryError& e) {
        int code = dynamic_cast<const TryUsageError*>(&e) ? 2 : 1;
        if (a.json) std::fputs(ErrorJson(o.installer, e.what(), code).c_str(), stdout);
        std::fprintf(stderr, "packwright try: %s\n", e.what());
        return code;
    }
}
}  // namespace

void AddTryCommand(CLI::App& app, int* exitCode) {
    auto a = std::make_shared<TryArguments>();
    auto* c = app.add_subcommand("try", "install, inspect and uninstall an installer under Wine in a fresh prefix");
    c->add_option("installer", a->options.installer, "the installer to try")->required()->check(CLI::ExistingFile);
    c->add_option("--dir", a->dir, "the program folder to type on the wizard's directory page");
    c->add_option("--group", a->group, "the start-menu folder to type on the wizard's folder page");
    c->add_option("--password", a->password, "the installer's password");
    c->add_option("--answers", a->options.answersFile, "a TOML file of answers to the installer's and the uninstaller's questions")
        ->check(CLI::ExistingFile);
    c->add_flag("--silent", a->options.silent, "run the installer with its silent switches instead of walking its wizard");
    c->add_option("--screenshots", a->options.screenshots, "write a PNG of every page and message into this folder");
    c->add_option("--run", a->options.runs, "a shell command to run after installing, with WINEPREFIX and DISPLAY set (repeatable)")
        ->allow_extra_args(false);
    c->add_flag("--no-uninstall", a->noUninstall, "leave the product installed: no removal, no check of what stays");
    c->add_option("--keep", a->keep, "make the Wine prefix in this new folder and keep it afterwards");
    c->add_flag("--headless", a->options.headless, "use an X server of its own even when DISPLAY is set");
    c->add_flag("--json", a->json, "print the report as JSON (see docs/json.md)");
    c->add_option("--timeout", a->timeout, "seconds to wait for any one window, message or program (default 120)")
        ->check(CLI::Range(1u, 86400u));
    c->callback([a, exitCode] { *exitCode = RunTryCommand(*a); });
}
