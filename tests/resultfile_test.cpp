#include "app/resultfile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>

#include "support.h"

namespace zelko {
namespace {

using test::readFile;
using test::snapshot;
using test::TempDir;
using test::writeFile;

TEST(ResultFile, TakesTheNameOnlyWhenPutInPlace)
{
    TempDir dir;
    writeFile(dir / "r.html", "earlier");
    ResultFile result;
    ASSERT_EQ(result.create((dir / "r.html").c_str()), 0);
    ASSERT_NE(result.stream(), nullptr);
    std::fputs("new", result.stream());
    EXPECT_EQ(readFile(dir / "r.html"), "earlier");
    EXPECT_EQ(result.close(), 0);
    EXPECT_EQ(readFile(dir / "r.html"), "earlier");
    EXPECT_EQ(result.putInPlace(), 0);
    EXPECT_EQ(snapshot(dir.path()), "/r.html file new\n");
}

TEST(ResultFile, LeavesNothingBehindWhenNotPutInPlace)
{
    TempDir dir;
    writeFile(dir / "r.html", "earlier");
    {
        ResultFile result;
        ASSERT_EQ(result.create((dir / "r.html").c_str()), 0);
        std::fputs("half a result", result.stream());
    }
    EXPECT_EQ(snapshot(dir.path()), "/r.html file earlier\n");
}

TEST(ResultFile, RefusesWhatCannotBeAResult)
{
    TempDir dir;
    ASSERT_EQ(mkdir((dir / "folder").c_str(), 0755), 0);
    const struct {
        std::string path;
        int error;
    } rows[] = {{"", ENOENT}, {dir / "folder", EISDIR}, {dir / "missing/r.html", ENOENT}};
    for (const auto& row : rows) {
        ResultFile result;
        EXPECT_EQ(result.create(row.path.c_str()), row.error) << row.path;
        EXPECT_EQ(result.stream(), nullptr) << row.path;
    }
    EXPECT_EQ(snapshot(dir.path()), "/folder folder\n");
}

TEST(ResultFile, WritesIntoADeviceOnlyWhenAskedTo)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "making a device needs root";
    for (SpecialFile special : {SpecialFile::writeInto, SpecialFile::replace}) {
        TempDir dir;
        ASSERT_EQ(mknod((dir / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
        ResultFile result;
        ASSERT_EQ(result.create((dir / "null").c_str(), special), 0);
        std::fputs("bytes", result.stream());
        EXPECT_EQ(result.close(), 0);
        EXPECT_EQ(result.putInPlace(), 0);
        bool into = special == SpecialFile::writeInto;
        EXPECT_EQ(result.intoSpecialFile(), into);
        EXPECT_EQ(snapshot(dir.path()), into ? "/null other\n" : "/null file bytes\n");
    }
}

// Runs `body` in a child process and returns how it ended: its exit status, or 128 and the
// signal that ended it.
template <typename Body>
int inChild(Body body)
{
    pid_t child = fork();
    if (child == 0) {
        body();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(ResultFile, ASignalThatEndsTheRunRemovesTheTemporaryFile)
{
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        TempDir dir;
        writeFile(dir / "r.html", "earlier");
        int end = inChild([&] {
            ResultFile result;
            if (result.create((dir / "r.html").c_str()) != 0)
                _exit(1);
            std::fputs("half", result.stream());
            std::fflush(result.stream());
            std::raise(signal);
            _exit(2);  // not reached: the signal ends the process
        });
        EXPECT_EQ(end, 128 + signal) << strsignal(signal);
        EXPECT_EQ(snapshot(dir.path()), "/r.html file earlier\n") << strsignal(signal);
    }
}

TEST(ResultFile, ASignalTheCallerIgnoresStaysIgnored)
{
    TempDir dir;
    int end = inChild([&] {
        std::signal(SIGTERM, SIG_IGN);
        ResultFile result;
        if (result.create((dir / "r.html").c_str()) != 0)
            _exit(1);
        std::raise(SIGTERM);
        std::fputs("whole", result.stream());
        if (result.close() != 0 || result.putInPlace() != 0)
            _exit(3);
    });
    EXPECT_EQ(end, 0);
    EXPECT_EQ(snapshot(dir.path()), "/r.html file whole\n");
}

}  // namespace
}  // namespace zelko
