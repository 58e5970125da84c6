#include "file_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <streambuf>
#include <system_error>

namespace vorn {

namespace {

// An output buffer over a file descriptor that keeps the first write error, so that the reason
// a write failed (EFBIG, ENOSPC, ...) can be told.
class DescriptorBuffer : public std::streambuf {
public:
    explicit DescriptorBuffer(int fd) : fd_(fd) { setp(buffer_, buffer_ + sizeof buffer_); }
    DescriptorBuffer(DescriptorBuffer const&) = delete;
    DescriptorBuffer& operator=(DescriptorBuffer const&) = delete;

    int error() const { return error_; }

protected:
    int_type overflow(int_type c) override
    {
        if (!drain())
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }

    int sync() override { return drain() ? 0 : -1; }

private:
    bool drain()
    {
        for (char const* p = pbase(); error_ == 0 && p < pptr();) {
            ssize_t const n = ::write(fd_, p, static_cast<std::size_t>(pptr() - p));
            if (n >= 0)
                p += n;
            else if (errno != EINTR)
                error_ = errno;
        }
        setp(buffer_, buffer_ + sizeof buffer_);
        return error_ == 0;
    }

    int fd_;
    int error_ = 0;
    char buffer_[1 << 16];
};

// The permissions a file made by an ordinary open would get.
mode_t default_mode()
{
    mode_t const mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

bool replace_file(std::string const& path, FileWriter const& writer, std::string& error)
{
    namespace fs = std::filesystem;
    auto const failed = [&](std::string const& reason) {
        error = "cannot write '" + path + "': " + reason;
        return false;
    };
    fs::path target(path);
    std::error_code ec;
    if (fs::is_symlink(target, ec))
        if (fs::path resolved = fs::canonical(target, ec); !ec)
            target = resolved;
    fs::file_status const status = fs::status(target, ec);
    if (fs::is_directory(status))
        return failed("it is a folder");
    if (fs::exists(status) && !fs::is_regular_file(status))
        return failed("it is not a regular file");
    // Renaming needs only the folder's permission; a file the user may not write stays as it is.
    if (fs::exists(status) && ::access(target.c_str(), W_OK) != 0)
        return failed(std::strerror(errno));
    struct stat old {};
    mode_t const mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : default_mode();

    // Hidden, beside the target (so that renaming it is one step on the same file system).
    std::string hidden = target.filename().string();
    hidden.insert(0, 1, '.');
    hidden.append(".XXXXXX");
    std::string temp = (target.parent_path() / hidden).string();
    int const fd = ::mkstemp(temp.data());
    if (fd < 0)
        return failed(std::strerror(errno));
    std::string reason;
    int code = 0;
    {
        DescriptorBuffer buffer(fd);
        std::ostream out(&buffer);
        reason = writer(out);
        out.flush();
        code = buffer.error();
        if (reason.empty() && code == 0 && !out)
            reason = "the data could not be written";
    }
    if (reason.empty() && code == 0 && (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0))
        code = errno;
    if (::close(fd) != 0 && code == 0)
        code = errno;
    if (reason.empty() && code == 0 && ::rename(temp.c_str(), target.c_str()) != 0)
        code = errno;
    if (reason.empty() && code == 0)
        return true;
    ::unlink(temp.c_str());
    return failed(reason.empty() ? std::strerror(code) : reason);
}

} // namespace vorn
