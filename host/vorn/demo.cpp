#include "demo.h"

#include "listing.h"
#include "module_loader.h"

#include "teskar/kernel.h"

#include <filesystem>
#include <fstream>
#include <ostream>

namespace vorn {

int run_demo(std::string const& module_path, std::string const& out_dir, std::ostream& out)
{
    auto const types = teskar::Kernel::instance().registry().types(module_origin(module_path));
    std::filesystem::create_directories(out_dir);
    out << module_name(module_path) << ": " << types.size() << " components\n";
    print_list(out, types);
    std::ofstream(std::filesystem::path(out_dir) / "components.json") << list_json(module_name(module_path), types).dump(2)
                                                                        << '\n';
    out << "wrote " << (std::filesystem::path(out_dir) / "components.json").string() << '\n';
    return 0;
}

} // namespace vorn
