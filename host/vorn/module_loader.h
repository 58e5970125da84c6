#pragma once

#include <string>

namespace vorn {

// Path of the module built beside the running program: <prefix>/lib/libtolvir.so.
std::string default_module_path();

// Loads a module with dlopen and runs its initialize_module with a registrar of the kernel's
// registry. Returns false with a one-line reason when the library or its entry point is missing.
// Registrations are tagged with the module's path; loading the same path twice is harmless.
bool load_module(std::string const& path, std::string& error);

// The origin under which the module at path registered its components.
std::string module_origin(std::string const& path);

// The module's own description tag "user_name".
std::string module_name(std::string const& path);

} // namespace vorn
