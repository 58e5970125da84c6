#pragma once

#include <iosfwd>
#include <string>

namespace vorn {

// The built-in demonstration: lists the loaded module's components into out_dir/components.json,
// then runs scripts of the edge tools, each writing NAME_before/NAME_after pictures (.png) and
// meshes (.mesh) into out_dir, and prints what it wrote on out; errors, warnings and the
// components' messages go to err. Returns the process exit code.
int run_demo(std::string const& module_path, std::string const& out_dir, std::ostream& out, std::ostream& err);

} // namespace vorn
