// The platform layer on Linux and macOS. There is no command interpreter that knows PAUSE or
// opens a document by name, so the tool does the same itself, with no shell in between: a path
// holding spaces, quotes or shell syntax reaches the opener as one argument.
#include <csignal>
#include <fcntl.h>
#include <iconv.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>

#include "app/platform.h"

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

void writeConsoleText(std::FILE* stream, std::string_view text) { writeStream(stream, text); }

bool isSameFile(std::FILE* file, const char* path)
{
    struct stat open, named;
    if (fstat(fileno(file), &open) != 0 || stat(path, &named) != 0)
        return false;
    return open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

// --- The result file ---------------------------------------------------------------------------

const char kPathSeparators[] = "/";

std::uint64_t processNumber() { return static_cast<std::uint64_t>(getpid()); }

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

}  // namespace

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
int resultRefusal(const std::string& path, int& mode)
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

int replaceFile(const std::string& from, const std::string& to)
{
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

void removeFile(const std::string& name) { unlink(name.c_str()); }

namespace {

// The name iconv knows an encoding by: the standard's, but where browsers decode more than the
// encoding of that name holds (Shift_JIS as Windows-31J, EUC-KR as windows-949, GBK as GB18030,
// Big5 with HKSCS).
std::string iconvName(std::string_view encoding)
{
    static const std::pair<std::string_view, const char*> kWider[] = {
        {"shift_jis", "CP932"}, {"euc-kr", "CP949"}, {"gbk", "GB18030"}, {"big5", "BIG5-HKSCS"}};
    for (const auto& [name, wider] : kWider) {
        if (encoding == name)
            return wider;
    }
    return std::string(encoding);
}

}  // namespace

bool toUtf8(std::string_view encoding, std::string& text)
{
    // One converter per encoding, opened when first asked for and closed at exit; only the
    // reading thread asks.
    static struct Converters : std::map<std::string, iconv_t, std::less<>> {
        ~Converters()
        {
            for (const auto& [name, converter] : *this) {
                if (converter != reinterpret_cast<iconv_t>(-1))
                    iconv_close(converter);
            }
        }
    } converters;
    auto found = converters.find(encoding);
    if (found == converters.end())
        found =
            converters.emplace(std::string(encoding), iconv_open("UTF-8", iconvName(encoding).c_str())).first;
    iconv_t converter = found->second;
    if (converter == reinterpret_cast<iconv_t>(-1))
        return false;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    char* in = text.data();
    std::size_t left = text.size();
    char block[4096];
    while (left > 0) {
        char* to = block;
        std::size_t room = sizeof block;
        const std::size_t done = iconv(converter, &in, &left, &to, &room);
        out.append(block, static_cast<std::size_t>(to - block));
        if (done == static_cast<std::size_t>(-1) && errno != E2BIG) {
            out += "\xEF\xBF\xBD";  // a byte that is no character, or a character cut short
            ++in;
            --left;
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
        }
    }
    char* to = block;
    std::size_t room = sizeof block;
    iconv(converter, nullptr, nullptr, &to, &room);  // what a stateful encoding still holds
    out.append(block, static_cast<std::size_t>(to - block));
    text.swap(out);
    return true;
}

std::FILE* openTemporaryFile()
{
    const char* folder = std::getenv("TMPDIR");
    std::string name = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/zelko-XXXXXX";
    int fd = mkstemp(name.data());
    if (fd < 0)
        return nullptr;
    unlink(name.c_str());
    std::FILE* file = fdopen(fd, "w+b");
    if (file == nullptr) {
        int error = errno;
        ::close(fd);
        errno = error;
    }
    return file;
}

int seekFile(std::FILE* file, std::uint64_t at)
{
    errno = 0;
    if (fseeko(file, static_cast<off_t>(at), SEEK_SET) != 0)
        return errno != 0 ? errno : EIO;
    return 0;
}

std::vector<std::string> commandLine(int argc, char** argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

}  // namespace zelko
