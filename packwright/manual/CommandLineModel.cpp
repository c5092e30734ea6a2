#include "packwright/manual/CommandLineModel.h"

namespace {
CommandModel CommandOf(const CLI::App& app) {
    CommandModel c{app.get_name(), app.get_description(), {}};
    std::vector<OptionModel> positionals;
    for (const CLI::Option* o : app.get_options()) {
        OptionModel m;
        m.description = o->get_description();
        m.required = o->get_required();
        // The type name is followed by its checks' descriptions ("N:UINT in [1 - 256]").
        if (o->get_type_size_max() > 0) m.value = o->get_type_name().substr(0, o->get_type_name().find(':'));
        if (o->get_positional() && o->get_snames().empty() && o->get_lnames().empty()) {
            m.positional = o->get_name(true);
            positionals.push_back(m);
            continue;
        }
        for (const std::string& s : o->get_snames()) m.names.push_back("-" + s);
        for (const std::string& l : o->get_lnames()) m.names.push_back("--" + l);
        c.options.push_back(m);
    }
    c.options.insert(c.options.end(), positionals.begin(), positionals.end());
    return c;
}
}  // namespace

CommandLineModel ModelOf(const CLI::App& app) {
    CommandLineModel model;
    model.program = CommandOf(app);
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; }))
        model.commands.push_back(CommandOf(*sub));
    return model;
}
