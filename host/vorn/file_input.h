#pragma once

#include <cstddef>
#include <fstream>
#include <string>
#include <string_view>

namespace vorn {

// Opens a file that load reads as a whole. Only regular files are read: a folder has no text, and
// a device or a pipe (/dev/zero, say) may never end. False, with "cannot read 'PATH': reason",
// when the path names something else or cannot be opened.
bool open_for_reading(std::string const& path, std::ifstream& in, std::string& error);

// A regular file mapped into memory for reading, so its text is read where it lies, with no copy.
// Pages read are shared with the system's file cache; release() gives back those a reader is done
// with, so a file far larger than what is kept of it does not count against the process.
class MappedFile {
public:
    MappedFile() = default;
    MappedFile(MappedFile const&) = delete;
    MappedFile& operator=(MappedFile const&) = delete;
    ~MappedFile();

    // False, with the same messages as open_for_reading, when the file cannot be mapped.
    bool open(std::string const& path, std::string& error);
    std::string_view text() const { return {data_, size_}; }
    // Gives back the whole pages that lie within part, a view into text().
    void release(std::string_view part) const;

private:
    char const* data_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace vorn
