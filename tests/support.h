// Helpers shared by the tests: temporary folders, files, and runs of the real binary.
#pragma once

#include <cstdio>
#include <string>
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

std::string readFile(const std::string& path);
// Reads an open stream from its start to its end.
std::string readStream(std::FILE* file);
void writeFile(const std::string& path, const std::string& bytes);
bool fileExists(const std::string& path);

struct RunResult {
    int status = -1;       // exit status, or -1 when the process did not exit normally
    std::string out;       // standard output
    std::string err;       // standard error
    std::string opened;    // what the stand-in opener recorded: "N|<arg>..." per call
};

struct RunOptions {
    std::string argv0;                  // the invocation path the tool sees
    std::vector<std::string> args;      // arguments after it
    std::string cwd;                    // working folder (empty: the test's own)
    bool closeStdin = false;            // standard input closed instead of /dev/null
};

// Runs the zelko binary with standard input from /dev/null and a stand-in document opener
// first on PATH that records its arguments instead of opening anything.
RunResult runZelko(const RunOptions& options);

// Describes the first difference between two byte strings, with context, for failure messages.
std::string firstDifference(const std::string& expected, const std::string& actual);

}  // namespace zelko::test
