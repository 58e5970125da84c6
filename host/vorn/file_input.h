#pragma once

#include <fstream>
#include <string>

namespace vorn {

// Opens a file that load reads as a whole. Only regular files are read: a folder has no text, and
// a device or a pipe (/dev/zero, say) may never end. False, with "cannot read 'PATH': reason",
// when the path names something else or cannot be opened.
bool open_for_reading(std::string const& path, std::ifstream& in, std::string& error);

} // namespace vorn
