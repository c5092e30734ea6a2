#include "packwright/manual/Completions.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <set>
#include <vector>

namespace {

// Paths and folders are completed from the file system; numbers and sizes are typed.
bool TakesPath(const OptionModel& o) { return o.value == "PATH" || o.value == "FOLDER"; }

std::string Words(const CommandModel& c) {
    std::string words;
    for (const OptionModel& o : c.options)
        for (const std::string& n : o.names) words += (words.empty() ? "" : " ") + n;
    return words;
}

// Inside a single-quoted shell word.
std::string Quoted(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    return out;
}

// Inside the brackets of a zsh option description.
std::string ZshDescription(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '[' || c == ']' || c == ':' || c == '\\') out += '\\';
        out += c;
    }
    return Quoted(out);
}

}  // namespace

std::string BashCompletion(const CommandLineModel& model) {
    std::string commands, cases;
    std::vector<std::string> fileOptions, folderOptions, valueOptions;
    std::set<std::string> seen;
    for (const CommandModel& c : model.commands) {
        commands += (commands.empty() ? "" : " ") + c.name;
        cases += fmt::format("        {}) options='{}' ;;\n", c.name, Words(c));
        for (const OptionModel& o : c.options)
            for (const std::string& n : o.names) {
                if (o.value.empty() || !seen.insert(n).second) continue;
                (o.value == "FOLDER" ? folderOptions : TakesPath(o) ? fileOptions : valueOptions).push_back(n);
            }
    }
    // What follows an option that takes a value: a file, a folder, or nothing to complete.
    std::string values;
    auto addCase = [&values](const std::vector<std::string>& names, const std::string& reply) {
        if (!names.empty()) values += fmt::format("        {}) {}; return ;;\n", fmt::join(names, "|"), reply);
    };
    addCase(fileOptions, "compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -f -- \"$cur\"))");
    addCase(folderOptions, "compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -d -- \"$cur\"))");
    addCase(valueOptions, "COMPREPLY=()");
    return fmt::format(R"(# bash completion for packwright, generated from its command line
_packwright() {{
    local cur=${{COMP_WORDS[COMP_CWORD]}} prev=${{COMP_WORDS[COMP_CWORD-1]}} command='' options i
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${{COMP_WORDS[i]}} in
            -*) ;;
            *) command=${{COMP_WORDS[i]}}; break ;;
        esac
    done
    case $command in
        '') options='{} {}' ;;
{}    esac
    case $prev in
{}    esac
    if [[ -z $command && $cur != -* ]]; then
        COMPREPLY=($(compgen -W '{}' -- "$cur"))
    elif [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    else
        compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -f -- "$cur"))
    fi
}}
complete -F _packwright packwright
)",
                       commands, Words(model.program), cases, values, commands);
}

std::string ZshCompletion(const CommandLineModel& model) {
    std::string described, cases;
    for (const CommandModel& c : model.commands) {
        described += fmt::format("        '{}:{}'\n", c.name, Quoted(c.description));
        std::string specs;
        for (const OptionModel& o : c.options) {
            std::string action = o.value == "FOLDER" ? ":folder:_files -/"
                                 : TakesPath(o)       ? ":file:_files"
                                 : o.value.empty()    ? ""
                                                      : ":value:";
            if (!o.positional.empty()) {
                specs += fmt::format(" \\\n                '{}:{}{}'", o.required ? "" : ":", Quoted(o.positional), ":_files");
                continue;
            }
            std::string exclusion = o.names.size() > 1 ? "(" + fmt::format("{}", fmt::join(o.names, " ")) + ")" : "";
            for (const std::string& n : o.names)
                specs += fmt::format(" \\\n                '{}{}[{}]{}'", exclusion, n, ZshDescription(o.description), action);
        }
        cases += fmt::format("        {})\n            _arguments{} ;;\n", c.name, specs);
    }
    return fmt::format(R"(#compdef packwright
# zsh completion for packwright, generated from its command line
_packwright() {{
    local -a commands
    commands=(
{}    )
    if (( CURRENT == 2 )); then
        _describe command commands
        return
    fi
    local command=$words[2]
    shift words
    (( CURRENT-- ))
    case $command in
{}    esac
}}
_packwright "$@"
)",
                       described, cases);
}
