// The platform layer: console pause, opening a document, file identity, the source stream and
// the console's output. Names are UTF-8 texts on every platform.
#pragma once

#include <cstdio>
#include <string>

namespace zelko {

// Carries out a command line as the Windows command interpreter would, and waits for its end:
// "PAUSE" asks for a key press; any other text is a document's name, opened in the viewer the
// desktop associates with it. Returns an empty text, or one line saying which program failed
// to open the document and how ("xdg-open ended with status 3").
std::string runCommand(const char* command);

// Opens the source `path` for reading, in text mode or as the bytes that it holds; null with
// errno set on failure.
std::FILE* openSource(const char* path, bool binary = false);

// True when `path` names the same file as the open stream `file`.
bool isSameFile(std::FILE* file, const char* path);

// Writes the UTF-8 `text` to the console stream `stream`: as UTF-16 to a Windows console, so
// that any name shows as it is, and as the bytes themselves everywhere else.
void writeConsoleText(std::FILE* stream, const std::string& text);

// Flushes standard output. Returns 0, or the error number of the first write to standard output
// that failed in this run (EIO when the system named none).
int flushConsole();

}  // namespace zelko
