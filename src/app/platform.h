// The platform layer: console pause, opening a document, and file identity.
#pragma once

#include <cstdio>

namespace zelko {

// Carries out a command line as the Windows command interpreter would, and waits for its end:
// "PAUSE" asks for a key press; any other text is a document's name, opened in the viewer the
// desktop associates with it. Failures are not reported.
void runCommand(const char* command);

// True when `path` names the same file as the open stream `file`.
bool isSameFile(std::FILE* file, const char* path);

}  // namespace zelko
