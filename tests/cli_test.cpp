// End-to-end runs of the real binary: console text, exit status, result bytes, opener calls.
#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <string>

#include "app/run.h"
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

std::string failure(const std::string& message, const std::string& text)
{
    return message + ": " + text + "\n";
}

TEST(Cli, WithoutArgumentsShowsUsageAndFails)
{
    TempDir dir;
    RunResult r = runZelko({dir / "zelko", {}, dir.path()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, std::string(kUsageText) + kPrompt);
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
    EXPECT_EQ(readFile(result), " \n\t \n");
}

TEST(Cli, BareNameWritesIntoTheCurrentFolder)
{
    TempDir dir;
    writeFile(dir / "page.html", "a b");
    RunResult r = runZelko({"zelko.exe", {"page.html"}, dir.path()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "\nRESULT:\t'zelko.html'\n");
    EXPECT_EQ(r.opened, "1|<zelko.html>");
    EXPECT_EQ(readFile(dir / "zelko.html"), " ");
}

TEST(Cli, OnlyTheFirstSourceIsRead)
{
    TempDir dir;
    writeFile(dir / "a.html", "a b");
    RunResult r = runZelko({dir / "zelko", {"-n", dir / "a.html", dir / "missing.html", "-b"}, dir.path()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(readFile(dir / "zelko.html"), " ");
}

TEST(Cli, ReplacesAnEarlierResult)
{
    TempDir dir;
    writeFile(dir / "zelko.html", "old content that is longer");
    writeFile(dir / "page.html", "x\n");
    RunResult r = runZelko({dir / "zelko", {dir / "page.html"}, dir.path()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(readFile(dir / "zelko.html"), "\n");
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
    EXPECT_EQ(readFile(result), " ");
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

TEST(Cli, ReportsAWriteErrorAsAFailure)
{
    if (!fileExists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    TempDir dir;
    writeFile(dir / "page.html", std::string(100000, ' '));
    ASSERT_EQ(symlink("/dev/full", (dir / "zelko.html").c_str()), 0);
    RunResult r = runZelko({dir / "zelko", {dir / "page.html"}, dir.path()});
    std::string report = failure("Write file error", "No space left on device");
    EXPECT_EQ(r.status, 28);
    EXPECT_EQ(r.err, report);
    EXPECT_EQ(r.out, report + kPrompt);
    EXPECT_EQ(r.opened, "");
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
    usleep(50 * 1000);  // the prompt is written just before the terminal is switched
    termios during;
    ASSERT_EQ(tcgetattr(master, &during), 0);
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

}  // namespace
}  // namespace zelko
