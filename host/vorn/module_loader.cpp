#include "module_loader.h"

#include "teskar/kernel.h"
#include "teskar/registry.h"

#include <dlfcn.h>
#include <filesystem>
#include <map>
#include <memory>

namespace vorn {

namespace {

using EntryPoint = int (*)(VORNSDK::PluginModuleRegistrar&);

// Registrars of the loaded modules; they keep each module's description for the process.
std::map<std::string, std::unique_ptr<teskar::ModuleRegistrar>>& loaded()
{
    static std::map<std::string, std::unique_ptr<teskar::ModuleRegistrar>> modules;
    return modules;
}

} // namespace

std::string default_module_path()
{
    std::error_code ec;
    auto const exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return "libtolvir.so";
    return (exe.parent_path().parent_path() / "lib" / "libtolvir.so").string();
}

std::string module_origin(std::string const& path)
{
    std::error_code ec;
    auto const canonical = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : canonical.string();
}

bool load_module(std::string const& path, std::string& error)
{
    std::string const origin = module_origin(path);
    if (loaded().count(origin))
        return true;
    // The module stays loaded for the life of the process: its plugins may outlive any scope.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        char const* reason = dlerror();
        error = "cannot load module " + path + ": " + (reason ? reason : "unknown error");
        return false;
    }
    auto entry = reinterpret_cast<EntryPoint>(dlsym(handle, "initialize_module"));
    if (!entry) {
        error = "module " + path + " has no initialize_module";
        return false;
    }
    auto registrar = std::make_unique<teskar::ModuleRegistrar>(teskar::Kernel::instance().registry(), origin);
    entry(*registrar);
    loaded().emplace(origin, std::move(registrar));
    return true;
}

std::string module_name(std::string const& path)
{
    auto it = loaded().find(module_origin(path));
    if (it == loaded().end())
        return {};
    return it->second->value(VORNSDK::Description::user_name()).as_string().to_utf8();
}

} // namespace vorn
