#include "app/resultfile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
