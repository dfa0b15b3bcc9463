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

// The platform's part: what refuses a result name, the exclusive create, the replacing rename,
// the removal, and (on POSIX) the removal when a signal ends the run. Each returns 0 or an error
// number.
#ifdef _WIN32

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

// A folder or a read-only file at the result's name is refused, as opening it would be.
// `mode` is left as it is: the temporary file's permissions are the usual ones.
int refusal(const std::string& path, int&)
{
    DWORD attributes = GetFileAttributesW(toWide(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0)
        return EACCES;
    return 0;
}

int createExclusive(const std::string& name)
{
    return _wopen(toWide(name).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_TEXT | _O_NOINHERIT,
                  _S_IREAD | _S_IWRITE);
}

std::FILE* streamOf(int fd) { return _fdopen(fd, "w"); }
void closeDescriptor(int fd) { _close(fd); }
void setMode(int, int) {}
bool isSpecialFile(const std::string&) { return false; }
int openSpecialFile(const std::string&) { return -1; }

int replace(const std::string& from, const std::string& to)
{
    if (MoveFileExW(toWide(from).c_str(), toWide(to).c_str(), MOVEFILE_REPLACE_EXISTING))
        return 0;
    return errorNumberOf(GetLastError());
}

void removeFile(const std::string& name) { _wunlink(toWide(name).c_str()); }
void removeOnSignal(const std::string&) {}
void keepOnSignal() {}

#else

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

void keepOnSignal() { haveInterruptedFile = 0; }

// A folder, or a file that the user may not write, is refused as opening it would be. A link,
// FIFO or device is never opened: the finished file replaces it. An earlier result's permission
// bits are set in `mode`.
int refusal(const std::string& path, int& mode)
{
    struct stat st;
    if (lstat(path.c_str(), &st) != 0)
        return 0;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    if (S_ISREG(st.st_mode)) {
        int fd = open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return errno;
        ::close(fd);
        mode = static_cast<int>(st.st_mode & 0777);
    }
    return 0;
}

// The temporary file was created with the usual permissions; an earlier result's replace them.
void setMode(int fd, int mode) { fchmod(fd, static_cast<mode_t>(mode)); }

bool isSpecialFile(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 &&
           (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode));
}

// Opens the FIFO or device for writing, as it stands: a FIFO waits for its reader here.
int openSpecialFile(const std::string& path) { return open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC); }

int createExclusive(const std::string& name)
{
    return open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

std::FILE* streamOf(int fd) { return fdopen(fd, "w"); }
void closeDescriptor(int fd) { ::close(fd); }

int replace(const std::string& from, const std::string& to)
{
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

void removeFile(const std::string& name) { unlink(name.c_str()); }

#endif

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
    if (int error = refusal(path_, mode))
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
    if (int error = replace(temporary_, path_)) {
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
