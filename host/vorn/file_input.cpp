#include "file_input.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace vorn {

bool open_for_reading(std::string const& path, std::ifstream& in, std::string& error)
{
    namespace fs = std::filesystem;
    auto const failed = [&](std::string const& reason) {
        error = "cannot read '" + path + "': " + reason;
        return false;
    };
    std::error_code ec;
    fs::file_status const status = fs::status(path, ec);
    if (ec)
        return failed(ec.message());
    if (fs::is_directory(status))
        return failed("it is a folder");
    if (!fs::is_regular_file(status))
        return failed("it is not a regular file");
    errno = 0;
    in.open(path, std::ios::binary);
    if (!in)
        return failed(errno ? std::strerror(errno) : "it cannot be opened");
    return true;
}

} // namespace vorn
