#include "app/run.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/naming.h"
#include "app/platform.h"
#include "app/resultfile.h"
#include "scan/annotate.h"
#include "scan/scanner.h"
#include "tag/text.h"

namespace zelko {

const char kUsageText[] =
    "\nERROR: missing sourcefile as parameter!!\n\nUsing:\nzelko.exe \"htmlfile.html\" [options]"
    "\n\n -b\tshow borders\n -n\tborders from source file (default)\n\n";

namespace {

// Reports a failure on both console streams, as perror and as a plain line, then pauses.
// Returns `status`, read before the pause so that nothing in it can change the exit status.
int reportFailure(const char* message, const char* text, int status)
{
    std::fprintf(stderr, "%s: %s\n", message, text);
    std::printf("%s: %s\n", message, text);
    runCommand("PAUSE");
    return status;
}

int reportError(const char* message, int error)
{
    return reportFailure(message, std::strerror(error), error);
}

// Reports a stream that is absent or whose error indicator is set, and returns the exit status
// to end with (`error`); returns 0 for a sound stream.
int checkStream(std::FILE* stream, const char* message, int error)
{
    if (stream != nullptr && !std::ferror(stream))
        return 0;
    return reportError(message, error);
}

// Only the first two characters of a switch count, in any letter case: -nothing acts as -n.
bool isSwitch(const char* arg, char letter)
{
    return arg[0] == '-' && (arg[1] == letter || arg[1] == letter - 'a' + 'A');
}

// Every run ends here: a console that could not be written is a failure too, reported on
// standard error. Returns the exit status, `status` unless only the console failed.
int finish(int status)
{
    if (int error = flushConsole()) {
        std::fprintf(stderr, "Write console error: %s\n", std::strerror(error));
        return status != 0 ? status : error;
    }
    return status;
}

// Reads `source` into the result file and puts the result in place; returns the exit status.
int writeResult(std::FILE* source, const char* resultName, bool showBorders)
{
    ResultFile result;
    if (int error = result.create(resultName))
        return reportError("Create file error", error);
    // The scanner reads and writes in large blocks of its own.
    std::setvbuf(source, nullptr, _IONBF, 0);
    std::setvbuf(result.stream(), nullptr, _IONBF, 0);

    OutSink out(result.stream());
    ScanState state;
    Annotation annotation{showBorders, &out};
    int readError = scan(source, state, out, annotateHandler, &annotation);
    out.flush();
    int writeError = out.error;
    if (int closeError = result.close(); writeError == 0)
        writeError = closeError;
    if (readError != 0 || writeError != 0) {
        // The earlier result, if any, stays as it was.
        result.discard();
        if (readError != 0)
            return reportError("Read file error", readError);
        return reportError("Write file error", writeError);
    }
    if (int error = result.putInPlace())
        return reportError("Create file error", error);
    return 0;
}

int runSequence(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs(kUsageText, stdout);
        runCommand("PAUSE");
        return 1;
    }

    bool showBorders = true;
    std::FILE* source = nullptr;
    bool sourceNamed = false;
    // Without a source name, report what opening an empty name reports.
    int openError = ENOENT;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (arg[0] == '-') {
            if (isSwitch(arg, 'n'))
                showBorders = false;
            else if (isSwitch(arg, 'b'))
                showBorders = true;
            continue;
        }
        if (!sourceNamed) {
            sourceNamed = true;
            errno = 0;
            source = openSource(arg);
            if (source == nullptr && errno != 0)
                openError = errno;
        }
    }
    if (int status = checkStream(source, "Open file error", openError))
        return status;

    char outLine[kTextCapacity + 1] = {};
    int status = 0;
    if (deriveResultName(outLine, sizeof outLine, argv[0]) == 2)
        status = reportError("Create file error", ENAMETOOLONG);
    // Writing the result would replace the source before it is read.
    else if (outLine[0] != '\0' && isSameFile(source, outLine))
        status = reportFailure("Create file error", "the result file is the source file", 1);
    else
        status = writeResult(source, outLine, showBorders);
    std::fclose(source);
    if (status != 0)
        return status;

    std::printf("\nRESULT:\t'%s'\n", outLine);
    // The result is complete and named, so a viewer that fails to show it is reported but does
    // not make the run a failure.
    std::string problem = runCommand(outLine);
    if (!problem.empty())
        std::fprintf(stderr, "Open result error: %s\n", problem.c_str());
    return 0;
}

}  // namespace

int runTool(int argc, char** argv) { return finish(runSequence(argc, argv)); }

}  // namespace zelko
