// On Windows the command interpreter does the work. Elsewhere there is no interpreter that
// knows PAUSE or opens a document by name, so the tool does the same itself, with no shell in
// between: a path holding spaces, quotes or shell syntax reaches the opener as one argument.
#include "app/platform.h"

#include <cstdlib>
#include <cstring>
#include <string>

#ifdef _WIN32

#include <io.h>
#include <windows.h>

namespace zelko {

void runCommand(const char* command)
{
    std::fflush(stdout);
    if (std::strcmp(command, "PAUSE") == 0) {
        std::system("PAUSE");
        return;
    }
    // cmd /c strips one pair of quotes from around the whole line; the inner pair keeps
    // spaces and & | < > ^ ( ) in the path literal, so the path cannot run a command.
    std::string line = "\"\"" + std::string(command) + "\"\"";
    std::system(line.c_str());
}

bool isSameFile(std::FILE* file, const char* path)
{
    HANDLE open = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    HANDLE named = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (open == INVALID_HANDLE_VALUE || named == INVALID_HANDLE_VALUE) {
        if (named != INVALID_HANDLE_VALUE)
            CloseHandle(named);
        return false;
    }
    BY_HANDLE_FILE_INFORMATION a, b;
    bool known = GetFileInformationByHandle(open, &a) && GetFileInformationByHandle(named, &b);
    CloseHandle(named);
    return known && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

}  // namespace zelko

#else

#include <cerrno>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char** environ;
namespace zelko {
namespace {

// Waits for one byte of standard input: on a terminal a single key press, without echo, with
// the terminal's settings restored afterwards. End of input returns at once.
void waitForKey()
{
    char key;
    termios saved;
    if (isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved) == 0) {
        termios raw = saved;
        raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        tcsetattr(STDIN_FILENO, TCSANOW, &raw);
        while (read(STDIN_FILENO, &key, 1) < 0 && errno == EINTR) {
        }
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        return;
    }
    while (read(STDIN_FILENO, &key, 1) < 0 && errno == EINTR) {
    }
}

void openDocument(const char* path)
{
#ifdef __APPLE__
    const char* opener = "open";
#else
    const char* opener = "xdg-open";
#endif
    char* argv[] = {const_cast<char*>(opener), const_cast<char*>(path), nullptr};
    pid_t child;
    if (posix_spawnp(&child, opener, nullptr, nullptr, argv, environ) != 0)
        return;
    int status;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

void runCommand(const char* command)
{
    std::fflush(stdout);
    if (std::strcmp(command, "PAUSE") == 0) {
        std::fputs("Press any key to continue . . . ", stdout);
        std::fflush(stdout);
        waitForKey();
        std::fputs("\n", stdout);
        std::fflush(stdout);
        return;
    }
    openDocument(command);
}

bool isSameFile(std::FILE* file, const char* path)
{
    struct stat open, named;
    if (fstat(fileno(file), &open) != 0 || stat(path, &named) != 0)
        return false;
    return open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

}  // namespace zelko

#endif
