#include "app/resultfile.h"

#include <cerrno>
#include <cstdint>
#include <ctime>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include "app/wide.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#endif

namespace zelko {
namespace {

#ifdef _WIN32
const char kSeparators[] = "\\/";
#else
const char kSeparators[] = "/";
#endif

// The folder part of `path`, its last separator included; empty for a bare name.
std::string folderOf(const std::string& path)
{
    std::size_t separator = path.find_last_of(kSeparators);
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
#ifndef _WIN32
    value ^= static_cast<std::uint64_t>(getpid()) << 32;
#else
    value ^= static_cast<std::uint64_t>(GetCurrentProcessId()) << 32;
#endif
    std::string name = folder + ".zelko-";
    for (int i = 0; i < 10; ++i, value >>= 4)
        name += digits[value & 15];
    return name + ".tmp";
}

constexpr unsigned kAttempts = 100;

}  // namespace

#ifdef _WIN32

namespace {

int errorNumberOf(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    default:
        return EIO;
    }
}

}  // namespace

int ResultFile::create(const char* path)
{
    path_ = path;
    if (path_.empty())
        return ENOENT;
    // A folder or a read-only file at the result's name is refused, as opening it would be.
    DWORD attributes = GetFileAttributesW(toWide(path_).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0)
        return EACCES;
    std::string folder = folderOf(path_);
    for (unsigned attempt = 0; attempt < kAttempts; ++attempt) {
        temporary_ = temporaryName(folder, attempt);
        int fd = _wopen(toWide(temporary_).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_TEXT | _O_NOINHERIT,
                        _S_IREAD | _S_IWRITE);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        pending_ = true;
        stream_ = _fdopen(fd, "w");
        if (stream_ == nullptr) {
            int error = errno;
            _close(fd);
            discard();
            return error;
        }
        return 0;
    }
    return EEXIST;
}

int ResultFile::putInPlace()
{
    if (MoveFileExW(toWide(temporary_).c_str(), toWide(path_).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        pending_ = false;
        return 0;
    }
    int error = errorNumberOf(GetLastError());
    discard();
    return error;
}

void ResultFile::discard()
{
    close();
    if (pending_)
        _wunlink(toWide(temporary_).c_str());
    pending_ = false;
}

#else

namespace {

// The temporary file is removed when an interrupt or a hang-up ends the run part way.
char interruptedFile[4096];
volatile std::sig_atomic_t haveInterruptedFile = 0;
const int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void removeAndEnd(int signal)
{
    if (haveInterruptedFile)
        unlink(interruptedFile);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void removeOnSignal(const std::string& name)
{
    if (name.size() >= sizeof interruptedFile)
        return;
    std::memcpy(interruptedFile, name.c_str(), name.size() + 1);
    haveInterruptedFile = 1;
    for (int signal : kEndingSignals) {
        struct sigaction old;
        // A signal that the caller chose to ignore stays ignored.
        if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler != SIG_IGN)
            std::signal(signal, removeAndEnd);
    }
}

}  // namespace

int ResultFile::create(const char* path)
{
    path_ = path;
    if (path_.empty())
        return ENOENT;
    // A folder, or a file that the user may not write, is refused as opening it would be. A
    // link, FIFO or device is never opened: the finished file replaces it.
    struct stat st;
    if (lstat(path, &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return EISDIR;
        if (S_ISREG(st.st_mode)) {
            int fd = open(path, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0)
                return errno;
            ::close(fd);
        }
    }
    std::string folder = folderOf(path_);
    for (unsigned attempt = 0; attempt < kAttempts; ++attempt) {
        temporary_ = temporaryName(folder, attempt);
        int fd = open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        pending_ = true;
        removeOnSignal(temporary_);
        stream_ = fdopen(fd, "w");
        if (stream_ == nullptr) {
            int error = errno;
            ::close(fd);
            discard();
            return error;
        }
        return 0;
    }
    return EEXIST;
}

int ResultFile::putInPlace()
{
    if (std::rename(temporary_.c_str(), path_.c_str()) == 0) {
        pending_ = false;
        haveInterruptedFile = 0;
        return 0;
    }
    int error = errno;
    discard();
    return error;
}

void ResultFile::discard()
{
    close();
    if (pending_)
        unlink(temporary_.c_str());
    pending_ = false;
    haveInterruptedFile = 0;
}

#endif

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
