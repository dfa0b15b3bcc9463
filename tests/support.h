// Helpers shared by the tests: temporary folders, files, and runs of the real binary.
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace zelko::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// The bytes of the file `path`; throws, failing the test, when there is no such file.
std::string readFile(const std::string& path);
// Reads an open stream from its start to its end.
std::string readStream(std::FILE* file);
void writeFile(const std::string& path, const std::string& bytes);
bool fileExists(const std::string& path);
// Every entry under `dir`, one line each: its path, its kind, and a regular file's bytes or a
// link's target. Two equal snapshots mean nothing was added, lost or changed.
std::string snapshot(const std::string& dir);

struct RunResult {
    int status = -1;        // exit status, or -1 when the process did not exit normally
    std::string out;        // standard output
    std::string err;        // standard error
    std::string opened;     // what the stand-in opener recorded: "N|<arg>..." per call
    long stdinOffset = -1;  // where standard input's file stood afterwards (-1: not a file)
};

struct RunOptions {
    RunOptions(std::string argv0, std::vector<std::string> args, std::string cwd)
        : argv0(std::move(argv0)), args(std::move(args)), cwd(std::move(cwd))
    {}
    std::string argv0;                     // the invocation path the tool sees
    std::vector<std::string> args;         // arguments after it
    std::string cwd;                       // working folder (empty: the test's own)
    bool closeStdin = false;               // standard input closed instead of /dev/null
    std::string stdinPath;                 // standard input from this file (empty: /dev/null)
    std::string stdoutPath;                // where standard output goes (empty: captured)
    bool closeStdout = false;              // standard output closed instead
    std::vector<std::string> environment;  // NAME=VALUE entries set for the run
    std::string openerEnd;                 // shell lines the stand-in opener runs after recording
    bool noOpener = false;                 // PATH holds no opener at all
    long fileSizeLimit = 0;                // RLIMIT_FSIZE in bytes (0: none)
    bool ignoreSizeSignal = true;          // with a limit, SIGXFSZ ignored rather than at its default
};

// Runs the zelko binary with standard input from /dev/null and a stand-in document opener
// first on PATH that records its arguments instead of opening anything. A run that has not
// ended after 30 seconds is killed and reported with status -1.
RunResult runZelko(const RunOptions& options);

// Describes the first difference between two byte strings, with context, for failure messages.
std::string firstDifference(const std::string& expected, const std::string& actual);

}  // namespace zelko::test
