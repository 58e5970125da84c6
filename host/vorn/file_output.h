#pragma once

#include <functional>
#include <iosfwd>
#include <string>

namespace vorn {

// Writes what the writer puts into the stream to the file at path, so that a write that fails
// part way (a full disk, a file-size limit, a writer that gives up) never costs the file it was
// to replace: everything goes to a temporary file in the same folder, which takes the target's
// name only once the whole write, its flush to the disk and the close have succeeded. The new
// file keeps the permissions of the one it replaces (a new one gets the usual ones under the
// umask); a symbolic link is followed, so that the file it names is replaced.
//
// The writer answers why it could not produce its data, or an empty string when it could. On
// failure the temporary file is removed, an existing file is left as it was, and error says
// "cannot write 'PATH': reason". A target that exists but is not a regular file, or that the
// user may not write, is refused.
using FileWriter = std::function<std::string(std::ostream&)>;
bool replace_file(std::string const& path, FileWriter const& writer, std::string& error);

} // namespace vorn
