// The platform layer on Windows: the command interpreter pauses and opens documents, names are
// handed to the system in UTF-16, and the console is written in UTF-16.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "app/platform.h"
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

void writeConsoleText(std::FILE* stream, std::string_view text)
{
    HANDLE console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode;
    if (console == INVALID_HANDLE_VALUE || !GetConsoleMode(console, &mode)) {
        writeStream(stream, text);
        return;
    }
    std::fflush(stream);
    std::wstring wide = toWide(std::string(text));
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

// --- The result file ---------------------------------------------------------------------------

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

const char kPathSeparators[] = "\\/";

std::uint64_t processNumber() { return GetCurrentProcessId(); }

// A folder or a read-only file at the result's name is refused, as opening it would be.
// `mode` is left as it is: the temporary file's permissions are the usual ones.
int resultRefusal(const std::string& path, int&)
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

int replaceFile(const std::string& from, const std::string& to)
{
    if (MoveFileExW(toWide(from).c_str(), toWide(to).c_str(), MOVEFILE_REPLACE_EXISTING))
        return 0;
    return errorNumberOf(GetLastError());
}

void removeFile(const std::string& name) { _wunlink(toWide(name).c_str()); }
void removeOnSignal(const std::string&) {}
void keepOnSignal() {}

namespace {

// The Windows code page of an encoding the standard names, or 0.
UINT codePageOf(std::string_view encoding)
{
    static const std::pair<std::string_view, UINT> kPages[] = {
        {"ibm866", 866},        {"iso-8859-2", 28592},  {"iso-8859-3", 28593},  {"iso-8859-4", 28594},
        {"iso-8859-5", 28595},  {"iso-8859-6", 28596},  {"iso-8859-7", 28597},  {"iso-8859-8", 28598},
        {"iso-8859-10", 28600}, {"iso-8859-13", 28603}, {"iso-8859-14", 28604}, {"iso-8859-15", 28605},
        {"iso-8859-16", 28606}, {"koi8-r", 20866},      {"koi8-u", 21866},      {"macintosh", 10000},
        {"windows-874", 874},   {"windows-1250", 1250}, {"windows-1251", 1251}, {"windows-1252", 1252},
        {"windows-1253", 1253}, {"windows-1254", 1254}, {"windows-1255", 1255}, {"windows-1256", 1256},
        {"windows-1257", 1257}, {"windows-1258", 1258}, {"gbk", 54936},         {"gb18030", 54936},
        {"big5", 950},          {"euc-jp", 51932},      {"shift_jis", 932},     {"euc-kr", 949},
    };
    for (const auto& [name, page] : kPages) {
        if (encoding == name)
            return page;
    }
    return 0;
}

}  // namespace

bool toUtf8(std::string_view encoding, std::string& text)
{
    const UINT page = codePageOf(encoding);
    if (page == 0)
        return false;
    if (text.empty())
        return true;
    const int size = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(page, 0, text.data(), size, nullptr, 0);
    if (units <= 0)
        return false;
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(page, 0, text.data(), size, wide.data(), units);
    text = toUtf8(wide);
    return true;
}

std::FILE* openTemporaryFile()
{
    wchar_t folder[MAX_PATH + 1], name[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH || GetTempFileNameW(folder, L"zlk", 0, name) == 0) {
        errno = errorNumberOf(GetLastError());
        return nullptr;
    }
    // "T": kept in memory while it can be, "D": removed when closed.
    std::FILE* file = _wfopen(name, L"w+bTD");
    if (file == nullptr)
        DeleteFileW(name);
    return file;
}

int seekFile(std::FILE* file, std::uint64_t at)
{
    errno = 0;
    if (_fseeki64(file, static_cast<__int64>(at), SEEK_SET) != 0)
        return errno != 0 ? errno : EIO;
    return 0;
}

std::vector<std::string> commandLine(int, char**)
{
    // The arguments are taken as UTF-16 and handed on in UTF-8, so a name outside the console's
    // code page reaches the tool intact.
    int argc = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> texts;
    for (int i = 0; i < argc; ++i)
        texts.push_back(toUtf8(wide[i]));
    LocalFree(wide);
    return texts;
}

}  // namespace zelko
