#pragma once

#include <iosfwd>
#include <string>

namespace vorn {

// The built-in demonstration: lists the loaded module's components and writes its results into
// out_dir. Returns the process exit code.
int run_demo(std::string const& module_path, std::string const& out_dir, std::ostream& out);

} // namespace vorn
