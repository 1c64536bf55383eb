#include "tools/OutputFile.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tolmero {

bool checkWritable(const std::filesystem::path& path, std::string& error) {
    std::error_code ec;
    if (path.empty()) {
        error = "the output file name is empty";
        return false;
    }
    if (std::filesystem::is_directory(path, ec)) {
        error = "cannot write " + path.string() + ": it is a folder";
        return false;
    }
    const bool existed = std::filesystem::exists(path, ec);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "cannot write " + path.string() + ": " + std::strerror(errno);
        return false;
    }
    ::close(fd);
    if (!existed) ::unlink(path.c_str());
    return true;
}

bool writeFileReplacing(const std::filesystem::path& path, std::span<const std::uint8_t> bytes, std::string& error) {
    // A device or a pipe (/dev/stdout, a fifo) is written in place: there is
    // nothing to replace.
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    const bool inPlace = std::filesystem::exists(status) && !std::filesystem::is_regular_file(status);
    const std::filesystem::path partial = inPlace ? path : std::filesystem::path(path.string() + ".partial");
    const int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "cannot write " + path.string() + ": " + std::strerror(errno);
        return false;
    }
    std::size_t written = 0;
    int why = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            why = n < 0 ? errno : ENOSPC;
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    if (!why && ::fsync(fd) != 0 && errno != EINVAL) why = errno;  // EINVAL: a device that cannot sync
    if (::close(fd) != 0 && !why) why = errno;
    if (!why && !inPlace && std::rename(partial.c_str(), path.c_str()) != 0) why = errno;
    if (why) {
        if (!inPlace) ::unlink(partial.c_str());
        error = "cannot write " + path.string() + ": " + std::strerror(why);
        return false;
    }
    return true;
}

std::int64_t freeBytesAt(const std::filesystem::path& path) {
    struct statvfs info {};
    std::error_code ec;
    const std::filesystem::path folder =
        std::filesystem::is_directory(path, ec) ? path : std::filesystem::absolute(path, ec).parent_path();
    if (::statvfs(folder.c_str(), &info) != 0) return -1;
    return static_cast<std::int64_t>(info.f_bavail) * static_cast<std::int64_t>(info.f_frsize);
}

}  // namespace tolmero
