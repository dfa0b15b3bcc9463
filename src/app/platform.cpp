// On Windows the command interpreter pauses and opens documents. Elsewhere there is no
// interpreter that knows PAUSE or opens a document by name, so the tool does the same itself,
// with no shell in between: a path holding spaces, quotes or shell syntax reaches the opener as
// one argument.
#include "app/platform.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace zelko {
namespace {

int firstConsoleError = 0;

}  // namespace

int flushConsole()
{
    errno = 0;
    if (std::fflush(stdout) != 0 && firstConsoleError == 0)
        firstConsoleError = errno != 0 ? errno : EIO;
    if (std::ferror(stdout) && firstConsoleError == 0)
        firstConsoleError = EIO;
    return firstConsoleError;
}

}  // namespace zelko

#ifdef _WIN32

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "app/wide.h"

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace zelko {

void pauseConsole()
{
    flushConsole();
    std::system("PAUSE");
}

std::string openDocument(const std::string& path)
{
    flushConsole();
    // cmd /c strips one pair of quotes from around the whole line; the inner pair keeps
    // spaces and & | < > ^ ( ) in the path literal, so the path cannot run a command.
    std::wstring line = L"\"\"" + toWide(path) + L"\"\"";
    errno = 0;
    int status = _wsystem(line.c_str());
    if (status == -1)
        return std::string("cmd could not be started: ") + std::strerror(errno != 0 ? errno : ENOENT);
    if (status != 0)
        return "cmd ended with status " + std::to_string(status);
    return std::string();
}

void failWritesPastTheSizeLimit() {}

std::FILE* standardInput()
{
    _setmode(_fileno(stdin), _O_BINARY);
    return stdin;
}

bool colorTerminal(bool enable)
{
    HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode;
    if (console == INVALID_HANDLE_VALUE || !GetConsoleMode(console, &mode))
        return false;
    if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0)
        return true;
    return enable && SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

std::FILE* openSource(const char* path, bool binary)
{
    return _wfopen(toWide(path).c_str(), binary ? L"rb" : L"r");
}

void writeConsoleText(std::FILE* stream, const std::string& text)
{
    HANDLE console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode;
    if (console == INVALID_HANDLE_VALUE || !GetConsoleMode(console, &mode)) {
        std::fputs(text.c_str(), stream);
        return;
    }
    std::fflush(stream);
    std::wstring wide = toWide(text);
    DWORD written;
    WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}

bool isSameFile(std::FILE* file, const char* path)
{
    HANDLE open = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    HANDLE named =
        CreateFileW(toWide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
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

#include <csignal>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char** environ;
namespace zelko {
namespace {

// Waits for a single key press on the terminal at standard input, without echo, with the
// terminal's settings restored afterwards. Anything else at standard input is left unread.
void waitForKey()
{
    termios saved;
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &saved) != 0)
        return;
    termios raw = saved;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    char key;
    while (read(STDIN_FILENO, &key, 1) < 0 && errno == EINTR) {}
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
}

}  // namespace

void pauseConsole()
{
    flushConsole();
    std::fputs("Press any key to continue . . . ", stdout);
    flushConsole();
    waitForKey();
    std::fputs("\n", stdout);
    flushConsole();
}

std::string openDocument(const std::string& path)
{
    flushConsole();
#ifdef __APPLE__
    const std::string opener = "open";
#else
    const std::string opener = "xdg-open";
#endif
    // A name that starts with '-' would be read as one of the opener's options.
    std::string name = path.compare(0, 1, "-") == 0 ? "./" + path : path;
    char* argv[] = {const_cast<char*>(opener.c_str()), name.data(), nullptr};
    pid_t child;
    if (int error = posix_spawnp(&child, opener.c_str(), nullptr, nullptr, argv, environ))
        return opener + " could not be started: " + std::strerror(error);
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return opener + " could not be waited for: " + std::strerror(errno);
    }
    if (WIFSIGNALED(status))
        return opener + " was ended by signal " + std::to_string(WTERMSIG(status)) + " (" +
               strsignal(WTERMSIG(status)) + ")";
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
        return opener + " ended with status " + std::to_string(WEXITSTATUS(status));
    return std::string();
}

void failWritesPastTheSizeLimit() { std::signal(SIGXFSZ, SIG_IGN); }

std::FILE* standardInput() { return stdin; }

bool colorTerminal(bool) { return isatty(STDOUT_FILENO) != 0; }

std::FILE* openSource(const char* path, bool binary) { return std::fopen(path, binary ? "rb" : "r"); }

void writeConsoleText(std::FILE* stream, const std::string& text) { std::fputs(text.c_str(), stream); }

bool isSameFile(std::FILE* file, const char* path)
{
    struct stat open, named;
    if (fstat(fileno(file), &open) != 0 || stat(path, &named) != 0)
        return false;
    return open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

}  // namespace zelko

#endif
