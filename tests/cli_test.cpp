// End-to-end runs of the real binary: console text, exit status, result bytes, opener calls.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "support.h"

namespace zelko {
namespace {

using test::fileExists;
using test::readFile;
using test::RunOptions;
using test::RunResult;
using test::runZelko;
using test::TempDir;
using test::writeFile;

const std::string kPrompt = "Press any key to continue . . . \n";
// What every default result begins with, so that no script of the page runs in it.
const std::string kNoScripts = "<meta http-equiv=\"Content-Security-Policy\" content=\"script-src 'none'\">";

std::string failure(const std::string& message, const std::string& text)
{
    return message + ": " + text + "\n";
}

TEST(Cli, WithoutArgumentsShowsUsageAndFails)
{
    TempDir dir;
    RunResult r = runZelko({dir / "zelko", {}, dir.path()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(
        r.out,
        "\nERROR: missing sourcefile as parameter!!\n\nUsing:\nzelko.exe \"htmlfile.html\" [options]\n\n"
        " -b\tshow borders\n -n\tborders from source file (default)\n\n" +
            kPrompt);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.opened, "");
    EXPECT_FALSE(fileExists(dir / "zelko.html"));
}

TEST(Cli, ReportsAMissingSourceOnBothStreams)
{
    TempDir dir;
    const std::vector<std::vector<std::string>> argLists = {
        {dir / "missing.html"},
        {"-n"},  // switches but no source: reported as opening an empty name
        {"-b", "-n", "-x"},
        {""},
    };
    for (const auto& args : argLists) {
        RunResult r = runZelko({dir / "zelko", args, dir.path()});
        std::string report = failure("Open file error", "No such file or directory");
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_EQ(r.err, report) << args[0];
        EXPECT_EQ(r.out, report + kPrompt) << args[0];
        EXPECT_EQ(r.opened, "") << args[0];
        EXPECT_FALSE(fileExists(dir / "zelko.html")) << args[0];
    }
}

TEST(Cli, ExitStatusIsTheOpenErrorWhateverThePauseDoes)
{
    // With standard input closed, the pause's read fails with an error of its own.
    TempDir dir;
    RunOptions options{dir / "zelko", {dir / "missing.html"}, dir.path()};
    options.closeStdin = true;
    RunResult r = runZelko(options);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, failure("Open file error", "No such file or directory") + kPrompt);
}

TEST(Cli, WritesTheResultNextToTheToolAndOpensIt)
{
    TempDir dir;
    writeFile(dir / "page.html", "Hello <b>world</b>\n\tx y\n");
    RunResult r = runZelko({dir / "zelko", {dir / "page.html"}, dir.path()});
    std::string result = dir / "zelko.html";
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "\nRESULT:\t'" + result + "'\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.opened, "1|<" + result + ">");
    EXPECT_EQ(readFile(result), kNoScripts + " \n\t \n");
}

TEST(Cli, BareNameWritesIntoTheCurrentFolder)
{
    TempDir dir;
    writeFile(dir / "page.html", "a b");
    RunResult r = runZelko({"zelko.exe", {"page.html"}, dir.path()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "\nRESULT:\t'zelko.html'\n");
    EXPECT_EQ(r.opened, "1|<zelko.html>");
    EXPECT_EQ(readFile(dir / "zelko.html"), kNoScripts + " ");
}

TEST(Cli, OnlyTheFirstSourceIsRead)
{
    TempDir dir;
    writeFile(dir / "a.html", "a b");
    RunResult r = runZelko({dir / "zelko", {"-n", dir / "a.html", dir / "missing.html", "-b"}, dir.path()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(readFile(dir / "zelko.html"), kNoScripts + " ");
}

TEST(Cli, ReplacesAnEarlierResult)
{
    TempDir dir;
    writeFile(dir / "zelko.html", "old content that is longer");
    writeFile(dir / "page.html", "x\n");
    RunResult r = runZelko({dir / "zelko", {dir / "page.html"}, dir.path()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(readFile(dir / "zelko.html"), kNoScripts + "\n");
}

TEST(Cli, HandsAHostilePathToTheOpenerUnchanged)
{
    TempDir dir;
    std::string weird = "we ird;$(touch pwned1)`touch pwned2`'\"&|<>";
    ASSERT_EQ(mkdir((dir / weird).c_str(), 0755), 0);
    writeFile(dir / "page.html", " ");
    RunResult r = runZelko({dir / weird + "/zelko", {dir / "page.html"}, dir.path()});
    std::string result = dir / weird + "/zelko.html";
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.opened, "1|<" + result + ">");
    EXPECT_EQ(readFile(result), kNoScripts + " ");
    EXPECT_FALSE(fileExists(dir / "pwned1"));
    EXPECT_FALSE(fileExists(dir / "pwned2"));
}

TEST(Cli, ReportsAResultThatCannotBeCreated)
{
    TempDir dir;
    writeFile(dir / "page.html", "x");
    // A folder that does not exist, and a name that gives no result name at all.
    for (const std::string& argv0 : {dir / "nowhere/zelko", dir / "my.dir/"}) {
        RunResult r = runZelko({argv0, {dir / "page.html"}, dir.path()});
        std::string report = failure("Create file error", "No such file or directory");
        EXPECT_EQ(r.status, 2) << argv0;
        EXPECT_EQ(r.err, report) << argv0;
        EXPECT_EQ(r.out, report + kPrompt) << argv0;
        EXPECT_EQ(r.opened, "") << argv0;
    }
}

TEST(Cli, RefusesToOverwriteItsOwnSource)
{
    TempDir dir;
    const std::string page = "<table><tr><td>x</td></tr></table>\n";
    writeFile(dir / "zelko.html", page);
    ASSERT_EQ(symlink((dir / "zelko.html").c_str(), (dir / "link.html").c_str()), 0);
    for (const std::string& source : {dir / "zelko.html", dir / "link.html"}) {
        RunResult r = runZelko({dir / "zelko", {source}, dir.path()});
        std::string report = failure("Create file error", "the result file is the source file");
        EXPECT_EQ(r.status, 1) << source;
        EXPECT_EQ(r.err, report) << source;
        EXPECT_EQ(r.out, report + kPrompt) << source;
        EXPECT_EQ(r.opened, "") << source;
        EXPECT_EQ(readFile(dir / "zelko.html"), page) << source;
    }
}

TEST(Cli, ReportsAReadErrorAsAFailure)
{
    TempDir dir;
    ASSERT_EQ(mkdir((dir / "folder").c_str(), 0755), 0);
    RunResult r = runZelko({dir / "zelko", {dir / "folder"}, dir.path()});
    std::string report = failure("Read file error", "Is a directory");
    EXPECT_EQ(r.status, 21);
    EXPECT_EQ(r.err, report);
    EXPECT_EQ(r.out, report + kPrompt);
    EXPECT_EQ(r.opened, "");
}

TEST(Cli, TheViewSpoolsInTmpdirAndFailsWhenItCannot)
{
    // A table with more findings than a list keeps in memory, viewed with TMPDIR naming a
    // folder that holds the spool, then one that does not exist.
    TempDir dir;
    std::string page = "<table><tr><td><td>";
    for (int i = 0; i < 5000; ++i)
        page += "<tr><td>";
    writeFile(dir / "long.html", page + "</table>");
    ASSERT_EQ(mkdir((dir / "spool").c_str(), 0755), 0);
    RunOptions good{"./zelko", {"--html5", "--no-open", "long.html"}, dir.path()};
    good.environment = {"TMPDIR=" + (dir / "spool")};
    RunResult r = runZelko(good);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir / "zelko.html").find("more finding"), std::string::npos);
    EXPECT_EQ(test::snapshot(dir / "spool"), "");  // the spool is gone with the run

    std::remove((dir / "zelko.html").c_str());
    RunOptions bad{"./zelko", {"--html5", "long.html"}, dir.path()};
    bad.environment = {"TMPDIR=" + (dir / "missing")};
    r = runZelko(bad);
    const std::string report = failure("Temporary file error", "No such file or directory");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, report);
    EXPECT_EQ(r.out, report + kPrompt);
    EXPECT_EQ(r.opened, "");
    EXPECT_FALSE(fileExists(dir / "zelko.html"));
}

// Who heads each cell keeps a large table's cells in TMPDIR, in every mode that asks: the lines
// are the same as in memory when it can, and the page fails with the error when it cannot,
// while the other pages are still read.
TEST(Cli, WhoHeadsEachCellWaitsInTmpdirAndFailsWhenItCannot)
{
    TempDir dir;
    std::string page = "<table><tr><th>Name<th>Value";
    for (int i = 0; i < 40000; ++i)
        page += "<tr><th>row " + std::to_string(i) + "<td>x";
    writeFile(dir / "big.html", page + "</table>");
    writeFile(dir / "small.html", "<table><tr><th>a<td>b</table>");
    ASSERT_EQ(mkdir((dir / "spool").c_str(), 0755), 0);
    const struct {
        std::vector<std::string> args;
        int goodStatus;  // with a TMPDIR that holds the scratch
    } rows[] = {
        {{"--headers", "--format=json", "big.html", "small.html"}, 0},
        {{"--check", "--a11y", "big.html", "small.html"}, 0},
        {{"--html5", "--a11y", "--no-open", "--output=-", "big.html"}, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args[0] + " " + row.args[1]);
        RunOptions good{"./zelko", row.args, dir.path()};
        good.environment = {"TMPDIR=" + (dir / "spool")};
        RunResult r = runZelko(good);
        EXPECT_EQ(r.status, row.goodStatus) << r.err;
        EXPECT_EQ(r.err.find("Temporary file error"), std::string::npos) << r.err;
        EXPECT_EQ(test::snapshot(dir / "spool"), "");  // the scratches are gone with the run

        RunOptions bad{"./zelko", row.args, dir.path()};
        bad.environment = {"TMPDIR=" + (dir / "missing")};
        RunResult failed = runZelko(bad);
        EXPECT_EQ(failed.status, ENOENT);
        EXPECT_NE(failed.err.find("Temporary file error: No such file or directory"), std::string::npos)
            << failed.err;
        if (row.args[0] != "--html5") {
            // The page that failed is reported as such; the small one is still read.
            EXPECT_NE(failed.err.find("big.html: Temporary file error"), std::string::npos) << failed.err;
            EXPECT_NE(failed.out.find("small.html"), std::string::npos);
        }
    }
}

TEST(Cli, ACheckWhoseReportIsLostEndsWithTheWritesError)
{
    // Whatever the findings and the form: the status is the error's number, and the message
    // names it, for a full disk, a closed standard output and a file-size limit.
    const struct {
        const char* what;
        int status;
        const char* text;
    } failures[] = {
        {"full", 28, "No space left on device"},
        {"closed", 9, "Bad file descriptor"},
        {"limit", 27, "File too large"},
    };
    for (const char* form : {"gnu", "json", "sarif", "github"}) {
        for (const auto& f : failures) {
            SCOPED_TRACE(std::string(form) + ", " + f.what);
            TempDir dir;
            writeFile(dir / "bad.html", "<table><tr><td><td><tr><td></table>");
            RunOptions options{
                "./zelko", {"--check", std::string("--format=") + form, "bad.html"}, dir.path()};
            if (std::string(f.what) == "full")
                options.stdoutPath = "/dev/full";
            else if (std::string(f.what) == "closed")
                options.closeStdout = true;
            else {
                options.stdoutPath = dir / "report";
                options.fileSizeLimit = 100;  // the report is longer; standard error is not
            }
            RunResult r = runZelko(options);
            EXPECT_EQ(r.status, f.status);
            EXPECT_EQ(r.err, "zelko: 1 page, 1 table, 0 errors, 1 warning\nWrite console error: " +
                                 std::string(f.text) + "\n");
            EXPECT_EQ(r.opened, "");
        }
    }
}

// Runs that must lose no file and hide no failure. Each starts in a folder holding the page,
// an earlier result and a file that a planted link may point at; afterwards everything in the
// folder is as it was, except a result that a successful run has put in place. A set-up that
// fails makes its row fail.
struct SafetyRow {
    const char* name;
    std::function<bool(const TempDir&, RunOptions&)> setUp;
    int status;
    std::string err;
    bool resultWritten;  // the new result replaced whatever stood at its name
    // With --output=NAME, run in the folder: the result's name there, and what the opener
    // gets (nullptr: nothing is opened).
    const char* output = nullptr;
    const char* openedAs = nullptr;
};

bool isRoot() { return geteuid() == 0; }

TEST(Cli, NeverLosesAFileNorCallsAFailureSuccess)
{
    const std::string oldResult = "<table>earlier result</table>\n", page = "a <td>b\n";
    const std::string newResult = kNoScripts +
                                  " <td style=\"border: 1px dotted #A0A0A0; border-width: 1px "
                                  "1px 1px 1px;\">&nbsp;1x1 \n";
    // A set-up that cannot fail.
    auto always = [](auto change) {
        return [change](const TempDir& d, RunOptions& o) {
            change(d, o);
            return true;
        };
    };
    auto source = [&](const std::string& path) {
        return always([path](const TempDir&, RunOptions& o) { o.args = {path}; });
    };
    // A result that grows past a file-size limit, with SIGXFSZ ignored or at its default.
    auto sizeLimit = [&](bool ignoreSignal) {
        return always([ignoreSignal](const TempDir& d, RunOptions& o) {
            writeFile(d / "page.html", std::string(400000, '\n'));
            o.fileSizeLimit = 100000;
            o.ignoreSizeSignal = ignoreSignal;
        });
    };
    auto output = [&](const char* name) {
        return always([name](const TempDir& d, RunOptions& o) {
            o.args = {std::string("--output=") + name, d / "page.html"};
            o.cwd = d.path();
        });
    };
    // A device that writes nowhere, made as /dev/null is: creating one needs root.
    auto nullDevice = [](const std::string& path) {
        return mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    };
    const SafetyRow rows[] = {
        {"link planted at the result",
         [](const TempDir& d, RunOptions&) {
             std::remove((d / "zelko.html").c_str());
             return symlink((d / "target.txt").c_str(), (d / "zelko.html").c_str()) == 0;
         },
         0, "", true},
        {"FIFO planted at the result",
         [](const TempDir& d, RunOptions&) {
             std::remove((d / "zelko.html").c_str());
             return mkfifo((d / "zelko.html").c_str(), 0644) == 0;
         },
         0, "", true},
        {"device planted at the result",
         [&](const TempDir& d, RunOptions&) {
             std::remove((d / "zelko.html").c_str());
             return nullDevice(d / "zelko.html");
         },
         0, "", true},
        {"folder as the source",
         [](const TempDir& d, RunOptions& o) {
             o.args = {d / "folder"};
             return mkdir((d / "folder").c_str(), 0755) == 0;
         },
         21, "Read file error: Is a directory\n", false},
        {"source that fails to read", source("/proc/self/mem"), 5, "Read file error: Input/output error\n",
         false},
        {"write that fails part way", sizeLimit(true), 27, "Write file error: File too large\n", false},
        {"file-size limit with SIGXFSZ at its default", sizeLimit(false), 27,
         "Write file error: File too large\n", false},
        {"folder at the result",
         [](const TempDir& d, RunOptions&) {
             std::remove((d / "zelko.html").c_str());
             return mkdir((d / "zelko.html").c_str(), 0755) == 0;
         },
         21, "Create file error: Is a directory\n", false},
        {"full standard output", always([](const TempDir&, RunOptions& o) { o.stdoutPath = "/dev/full"; }),
         28, "Write console error: No space left on device\n", true},
        {"closed standard output", always([](const TempDir&, RunOptions& o) { o.closeStdout = true; }), 9,
         "Write console error: Bad file descriptor\n", true},
        {"missing opener", always([](const TempDir&, RunOptions& o) { o.noOpener = true; }), 0,
         "Open result error: xdg-open could not be started: No such file or directory\n", true},
        {"failing opener", always([](const TempDir&, RunOptions& o) { o.openerEnd = "exit 3\n"; }), 0,
         "Open result error: xdg-open ended with status 3\n", true},
        {"opener ended by a signal",
         always([](const TempDir&, RunOptions& o) { o.openerEnd = "kill -9 $$\n"; }), 0,
         "Open result error: xdg-open was ended by signal 9 (Killed)\n", true},
        {"tool path too long for a result name",
         always([](const TempDir& d, RunOptions& o) { o.argv0 = d / std::string(1250, 'z'); }), 36,
         "Create file error: File name too long\n", false},
        // The pause reads nothing of an input that is not a terminal.
        {"input from a file after a failure", always([](const TempDir& d, RunOptions& o) {
             writeFile(d / "names.txt", "first.html\nsecond.html\n");
             o.stdinPath = d / "names.txt";
             o.args = {d / "missing.html"};
         }),
         2, "Open file error: No such file or directory\n", false},
        // A result named like the pause command, or like an option, is a document all the same.
        {"result named PAUSE", output("PAUSE"), 0, "", true, "PAUSE", "PAUSE"},
        {"result name starting with '-'", output("-x.html"), 0, "", true, "-x.html", "./-x.html"},
        // A FIFO or device named by --output is written into and stays; nothing is opened.
        {"device named by --output",
         [&](const TempDir& d, RunOptions& o) {
             output("null")(d, o);
             return nullDevice(d / "null");
         },
         0, "", false, "null"},
    };
    for (const SafetyRow& row : rows) {
        SCOPED_TRACE(row.name);
        if (std::strstr(row.name, "device") != nullptr && !isRoot()) {
            std::printf("skipped without root: %s\n", row.name);
            continue;
        }
        TempDir dir;
        writeFile(dir / "page.html", page);
        writeFile(dir / "target.txt", "the link's target\n");
        writeFile(dir / "zelko.html", oldResult);
        RunOptions options{dir / "zelko", {dir / "page.html"}, dir.path()};
        if (!row.setUp(dir, options)) {
            ADD_FAILURE() << "the set-up failed: " << std::strerror(errno);
            continue;
        }
        std::string written = dir / (row.output != nullptr ? row.output : "zelko.html");
        std::string expected = test::snapshot(dir.path());
        if (row.resultWritten) {
            std::remove(written.c_str());
            writeFile(written, page == readFile(options.args.back()) ? newResult : kNoScripts);
            expected = test::snapshot(dir.path());
        }
        RunResult r = runZelko(options);
        EXPECT_EQ(r.status, row.status);
        EXPECT_EQ(r.err, row.err);
        // Compared as a whole: a line diff of a large page would take minutes.
        std::string after = test::snapshot(dir.path());
        EXPECT_TRUE(after == expected) << test::firstDifference(expected, after);
        if (!options.stdinPath.empty()) {
            EXPECT_EQ(r.stdinOffset, 0);
        }
        if (row.resultWritten || row.output != nullptr) {
            std::string shown = row.output != nullptr ? row.output : written;
            if (options.stdoutPath.empty() && !options.closeStdout) {
                EXPECT_EQ(r.out, "\nRESULT:\t'" + shown + "'\n");
            }
            std::string opener = row.output == nullptr     ? written
                                 : row.openedAs != nullptr ? row.openedAs
                                                           : "";
            // Nothing is opened after a failure.
            EXPECT_EQ(r.opened,
                      options.noOpener || opener.empty() || row.status != 0 ? "" : "1|<" + opener + ">");
        } else {
            EXPECT_EQ(r.out, row.err + kPrompt);
            EXPECT_EQ(r.opened, "");
        }
    }
}

TEST(Cli, WritesIntoAFifoNamedByTheOutputOption)
{
    TempDir dir;
    writeFile(dir / "page.html", "a <td>b\n");
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);
    // Held open for reading and writing, the FIFO takes the tool's writes at once and never
    // blocks this test; the result is small enough to wait in it until the run has ended.
    int fifo = open((dir / "fifo").c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(fifo, 0);
    RunResult r = runZelko({"./zelko", {"--output=fifo", "-n", "page.html"}, dir.path()});
    std::string received;
    char block[4096];
    for (ssize_t n; (n = read(fifo, block, sizeof block)) > 0;)
        received.append(block, static_cast<std::size_t>(n));
    close(fifo);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "\nRESULT:\t'fifo'\n");
    EXPECT_EQ(r.opened, "");
    EXPECT_EQ(received, kNoScripts + " <td>&nbsp;1x1 \n");
    struct stat st;
    ASSERT_EQ(lstat((dir / "fifo").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// Long options: each row runs ./zelko in a folder holding page.html, -n.html and a folder, and
// checks the status, both console streams, the opener's calls and the files afterwards.
// The command a row runs, for the failure messages.
std::string commandLine(const std::vector<std::string>& args)
{
    std::string line = "zelko";
    for (const std::string& arg : args)
        line += " " + arg;
    return line;
}

// `ascii` as a UTF-16 page with its byte order mark, after the code units `first`.
std::string utf16Page(const std::string& ascii, bool little, std::vector<unsigned> first = {})
{
    std::string out = little ? "\xff\xfe" : "\xfe\xff";
    for (char c : ascii)
        first.push_back(static_cast<unsigned char>(c));
    for (unsigned unit : first) {
        char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        out += little ? std::string{low, high} : std::string{high, low};
    }
    return out;
}

struct OptionRow {
    std::vector<std::string> args;
    int status;
    std::string out, err, opened;
    std::vector<std::pair<std::string, const char*>> files;  // name, bytes (nullptr: absent)
};

TEST(Cli, LongOptions)
{
    const std::string borders = kNoScripts +
                                "<td style=\"border: 1px dotted #A0A0A0; border-width: 1px 1px 1px "
                                "1px;\">&nbsp;1x1 \n";
    const std::string plain = kNoScripts + "<td>&nbsp;1x1 \n";
    const std::string table = kNoScripts +
                              "<table style=\"border: 1px solid #FF0000; border-width: 1px 1px 1px 1px;\">"
                              "<thead style=\"color: #FF0000; font: normal 9px Courier New;\"></thead>\n";
    auto resultLine = [](const std::string& name) { return "\nRESULT:\t'" + name + "'\n"; };
    // Written out in full, so that a change of wording shows here.
    const std::string help =
        "Usage: zelko [OPTION]... SOURCE [-b | -n]...\n"
        "Writes a page that keeps only the frame and the table skeleton of the HTML page SOURCE,\n"
        "labels every cell with its colspan, rowspan and class, and opens it in the browser.\n"
        "\n"
        "  -b              border mode: red table borders and captions, dotted cell borders\n"
        "                  (the default)\n"
        "  -n              borders from the source: table tags as they stand, no captions\n"
        "  --output=PATH   write the result to PATH; '-' writes it to standard output and\n"
        "                  opens nothing\n"
        "  --no-open       write the result and print its name, but do not open it\n"
        "  --check         write no result; report what is wrong with the tables of each\n"
        "                  page named ('-' is standard input), as a browser builds them,\n"
        "                  one line per finding: PAGE:LINE:COLUMN: SEVERITY: MESSAGE [KIND]\n"
        "  --html5         write the tables as a browser builds them instead, each fault of\n"
        "                  --check marked on its element and listed after its table ('-' as\n"
        "                  SOURCE is standard input)\n"
        "  --headers       write no result; say who heads each cell of every table of each\n"
        "                  page named ('-' is standard input): one line per table, then one\n"
        "                  per cell, with its headers by the HTML standard and by Chromium\n"
        "  --format=FORMAT the report's form: gnu (as above, the default), json (one JSON\n"
        "                  object per line), sarif (one SARIF 2.1.0 log) or github (GitHub\n"
        "                  Actions workflow commands); with --headers gnu or json\n"
        "  --a11y          with --check or --html5, show too what goes wrong for screen\n"
        "                  readers: who heads each cell, by the HTML standard and by Chromium\n"
        "  --no-notes      leave the notes (table, headers-limit) out of the report\n"
        "  --color=WHEN    colour the severity words of the gnu form: auto (on a terminal,\n"
        "                  unless NO_COLOR is set; the default), always or never\n"
        "  --help          show this help and exit\n"
        "  --version       show the version and exit\n"
        "  --              every later argument is a file name\n"
        "\n"
        "Only the first two characters of -b and -n count; the last of them wins. Without\n"
        "--output the result is named after the tool: the path it was started by, with its\n"
        "extension replaced by \".html\" (./build/zelko writes ./build/zelko.html). A result\n"
        "replaces the earlier one only when it is complete, and never the source.\n"
        "\n"
        "Exit status: 0 when the result was written (a viewer that fails to open it is reported\n"
        "but does not count); 1 without arguments, or when the result would replace the source;\n"
        "2 for a bad option; otherwise the system's error number of the failed open, read,\n"
        "create or write, such as 2 for a missing file, 21 for a folder, 28 for a full disk.\n"
        "With --check: 0 when no page has an error or warning, 1 when one has, or the error\n"
        "number of a page that could not be read (the other pages are still checked) or of\n"
        "a report that could not be written; a summary line goes to standard error.\n"
        "With --headers: 0, or the error number of a page that could not be read, of a\n"
        "temporary file that could not be had or of lines that could not be written.\n";
    const std::string seeHelp = "; see 'zelko --help'\n";
    const std::string missing = "Open file error: No such file or directory\n";
    const std::string same = "Create file error: the result file is the source file\n";
    const std::string folder = "Read file error: Is a directory\n";
    const std::string badReport =
        "bad.html:1:28: warning: row 2 has 1 column, fewer than the 2 that the first row sets [row-short]\n"
        "bad.html:1:1: note: table 1 (no class): 2 rows x 2 columns, 1 row group [table]\n";
    const OptionRow rows[] = {
        {{"--help"}, 0, help, "", "", {{"zelko.html", nullptr}}},
        {{"page.html", "--help", "-n", "--frobnicate"}, 0, help, "", "", {{"zelko.html", nullptr}}},
        {{"--version"}, 0, "zelko " ZELKO_EXPECTED_VERSION "\n", "", "", {{"zelko.html", nullptr}}},
        {{"--frobnicate", "page.html", "--help"},
         2,
         "",
         "zelko: unknown option '--frobnicate'" + seeHelp,
         "",
         {{"zelko.html", nullptr}}},
        {{"page.html", "--output"},
         2,
         "",
         "zelko: option '--output' needs a file name" + seeHelp,
         "",
         {{"zelko.html", nullptr}}},
        {{"--output=", "page.html"},
         2,
         "",
         "zelko: option '--output' needs a file name" + seeHelp,
         "",
         {{"zelko.html", nullptr}}},
        {{"page.html", "--no-open"},
         0,
         resultLine("./zelko.html"),
         "",
         "",
         {{"zelko.html", borders.c_str()}}},
        {{"--output=sub/x.html", "-n", "page.html"},
         0,
         resultLine("sub/x.html"),
         "",
         "1|<sub/x.html>",
         {{"sub/x.html", plain.c_str()}, {"zelko.html", nullptr}}},
        {{"--output", "x.html", "--no-open", "page.html"},
         0,
         resultLine("x.html"),
         "",
         "",
         {{"x.html", borders.c_str()}, {"zelko.html", nullptr}}},
        {{"--output=-", "page.html", "-n"}, 0, plain, "", "", {{"zelko.html", nullptr}}},
        // With the result on standard output, a failure is reported on standard error alone.
        {{"--output=-", "missing.html"}, 2, "", missing, "", {{"zelko.html", nullptr}}},
        {{"--output=page.html", "page.html"}, 1, same + kPrompt, same, "", {{"page.html", "<td>x\n"}}},
        {{"--output=keep.html", "sub"}, 21, folder + kPrompt, folder, "", {{"keep.html", "kept\n"}}},
        // After "--" a name that looks like a switch is a page, and switches are names.
        {{"--no-open", "--", "-n.html", "page.html"},
         0,
         resultLine("./zelko.html"),
         "",
         "",
         {{"zelko.html", table.c_str()}}},
        {{"--", "--help"}, 2, missing + kPrompt, missing, "", {{"zelko.html", nullptr}}},
        // --check writes its report and nothing else, whatever other switches say.
        {{"--check", "page.html", "-n", "--no-open", "--output=x.html"},
         0,
         "",
         "zelko: 1 page, 0 tables, 0 errors, 0 warnings\n",
         "",
         {{"zelko.html", nullptr}, {"x.html", nullptr}}},
        {{"--check", "bad.html"},
         1,
         badReport,
         "zelko: 1 page, 1 table, 0 errors, 1 warning\n",
         "",
         {{"zelko.html", nullptr}}},
        {{"-b", "--check", "missing.html", "bad.html", "sub"},
         2,
         badReport,
         "missing.html: " + missing + "sub: Read file error: Is a directory\n" +
             "zelko: 1 page, 1 table, 0 errors, 1 warning\n",
         "",
         {{"zelko.html", nullptr}}},
        {{"--check"}, 2, "", "zelko: option '--check' needs a page" + seeHelp, "", {}},
        // Options that cannot work together: refused, and nothing read, written or opened.
        {{"--output=a.html", "--output", "b.html", "page.html"},
         2,
         "",
         "zelko: option '--output' given twice" + seeHelp,
         "",
         {{"a.html", nullptr}, {"b.html", nullptr}, {"zelko.html", nullptr}}},
        {{"--format=json", "page.html"},
         2,
         "",
         "zelko: option '--format' needs '--check' or '--headers'" + seeHelp,
         "",
         {{"zelko.html", nullptr}}},
        {{"--html5", "--no-notes", "page.html"},
         2,
         "",
         "zelko: option '--no-notes' needs '--check'" + seeHelp,
         "",
         {{"zelko.html", nullptr}}},
        {{"--color=always", "page.html"},
         2,
         "",
         "zelko: option '--color' needs '--check'" + seeHelp,
         "",
         {{"zelko.html", nullptr}}},
        {{"--html5", "page.html", "bad.html"},
         2,
         "",
         "zelko: option '--html5' reads one page, not 2" + seeHelp,
         "",
         {{"zelko.html", nullptr}}},
        {{"--check", "--version"}, 0, "zelko " ZELKO_EXPECTED_VERSION "\n", "", "", {}},
        // --headers: no result file, the statuses of --check without its findings.
        {{"--headers", "--format=json", "page.html", "--", "-n.html"},
         0,
         "{\"page\":\"-n.html\",\"line\":1,\"column\":1,\"table\":1,\"rows\":0,\"columns\":0,"
         "\"chromium\":\"layout\",\"why\":\"it has no rows\"}\n",
         "",
         "",
         {{"zelko.html", nullptr}}},
        {{"--headers", "missing.html", "sub"},
         2,
         "",
         "missing.html: " + missing + "sub: Read file error: Is a directory\n",
         "",
         {{"zelko.html", nullptr}}},
    };
    for (const OptionRow& row : rows) {
        SCOPED_TRACE(commandLine(row.args));
        TempDir dir;
        ASSERT_EQ(mkdir((dir / "sub").c_str(), 0755), 0);
        writeFile(dir / "page.html", "<td>x\n");
        writeFile(dir / "-n.html", "<table>\n");
        writeFile(dir / "keep.html", "kept\n");
        writeFile(dir / "bad.html", "<table><tr><td><td><tr><td></table>");
        RunResult r = runZelko({"./zelko", row.args, dir.path()});
        EXPECT_EQ(r.status, row.status);
        EXPECT_EQ(r.out, row.out);
        EXPECT_EQ(r.err, row.err);
        EXPECT_EQ(r.opened, row.opened);
        for (const auto& [name, bytes] : row.files) {
            if (bytes == nullptr)
                EXPECT_FALSE(fileExists(dir / name)) << name;
            else
                EXPECT_EQ(readFile(dir / name), bytes) << name;
        }
    }
}

TEST(Cli, CheckReportForms)
{
    const std::string bad = "<table><tr><td><td><tr><td></table>";
    const std::string odd = "we b,c:d%\xc3\xa9.html";  // a space, ',', ':', '%' and a letter outside ASCII
    const std::string summary = "zelko: 1 page, 1 table, 0 errors, 1 warning\n";
    const std::string seeHelp = "; see 'zelko --help'\n";
    const std::string shortRow = "row 2 has 1 column, fewer than the 2 that the first row sets";
    const std::string tableNote = "table 1 (no class): 2 rows x 2 columns, 1 row group";
    // "\xf0\x9f\x98\x80" is one code point of two UTF-16 code units and four UTF-8 bytes.
    const std::string wide = "\xf0\x9f\x98\x80" + bad;
    const struct {
        std::vector<std::string> args;
        std::string input;  // standard input
        int status;
        std::string out, err;
    } rows[] = {
        {{"--check", "--format=json", odd},
         "",
         1,
         "{\"page\":\"" + odd +
             "\",\"line\":1,\"column\":28,\"severity\":\"warning\",\"kind\":\"row-short\","
             "\"message\":\"" +
             shortRow +
             "\"}\n"
             "{\"page\":\"" +
             odd +
             "\",\"line\":1,\"column\":1,\"severity\":\"note\",\"kind\":\"table\","
             "\"message\":\"" +
             tableNote + "\"}\n",
         summary},
        {{"--check", "--format", "github", odd},
         "",
         1,
         "::warning file=we b%2Cc%3Ad%25\xc3\xa9.html,line=1,col=28,title=row-short::" + shortRow +
             "\n"
             "::notice file=we b%2Cc%3Ad%25\xc3\xa9.html,line=1,col=1,title=table::" +
             tableNote + "\n",
         summary},
        {{"--check", "--format=gnu", "--no-notes", "bad.html"},
         "",
         1,
         "bad.html:1:28: warning: " + shortRow + " [row-short]\n",
         summary},
        {{"--check", "--no-notes", "clean.html"},
         "",
         0,
         "",
         "zelko: 1 page, 1 table, 0 errors, 0 warnings\n"},
        {{"--check", "--color=always", "--no-notes", "bad.html"},
         "",
         1,
         "bad.html:1:28: \033[01;35mwarning\033[m: " + shortRow + " [row-short]\n",
         summary},
        {{"--check", "--color=auto", "--no-notes", "bad.html"},
         "",
         1,
         "bad.html:1:28: warning: " + shortRow + " [row-short]\n",
         summary},
        {{"--check", "--color=always", "--format=json", "--no-notes", "bad.html"},
         "",
         1,
         "{\"page\":\"bad.html\",\"line\":1,\"column\":28,\"severity\":\"warning\",\"kind\":\"row-short\","
         "\"message\":\"" +
             shortRow + "\"}\n",
         summary},
        // Standard input, among other pages.
        {{"--check", "--no-notes", "clean.html", "-", "bad.html"},
         bad,
         1,
         "<stdin>:1:28: warning: " + shortRow +
             " [row-short]\n"
             "bad.html:1:28: warning: " +
             shortRow + " [row-short]\n",
         "zelko: 3 pages, 3 tables, 0 errors, 2 warnings\n"},
        // UTF-16 pages are read as their UTF-8 form is, with columns in code units; a UTF-8
        // mark is skipped.
        {{"--check", "utf16le.html", "utf16be.html", "utf8.html", "marked.html"},
         "",
         1,
         "utf16le.html:1:30: warning: " + shortRow +
             " [row-short]\n"
             "utf16le.html:1:3: note: " +
             tableNote +
             " [table]\n"
             "utf16be.html:1:30: warning: " +
             shortRow +
             " [row-short]\n"
             "utf16be.html:1:3: note: " +
             tableNote +
             " [table]\n"
             "utf8.html:1:32: warning: " +
             shortRow +
             " [row-short]\n"
             "utf8.html:1:5: note: " +
             tableNote +
             " [table]\n"
             "marked.html:1:32: warning: " +
             shortRow +
             " [row-short]\n"
             "marked.html:1:5: note: " +
             tableNote + " [table]\n",
         "zelko: 4 pages, 4 tables, 0 errors, 4 warnings\n"},
        {{"--check", "-", "-"}, "", 2, "", "zelko: standard input '-' can be named only once" + seeHelp},
        {{"--check", "--format=xml", "bad.html"},
         "",
         2,
         "",
         "zelko: option '--format' takes gnu, json, sarif or github, not 'xml'" + seeHelp},
        {{"--check", "--format=json", "--format=json", "bad.html"},
         "",
         2,
         "",
         "zelko: option '--format' given twice" + seeHelp},
        {{"--check", "bad.html", "--format"},
         "",
         2,
         "",
         "zelko: option '--format' needs gnu, json, sarif or github" + seeHelp},
        {{"--check", "--color=sometimes", "bad.html"},
         "",
         2,
         "",
         "zelko: option '--color' takes auto, always or never, not 'sometimes'" + seeHelp},
        {{"--check", "--color=never", "--color=never", "bad.html"},
         "",
         2,
         "",
         "zelko: option '--color' given twice" + seeHelp},
        {{"--check", "--color", "bad.html"},
         "",
         2,
         "",
         "zelko: option '--color' needs a value: --color=auto, always or never" + seeHelp},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(commandLine(row.args));
        TempDir dir;
        writeFile(dir / "bad.html", bad);
        writeFile(dir / odd, bad);
        writeFile(dir / "clean.html", "<table><tr><td></table>");
        writeFile(dir / "utf8.html", wide);
        writeFile(dir / "marked.html", "\xef\xbb\xbf" + wide);
        // U+1F600, two code units, is the page's first code point.
        writeFile(dir / "utf16le.html", utf16Page(bad, true, {0xD83D, 0xDE00}));
        writeFile(dir / "utf16be.html", utf16Page(bad, false, {0xD83D, 0xDE00}));
        writeFile(dir / "input", row.input);
        RunOptions options{"./zelko", row.args, dir.path()};
        options.stdinPath = dir / "input";
        RunResult r = runZelko(options);
        EXPECT_EQ(r.status, row.status);
        EXPECT_EQ(r.out, row.out);
        EXPECT_EQ(r.err, row.err);
    }
}

TEST(Cli, Html5WritesTheViewAsTheDefaultModeWritesItsResult)
{
    const std::string page = "<table><tr><td>a</table>";
    const std::string body =
        "\n<table id=\"t1\">\n<tbody>\n<tr id=\"t1r1\"><td id=\"t1r1c1\">&nbsp;1x1 </td></tr>"
        "\n</tbody>\n</table>";
    const std::string seeHelp = "; see 'zelko --help'\n";
    const std::string missing = "Open file error: No such file or directory\n";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out, err, opened;
        const char* written;  // the file that holds the view, if any
        std::string title;    // the page as the view's title names it
    } rows[] = {
        {{"--html5", "-n", "page.html"},
         0,
         "\nRESULT:\t'./zelko.html'\n",
         "",
         "1|<./zelko.html>",
         "zelko.html",
         "page.html"},
        {{"-n", "--html5", "--no-open", "--output=v.html", "-"},
         0,
         "\nRESULT:\t'v.html'\n",
         "",
         "",
         "v.html",
         "&lt;stdin&gt;"},
        {{"--html5", "-n", "--output=-", "utf16.html"}, 0, "", "", "", nullptr, "utf16.html"},
        {{"--html5", "missing.html"}, 2, missing + kPrompt, missing, "", nullptr, ""},
        {{"--html5", "--check", "page.html"},
         2,
         "",
         "zelko: options '--check' and '--html5' exclude each other" + seeHelp,
         "",
         nullptr,
         ""},
        {{"--html5", "-", "-"},
         2,
         "",
         "zelko: standard input '-' can be named only once" + seeHelp,
         "",
         nullptr,
         ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(commandLine(row.args));
        TempDir dir;
        writeFile(dir / "page.html", page);
        writeFile(dir / "utf16.html", utf16Page(page, true));
        writeFile(dir / "input", page);
        RunOptions options{"./zelko", row.args, dir.path()};
        options.stdinPath = dir / "input";
        RunResult r = runZelko(options);
        EXPECT_EQ(r.status, row.status);
        EXPECT_EQ(r.err, row.err);
        EXPECT_EQ(r.opened, row.opened);
        if (row.status != 0) {
            EXPECT_EQ(r.out, row.out);
            EXPECT_FALSE(fileExists(dir / "zelko.html"));
            continue;
        }
        std::string view = row.written != nullptr ? readFile(dir / row.written) : r.out;
        if (row.written != nullptr) {
            EXPECT_EQ(r.out, row.out);
        }
        EXPECT_NE(view.find("<title>zelko: " + row.title + "</title>"), std::string::npos) << view;
        EXPECT_NE(view.find(body), std::string::npos) << view;
    }
}

TEST(Cli, AOneLetterToolNameGivesAPage)
{
    TempDir dir;
    writeFile(dir / "page.html", "a b");
    writeFile(dir / "z", "the tool itself");
    RunResult r = runZelko({"z", {"page.html"}, dir.path()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "\nRESULT:\t'z.html'\n");
    EXPECT_EQ(readFile(dir / "z.html"), kNoScripts + " ");
    EXPECT_EQ(readFile(dir / "z"), "the tool itself");
}

TEST(Cli, AResultKeepsTheEarlierOnesPermissionsOrGetsTheUsualOnes)
{
    const struct {
        int earlier;  // the earlier result's mode, or -1 for none
        mode_t mask;
        unsigned expected;
    } rows[] = {{-1, 027, 0640}, {0600, 022, 0600}, {0755, 077, 0755}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.earlier) + " under umask " + std::to_string(row.mask));
        TempDir dir;
        writeFile(dir / "page.html", "x");
        if (row.earlier >= 0) {
            writeFile(dir / "zelko.html", "earlier");
            ASSERT_EQ(chmod((dir / "zelko.html").c_str(), static_cast<mode_t>(row.earlier)), 0);
        }
        mode_t saved = umask(row.mask);
        RunResult r = runZelko({dir / "zelko", {dir / "page.html"}, dir.path()});
        umask(saved);
        struct stat st;
        ASSERT_EQ(stat((dir / "zelko.html").c_str(), &st), 0);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(readFile(dir / "zelko.html"), kNoScripts);
        EXPECT_EQ(st.st_mode & 0777, row.expected);
    }
}

}  // namespace
}  // namespace zelko

namespace zelko {
namespace {

// Reads from the terminal's master side until `text` has arrived or the child has gone quiet.
bool readUntil(int master, std::string& seen, const std::string& text)
{
    for (int tries = 0; tries < 500 && seen.find(text) == std::string::npos; ++tries) {
        pollfd p{master, POLLIN, 0};
        if (poll(&p, 1, 10) > 0) {
            char block[256];
            ssize_t n = read(master, block, sizeof block);
            if (n <= 0)
                break;
            seen.append(block, static_cast<std::size_t>(n));
        }
    }
    return seen.find(text) != std::string::npos;
}

TEST(Cli, PauseOnATerminalTakesOneKeyWithoutEchoAndRestoresTheTerminal)
{
    int master;
    pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
        char* argv[] = {const_cast<char*>("zelko"), nullptr};
        execv(ZELKO_BINARY, argv);
        _exit(127);
    }
    termios before;
    ASSERT_EQ(tcgetattr(master, &before), 0);
    std::string seen;
    ASSERT_TRUE(readUntil(master, seen, "Press any key to continue . . . ")) << seen;
    // The prompt is written just before the terminal is switched: wait for the switch, up to
    // two seconds on a busy machine.
    termios during;
    for (int tries = 0; tries < 200; ++tries) {
        ASSERT_EQ(tcgetattr(master, &during), 0);
        if ((during.c_lflag & (ECHO | ICANON)) == 0)
            break;
        usleep(10 * 1000);
    }
    EXPECT_EQ(during.c_lflag & (ECHO | ICANON), 0u);
    ASSERT_EQ(write(master, "q", 1), 1);  // one key, no Enter
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    readUntil(master, seen, "\n\n\n");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    EXPECT_EQ(seen.find('q'), std::string::npos) << "the key was echoed: " << seen;
    termios after;
    ASSERT_EQ(tcgetattr(master, &after), 0);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    close(master);
}

TEST(Cli, CheckColoursTheSeverityOnATerminalUnlessNoColorIsSet)
{
    TempDir dir;
    writeFile(dir / "bad.html", "<table><tr><td><td><tr><td></table>");
    const std::string page = dir / "bad.html";
    for (const char* noColor : {"", "1"}) {
        SCOPED_TRACE(std::string("NO_COLOR=") + noColor);
        int master = -1;
        pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (*noColor != '\0')
                setenv("NO_COLOR", noColor, 1);
            else
                unsetenv("NO_COLOR");
            char* argv[] = {const_cast<char*>("zelko"), const_cast<char*>("--check"),
                            const_cast<char*>("--no-notes"), const_cast<char*>(page.c_str()), nullptr};
            execv(ZELKO_BINARY, argv);
            _exit(127);
        }
        std::string seen;
        readUntil(master, seen, "[row-short]");
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        close(master);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
        bool coloured = seen.find("\033[01;35mwarning\033[m: row 2") != std::string::npos;
        EXPECT_EQ(coloured, *noColor == '\0') << seen;
        EXPECT_NE(seen.find("warning"), std::string::npos) << seen;
    }
}

}  // namespace
}  // namespace zelko
