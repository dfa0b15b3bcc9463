// The run sequence: command line, source and result files, one scan, the result line.
#pragma once

namespace zelko {

// The text written, followed by a pause, when the tool is started without arguments.
extern const char kUsageText[];

// Runs the tool as `zelko [OPTION]... SOURCE [-b|-n]...` and returns the process exit status: 0
// on success, 1 for the usage text or a source that is the result file, 2 for a bad option,
// otherwise the error number of the failed open, create, read or write. `argv` holds UTF-8.
int runTool(int argc, char** argv);

}  // namespace zelko
