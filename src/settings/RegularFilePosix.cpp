#include "settings/RegularFilePosix.h"

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "settings/FileRefusals.h"

namespace moxel {

namespace {

std::string_view kindOf(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISFIFO(mode)) {
        return "a FIFO (named pipe)";
    }
    if (S_ISCHR(mode)) {
        return "a character device";
    }
    if (S_ISBLK(mode)) {
        return "a block device";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    if (S_ISLNK(mode)) {
        return "a symbolic link";
    }
    return "a special file";
}

bool inGroup(gid_t group) {
    if (getegid() == group) {
        return true;
    }
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(getgroups(0, nullptr), 0)));
    const int count = getgroups(static_cast<int>(groups.size()), groups.data());
    groups.resize(static_cast<std::size_t>(std::max(count, 0)));
    return std::ranges::find(groups, group) != groups.end();
}

} // namespace

FileResult systemFailure(int errorNumber, std::string_view what,
                         const std::filesystem::path& path) {
    FileResult result;
    result.errorNumber = errorNumber;
    result.reason.append(what).append(" \"").append(path.string()).append("\": ");
    result.reason.append(std::error_code(errorNumber, std::generic_category()).message());
    return result;
}

FileResult checkRegularFile(const std::filesystem::path& file, const struct stat& info) {
    if (!S_ISREG(info.st_mode)) {
        return notARegularFile(file, kindOf(info.st_mode));
    }
    if (static_cast<std::uintmax_t>(info.st_size) > kFileSizeLimit) {
        return tooLargeFile(file);
    }
    return {};
}

bool writableByModeBits(const struct stat& info) {
    const uid_t user = geteuid();
    if (user == 0) {
        return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
    }
    if (info.st_uid == user) {
        return (info.st_mode & S_IWUSR) != 0;
    }
    if (inGroup(info.st_gid)) {
        return (info.st_mode & S_IWGRP) != 0;
    }
    return (info.st_mode & S_IWOTH) != 0;
}

FileResult readOpenedFile(int fd, const std::filesystem::path& file, std::string& bytes) {
    bytes.clear();
    char buffer[65536];
    for (off_t offset = 0;;) {
        const ssize_t got = pread(fd, buffer, sizeof buffer, offset);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int error = errno;
            bytes.clear();
            return systemFailure(error, "cannot read", file);
        }
        if (got == 0) {
            return {};
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
        offset += got;
        if (bytes.size() > kFileSizeLimit) { // it grew since it was checked
            bytes.clear();
            return tooLargeFile(file);
        }
    }
}

} // namespace moxel
