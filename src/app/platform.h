// The platform layer: the command line, console pause, opening a document, file identity, the
// source stream, the console's output, and the file system calls of the safe result file. Names
// are UTF-8 texts on every platform. platform_posix.cpp serves Linux and macOS,
// platform_windows.cpp Windows.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace zelko {

// Writes "Press any key to continue . . . " to standard output and waits for one key, as the
// Windows PAUSE command does, then ends the line. Elsewhere it waits only on a terminal: input
// from a file or a pipe belongs to the caller, so nothing of it is read.
void pauseConsole();

// Opens the document `path` in the viewer the desktop associates with it, and waits for the
// opener to end. Returns an empty text, or one line saying which program failed to open the
// document and how ("xdg-open ended with status 3").
std::string openDocument(const std::string& path);

// Lets a write past the file-size limit fail with EFBIG instead of ending the process, so that
// such a failure is reported and cleaned up like any other.
void failWritesPastTheSizeLimit();

// Opens the source `path` for reading, in text mode or as the bytes that it holds; null with
// errno set on failure.
std::FILE* openSource(const char* path, bool binary = false);

// Standard input, read as the bytes that it holds.
std::FILE* standardInput();

// True when standard output is a terminal that shows colour escapes. On Windows the console is
// first asked to read them, when `enable` is set.
bool colorTerminal(bool enable);

// True when `path` names the same file as the open stream `file`.
bool isSameFile(std::FILE* file, const char* path);

// Writes the UTF-8 `text` to the console stream `stream`: as UTF-16 to a Windows console, so
// that any name shows as it is, and as the bytes themselves everywhere else.
void writeConsoleText(std::FILE* stream, std::string_view text);

// Flushes standard output. Returns 0, or the error number of the first write to standard output
// that failed in this run (EIO when the system named none).
int flushConsole();

// Writes `text` to `stream` as its bytes; the error of a failed write to standard output is the
// one flushConsole returns. The platform's writeConsoleText writes through it.
void writeStream(std::FILE* stream, std::string_view text);

// The command line's arguments, the tool's own path first, in UTF-8.
std::vector<std::string> commandLine(int argc, char** argv);

// Turns `text` from the encoding the Encoding Standard names `encoding` (lower case) into UTF-8,
// in place, through the platform's own converter (iconv; Windows' code pages): a byte that is no
// character of the encoding becomes U+FFFD. False, and the text left as it was, when the
// platform has no converter for the encoding.
bool toUtf8(std::string_view encoding, std::string& text);

// A new temporary file, open for writing and reading, in the folder TMPDIR names (/tmp when it
// names none; on Windows the system's temporary folder), already removed or removed when it is
// closed; null with errno set on failure.
std::FILE* openTemporaryFile();
// Moves `file` to byte `at`, which may lie past 2 GiB; 0 or an error number.
int seekFile(std::FILE* file, std::uint64_t at);

// --- The result file (resultfile.h). Each call returns 0 or an error number unless it says
// otherwise.

// The bytes that separate a path's folders: "/", or "\\/" on Windows.
extern const char kPathSeparators[];
// A number that tells this process from the others running now.
std::uint64_t processNumber();
// Whether a result may replace what stands at `path`: not a folder, nor a file that the user
// may not write. An earlier result's permission bits go to `mode`.
int resultRefusal(const std::string& path, int& mode);
// Creates the file `name`, which must not exist, for writing (in text mode on Windows); returns
// its descriptor, or -1 with errno set.
int createExclusive(const std::string& name);
// The descriptor as a stream, or null with errno set.
std::FILE* streamOf(int fd);
void closeDescriptor(int fd);
// Gives the open file `fd` the permission bits `mode`.
void setMode(int fd, int mode);
// Whether `path` names a FIFO or a device, through links or not.
bool isSpecialFile(const std::string& path);
// Opens the FIFO or device `path` for writing; returns its descriptor, or -1 with errno set.
int openSpecialFile(const std::string& path);
// Gives the file `from` the name `to`, replacing what stood there.
int replaceFile(const std::string& from, const std::string& to);
void removeFile(const std::string& name);
// Removes the file `name` should an interrupt or hang-up end the run, until keepOnSignal.
void removeOnSignal(const std::string& name);
void keepOnSignal();

}  // namespace zelko
