// The platform layer: console pause, opening a document, file identity, the source stream and
// the console's output. Names are UTF-8 texts on every platform.
#pragma once

#include <cstdio>
#include <string>

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
void writeConsoleText(std::FILE* stream, const std::string& text);

// Flushes standard output. Returns 0, or the error number of the first write to standard output
// that failed in this run (EIO when the system named none).
int flushConsole();

}  // namespace zelko
