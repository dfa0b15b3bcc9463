#include "app/resultfile.h"

#include <cerrno>
#include <cstdint>
#include <ctime>

#include "app/platform.h"

namespace zelko {
namespace {

// The folder part of `path`, its last separator included; empty for a bare name.
std::string folderOf(const std::string& path)
{
    std::size_t separator = path.find_last_of(kPathSeparators);
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

// A name for the temporary file that no other run is likely to pick at the same moment; the
// exclusive create settles the rest.
std::string temporaryName(const std::string& folder, unsigned attempt)
{
    static const char digits[] = "0123456789abcdef";
    std::uint64_t value = static_cast<std::uint64_t>(std::time(nullptr)) * 2654435761u ^
                          static_cast<std::uint64_t>(std::clock()) << 20 ^
                          static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&folder)) ^
                          attempt * 0x9E3779B97F4A7C15u;
    value ^= processNumber() << 32;
    std::string name = folder + ".zelko-";
    for (int i = 0; i < 10; ++i, value >>= 4)
        name += digits[value & 15];
    return name + ".tmp";
}

constexpr unsigned kAttempts = 100;

}  // namespace

int ResultFile::create(const char* path, SpecialFile special)
{
    path_ = path;
    if (path_.empty())
        return ENOENT;
    if (special == SpecialFile::writeInto && isSpecialFile(path_)) {
        int fd = openSpecialFile(path_);
        if (fd < 0)
            return errno;
        if (int error = adopt(fd))
            return error;
        direct_ = true;
        return 0;
    }
    int mode = -1;
    if (int error = resultRefusal(path_, mode))
        return error;
    std::string folder = folderOf(path_);
    for (unsigned attempt = 0; attempt < kAttempts; ++attempt) {
        temporary_ = temporaryName(folder, attempt);
        int fd = createExclusive(temporary_);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        pending_ = true;
        removeOnSignal(temporary_);
        if (mode >= 0)
            setMode(fd, mode);
        if (int error = adopt(fd)) {
            discard();
            return error;
        }
        return 0;
    }
    return EEXIST;
}

int ResultFile::adopt(int fd)
{
    stream_ = streamOf(fd);
    if (stream_ != nullptr)
        return 0;
    int error = errno;
    closeDescriptor(fd);
    return error;
}

int ResultFile::putInPlace()
{
    if (direct_)
        return 0;
    if (int error = replaceFile(temporary_, path_)) {
        discard();
        return error;
    }
    pending_ = false;
    keepOnSignal();
    return 0;
}

void ResultFile::discard()
{
    close();
    if (pending_)
        removeFile(temporary_);
    pending_ = false;
    keepOnSignal();
}

ResultFile::~ResultFile() { discard(); }

int ResultFile::close()
{
    if (stream_ == nullptr)
        return 0;
    errno = 0;
    int rc = std::fclose(stream_);
    stream_ = nullptr;
    if (rc == 0)
        return 0;
    return errno != 0 ? errno : EIO;
}

}  // namespace zelko
