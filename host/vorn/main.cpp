#include "demo.h"
#include "listing.h"
#include "module_loader.h"
#include "script.h"
#include "serve.h"

#include "teskar/kernel.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <iostream>

namespace {

constexpr int kUsageError = 2;

int fail(std::string const& message, int code = kUsageError)
{
    std::cerr << "vorn: " << message << '\n';
    return code;
}

} // namespace

int main(int argc, char** argv)
{
    // Past a file-size limit a write should fail with EFBIG, which save and render report, rather
    // than end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    CLI::App app{"vorn: runs modelling modules headlessly, from the command line and from scripts", "vorn"};
    app.set_version_flag("--version", std::string("vorn ") + TOLVIR_VERSION);
    app.require_subcommand(1);
    std::string module_path = vorn::default_module_path();
    app.add_option("--module", module_path, "Module to load (default: the libtolvir.so beside vorn)");

    bool json = false;
    auto* list = app.add_subcommand("list", "List the module's components in registration order");
    list->add_flag("--json", json, "Print one JSON document");

    std::string name;
    auto* describe = app.add_subcommand("describe", "Show a component's tags, attributes and key bindings");
    describe->add_option("NAME", name, "Registered component name (default: every component, in registration order)");
    describe->add_flag("--json", json, "Print one JSON document");

    std::string out_dir = "out/demo";
    auto* demo = app.add_subcommand("demo", "Run the built-in demonstration and write its results");
    demo->add_option("--out", out_dir, "Folder for the demo's pictures and meshes");

    std::string script;
    bool timings = false;
    auto* run = app.add_subcommand("run", "Run a script of modelling statements on a fresh scene");
    run->add_option("SCRIPT", script, "Script file, or - for standard input")->required();
    run->add_flag("--timings", timings, "Print how long each statement took, on standard error");

    vorn::ServeOptions serve_options;
    auto* serve = app.add_subcommand("serve", "Serve a page that drives the module from a web browser");
    serve->add_option("--port", serve_options.port, "Port to listen on; 0 picks a free one")
        ->check(CLI::Range(0, 65535));
    serve->add_option("--host", serve_options.host, "Address to listen on");
    serve->add_option("--root", serve_options.root, "Folder that load and save work in (default: this one)");
    serve->add_option("--web", serve_options.web, "Folder of the page (default: share/vorn/web of the build)");
    serve->add_option("FILE", serve_options.files, "Mesh files (OBJ or .mesh) to load at start");

    try {
        app.parse(argc, argv);
    } catch (CLI::CallForHelp const& e) {
        return app.exit(e);
    } catch (CLI::CallForVersion const& e) {
        return app.exit(e);
    } catch (CLI::ParseError const& e) {
        // One line, as for every other usage error; a leftover word where the subcommand belongs
        // is named rather than reported as a missing subcommand.
        auto const rest = app.remaining();
        if (app.get_subcommands().empty() && !rest.empty() && rest.front().rfind('-', 0) != 0)
            return fail("unknown subcommand '" + rest.front() + "'; run 'vorn --help' for usage");
        return fail(std::string(e.what()) + "; run 'vorn --help' for usage");
    }

    teskar::Kernel::instance().set_message_sink([](std::string const& m) { std::cerr << "message: " << m << '\n'; });
    std::string error;
    if (!vorn::load_module(module_path, error))
        return fail(error);
    auto const types = teskar::Kernel::instance().registry().types(vorn::module_origin(module_path));

    if (*list) {
        if (json)
            std::cout << vorn::list_json(vorn::module_name(module_path), types).dump(2) << '\n';
        else
            vorn::print_list(std::cout, types);
        return 0;
    }
    if (*describe) {
        if (name.empty()) {
            if (json) {
                nlohmann::ordered_json all = nlohmann::ordered_json::array();
                for (auto const* type : types)
                    all.push_back(vorn::describe_json(*type));
                std::cout << all.dump(2) << '\n';
            } else {
                for (std::size_t k = 0; k < types.size(); ++k) {
                    std::cout << (k ? "\n" : "");
                    vorn::print_description(std::cout, *types[k]);
                }
            }
            return 0;
        }
        auto const* type = teskar::Kernel::instance().registry().find(VORNSDK::String(name));
        if (!type || type->origin != vorn::module_origin(module_path))
            return fail("unknown component '" + name + "'");
        if (json)
            std::cout << vorn::describe_json(*type).dump(2) << '\n';
        else
            vorn::print_description(std::cout, *type);
        return 0;
    }
    if (*run)
        return vorn::run_script_file(script, std::cout, std::cerr, timings);
    if (*serve)
        return vorn::serve(serve_options, std::cout, std::cerr);
    return vorn::run_demo(module_path, out_dir, std::cout, std::cerr);
}
