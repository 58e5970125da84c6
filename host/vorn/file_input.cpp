#include "file_input.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace vorn {

namespace {

// Whether path names a regular file, with the message for anything else.
bool regular_file(std::string const& path, std::string& error)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::file_status const status = fs::status(path, ec);
    std::string reason;
    if (ec)
        reason = ec.message();
    else if (fs::is_directory(status))
        reason = "it is a folder";
    else if (!fs::is_regular_file(status))
        reason = "it is not a regular file";
    if (!reason.empty())
        error = "cannot read '" + path + "': " + reason;
    return reason.empty();
}

std::string cannot_open(std::string const& path)
{
    return "cannot read '" + path + "': " + (errno ? std::strerror(errno) : "it cannot be opened");
}

} // namespace

bool open_for_reading(std::string const& path, std::ifstream& in, std::string& error)
{
    if (!regular_file(path, error))
        return false;
    errno = 0;
    in.open(path, std::ios::binary);
    if (!in)
        error = cannot_open(path);
    return bool(in);
}

MappedFile::~MappedFile()
{
    if (size_ > 0)
        munmap(const_cast<char*>(data_), size_);
}

bool MappedFile::open(std::string const& path, std::string& error)
{
    if (!regular_file(path, error))
        return false;
    errno = 0;
    int const fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = cannot_open(path);
        return false;
    }
    off_t const size = lseek(fd, 0, SEEK_END);
    void* data = size > 0 ? mmap(nullptr, std::size_t(size), PROT_READ, MAP_PRIVATE, fd, 0) : nullptr;
    bool const mapped = size == 0 || (size > 0 && data != MAP_FAILED);
    if (!mapped)
        error = cannot_open(path);
    close(fd);
    if (mapped && size > 0) {
        data_ = static_cast<char const*>(data);
        size_ = std::size_t(size);
        madvise(data, size_, MADV_SEQUENTIAL);
    }
    return mapped;
}

void MappedFile::release(std::string_view part) const
{
    if (part.empty())
        return;
    std::size_t const page = std::size_t(sysconf(_SC_PAGESIZE));
    std::size_t const from = (std::size_t(part.data() - data_) + page - 1) / page * page;
    std::size_t const to = std::size_t(part.data() - data_ + part.size()) / page * page;
    if (from < to)
        madvise(const_cast<char*>(data_) + from, to - from, MADV_DONTNEED);
}

} // namespace vorn
