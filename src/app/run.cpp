#include "app/run.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <system_error>

#include "app/naming.h"
#include "app/input.h"
#include "app/options.h"
#include "app/platform.h"
#include "app/resultfile.h"
#include "app/spool.h"
#include "check/check.h"
#include "headers/headers.h"
#include "scan/annotator.h"
#include "text/bounded.h"
#include "view/view.h"

namespace zelko {

const char kUsageText[] =
    "\nERROR: missing sourcefile as parameter!!\n\nUsing:\nzelko.exe \"htmlfile.html\" [options]"
    "\n\n -b\tshow borders\n -n\tborders from source file (default)\n\n";

namespace {

// Where failures are reported. On a console they go to both streams and the run pauses, so a
// window that the desktop opened for the tool stays open. When the result itself goes to
// standard output, a report there would corrupt it: reports go to standard error alone and the
// run does not wait for a key.
struct Reporter {
    bool resultOnStdout = false;

    // Reports `message: text` and returns `status`, read before any pause so that nothing in
    // the pause can change the exit status.
    int failure(const char* message, const char* text, int status) const
    {
        std::fprintf(stderr, "%s: %s\n", message, text);
        if (!resultOnStdout) {
            std::printf("%s: %s\n", message, text);
            pauseConsole();
        }
        return status;
    }

    int error(const char* message, int error) const { return failure(message, std::strerror(error), error); }
};

// The texts of a page in a declared encoding are turned into UTF-8 by the platform's converter.
html::Transcode platformTranscode()
{
    return [](std::string_view encoding, std::string& text) { return toUtf8(encoding, text); };
}

// The error of a temporary file a mode needed and could not have: the view's spools.
int spoolErrorOf(const PageAnnotator&) { return 0; }
int spoolErrorOf(const view::PageViewer& viewer) { return viewer.spoolError(); }

// Reads `source` into a mode that writes a result (PageAnnotator, PageViewer), which `make`
// makes from a writer that writes to `result`, unbuffered, as the modes hand on large blocks.
// Returns 0 or reports the failure and returns its exit status; `result` is left open.
template <typename Make>
int writeResult(std::FILE* source, std::FILE* result, const Reporter& report, const Make& make)
{
    std::setvbuf(result, nullptr, _IONBF, 0);
    std::atomic<int> writeError{0};  // the view writes on a thread of its own
    const auto writer = [&writeError, result](const char* bytes, std::size_t n) {
        errno = 0;
        if (writeError == 0 && std::fwrite(bytes, 1, n, result) != n)
            writeError = errno != 0 ? errno : EIO;
    };
    decltype(make(writer)) mode;
    try {
        mode = make(writer);
    } catch (const std::system_error& failure) {  // no thread to be had for the view
        return report.error("Thread error", failure.code().value());
    }
    int readError = readBlocks(source, [&](const char* bytes, std::size_t n) {
        mode->feed(bytes, n);
        return writeError == 0;  // after a failed write, reading on is pointless
    });
    if (readError == 0 && writeError == 0)
        mode->finish();
    if (readError != 0)
        return report.error("Read file error", readError);
    if (writeError != 0)
        return report.error("Write file error", writeError);
    if (int spoolError = spoolErrorOf(*mode))
        return report.error("Temporary file error", spoolError);
    return 0;
}

// Writes a result from the source into the stream given; returns 0 or the reported failure's
// exit status.
using Fill = std::function<int(std::FILE* result)>;

// Writes the result to the file `resultName`, which takes its new content only when all of it
// has been written; returns the exit status. `intoSpecialFile` tells whether the result went
// straight into a FIFO or device, as `special` allows.
int writeResultFile(const Fill& fill, const char* resultName, SpecialFile special, const Reporter& report,
                    bool& intoSpecialFile)
{
    ResultFile result;
    int error = result.create(resultName, special);
    intoSpecialFile = result.intoSpecialFile();
    if (error != 0)
        return report.error("Create file error", error);
    int status = fill(result.stream());
    if (int closeError = result.close(); status == 0 && closeError != 0)
        status = report.error("Write file error", closeError);
    if (status != 0)
        return status;  // the earlier result, if any, stays as it was
    if (int error = result.putInPlace())
        return report.error("Create file error", error);
    return 0;
}

int annotatePage(const Options& options, const char* toolPath, const Reporter& report)
{
    // Without a source name, report what opening an empty name reports.
    int openError = ENOENT;
    std::FILE* source = nullptr;
    // The view reads "-" as standard input, and the page's own bytes, as the check does; the
    // default mode reads a file named "-" (after "--") as it always has.
    const bool html5 = options.mode == Mode::html5;
    if (!options.sources.empty()) {
        errno = 0;
        const std::string& name = options.sources.front();
        source = html5 ? openPage(name, true) : openSource(name.c_str());
        if (source == nullptr && errno != 0)
            openError = errno;
    }
    if (source == nullptr || std::ferror(source))
        return report.error("Open file error", openError);
    const std::string page = pageName(options.sources.front());
    Fill fill = [&](std::FILE* result) {
        if (html5) {
            return writeResult(source, result, report, [&](ByteWriter write) {
                return std::make_unique<view::PageViewer>(page, options.showBorders, std::move(write),
                                                          fileSpools(), platformTranscode(), options.a11y,
                                                          fileScratches());
            });
        }
        return writeResult(source, result, report, [&](OutSink::Writer write) {
            return std::make_unique<PageAnnotator>(options.showBorders, std::move(write));
        });
    };

    std::string resultName = options.output;
    int status = 0;
    bool intoSpecialFile = false;
    if (report.resultOnStdout) {
        status = fill(stdout);
    } else {
        char outLine[kTextCapacity + 1] = {};
        if (!options.hasOutput) {
            if (deriveResultName(outLine, sizeof outLine, toolPath) == 2)
                status = report.error("Create file error", ENAMETOOLONG);
            resultName = outLine;
        }
        // Writing the result would replace the source before it is read.
        if (status == 0 && !resultName.empty() && isSameFile(source, resultName.c_str()))
            status = report.failure("Create file error", "the result file is the source file", 1);
        else if (status == 0)
            // A name the user gave is written into when it is a FIFO or device, as cp does.
            status = writeResultFile(fill, resultName.c_str(),
                                     options.hasOutput ? SpecialFile::writeInto : SpecialFile::replace,
                                     report, intoSpecialFile);
    }
    closePage(source);
    if (status != 0 || report.resultOnStdout)
        return status;

    writeConsoleText(stdout, "\nRESULT:\t'" + resultName + "'\n");
    // A FIFO or a device holds nothing that a viewer could show; after a failure nothing is
    // opened, and a result line that could not be written is one (runTool reports it).
    if (!options.open || intoSpecialFile || flushConsole() != 0)
        return 0;
    // The result is complete and named, so a viewer that fails to show it is reported but does
    // not make the run a failure.
    std::string problem = openDocument(resultName);
    if (!problem.empty())
        std::fprintf(stderr, "Open result error: %s\n", problem.c_str());
    return 0;
}

// Whether the gnu report's severity words are coloured: on a terminal unless NO_COLOR is set,
// or as --color says.
bool colorReport(const Options& options)
{
    if (options.format != check::Format::gnu || options.color == Color::never)
        return false;
    if (options.color == Color::always) {
        colorTerminal(true);  // a Windows console is asked to read the escapes
        return true;
    }
    const char* noColor = std::getenv("NO_COLOR");
    return (noColor == nullptr || *noColor == '\0') && colorTerminal(true);
}

// Checks every page named, in order ("-" is standard input, named "<stdin>"), writes their
// report to standard output and the run's summary to standard error. A page that cannot be read
// is reported on standard error, without a pause, and the others are still checked. Returns the
// error number of the first such page, else 1 when some page has an error or a warning, else 0.
int checkPages(const Options& options)
{
    check::ReportStyle style;
    style.format = options.format;
    style.notes = options.notes;
    style.color = colorReport(options);
    style.a11y = options.a11y;
    check::RunReport run(style, kVersion, [](const std::string& lines) { writeConsoleText(stdout, lines); });
    int failure = 0;
    for (const std::string& name : options.sources) {
        const std::string page = pageName(name);
        errno = 0;
        // The bytes as they stand, so that columns count the page's own bytes everywhere.
        std::FILE* source = openPage(name, true);
        if (source == nullptr) {
            int error = errno != 0 ? errno : ENOENT;
            std::fprintf(stderr, "%s: Open file error: %s\n", page.c_str(), std::strerror(error));
            failure = failure != 0 ? failure : error;
            continue;
        }
        int readError = 0, scratchError = 0;
        {
            check::PageChecker checker(run, page, platformTranscode(), fileScratches());
            readError = readBlocks(source, [&checker](const char* bytes, std::size_t n) {
                checker.feed(bytes, n);
                return true;
            });
            // After a failed read, what was found so far is reported: the page's end was never
            // seen.
            if (readError == 0)
                checker.finish();
            scratchError = checker.scratchError();
        }
        closePage(source);
        if (readError != 0) {
            std::fprintf(stderr, "%s: Read file error: %s\n", page.c_str(), std::strerror(readError));
            failure = failure != 0 ? failure : readError;
        } else if (scratchError != 0) {
            std::fprintf(stderr, "%s: Temporary file error: %s\n", page.c_str(), std::strerror(scratchError));
            failure = failure != 0 ? failure : scratchError;
        }
    }
    run.finish();
    const check::Totals& totals = run.totals();
    // The report is complete on standard output before the summary follows it.
    flushConsole();
    std::fprintf(stderr, "%s\n", check::summaryLine(totals).c_str());
    bool findings = totals.errors > 0 || totals.warnings > 0;
    return failure != 0 ? failure : findings ? 1 : 0;
}

// Says who heads each cell of every page named, in order, on standard output; pages are read
// and their failures reported as --check does them. Returns the error number of the first page
// that could not be read or of a temporary file that could not be had, else 0.
int headersPages(const Options& options)
{
    int failure = 0;
    const auto failed = [&failure](const std::string& page, const char* what, int error) {
        std::fprintf(stderr, "%s: %s: %s\n", page.c_str(), what, std::strerror(error));
        failure = failure != 0 ? failure : error;
    };
    for (const std::string& name : options.sources) {
        const std::string page = pageName(name);
        errno = 0;
        std::FILE* source = openPage(name, true);
        if (source == nullptr) {
            failed(page, "Open file error", errno != 0 ? errno : ENOENT);
            continue;
        }
        headers::PageHeaders headers(
            page, options.headersFormat, [](std::string_view lines) { writeConsoleText(stdout, lines); },
            fileScratches(), platformTranscode());
        const int readError = readBlocks(source, [&headers](const char* bytes, std::size_t n) {
            headers.feed(bytes, n);
            return true;
        });
        if (readError == 0)
            headers.finish();
        closePage(source);
        if (readError != 0)
            failed(page, "Read file error", readError);
        else if (int error = headers.scratchError())
            failed(page, "Temporary file error", error);
    }
    return failure;
}

int runSequence(const Options& options, const char* toolPath, const Reporter& report)
{
    switch (options.mode) {
    case Mode::usage:
        std::fputs(kUsageText, stdout);
        pauseConsole();
        return 1;
    case Mode::help:
        std::fputs(kHelpText, stdout);
        return 0;
    case Mode::version:
        std::printf("zelko %s\n", kVersion);
        return 0;
    case Mode::badOption:
        std::fprintf(stderr, "zelko: %s\n", options.problem.c_str());
        return 2;
    case Mode::check:
        return checkPages(options);
    case Mode::headers:
        return headersPages(options);
    case Mode::annotate:
    case Mode::html5:
        break;
    }
    return annotatePage(options, toolPath, report);
}

}  // namespace

int runTool(int argc, char** argv)
{
    failWritesPastTheSizeLimit();
    Options options = parseCommandLine(argc, argv);
    Reporter report;
    report.resultOnStdout = (options.mode == Mode::annotate || options.mode == Mode::html5) &&
                            options.hasOutput && options.output == "-";
    int status = runSequence(options, argv[0], report);
    // A console that could not be written is a failure too, reported on standard error, unless
    // standard output held the result and its failure was reported already. The check's report
    // is its result: when it is lost, its status is the write's error, whatever the findings.
    if (int error = flushConsole(); error != 0 && !(report.resultOnStdout && status != 0)) {
        std::fprintf(stderr, "Write console error: %s\n", std::strerror(error));
        const bool reportIsResult = options.mode == Mode::check || options.mode == Mode::headers;
        return status != 0 && !reportIsResult ? status : error;
    }
    return status;
}

}  // namespace zelko
