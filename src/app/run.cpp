#include "app/run.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/naming.h"
#include "app/platform.h"
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

}  // namespace

int runTool(int argc, char** argv)
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
            source = std::fopen(arg, "r");
            if (source == nullptr && errno != 0)
                openError = errno;
        }
    }
    if (int status = checkStream(source, "Open file error", openError))
        return status;

    char outLine[kTextCapacity + 1] = {};
    deriveResultName(outLine, sizeof outLine, argv[0]);
    // Opening the result for writing would empty the source before it is read.
    if (outLine[0] != '\0' && isSameFile(source, outLine)) {
        std::fclose(source);
        return reportFailure("Create file error", "the result file is the source file", 1);
    }
    errno = 0;
    std::FILE* result = std::fopen(outLine, "w");
    int createError = errno != 0 ? errno : ENOENT;
    if (int status = checkStream(result, "Create file error", createError)) {
        std::fclose(source);
        return status;
    }
    // The scanner reads and writes in large blocks of its own.
    std::setvbuf(source, nullptr, _IONBF, 0);
    std::setvbuf(result, nullptr, _IONBF, 0);

    OutSink out(result);
    ScanState state;
    Annotation annotation{showBorders, &out};
    int readError = scan(source, state, out, annotateHandler, &annotation);
    out.flush();
    int writeError = out.error;
    errno = 0;
    if (std::fclose(result) != 0 && writeError == 0)
        writeError = errno != 0 ? errno : EIO;
    std::fclose(source);
    if (readError != 0)
        return reportError("Read file error", readError);
    if (writeError != 0)
        return reportError("Write file error", writeError);

    std::printf("\nRESULT:\t'%s'\n", outLine);
    runCommand(outLine);
    return 0;
}

}  // namespace zelko
