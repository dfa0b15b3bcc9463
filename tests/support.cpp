#include "support.h"

#include <fcntl.h>
#include <spawn.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace zelko::test {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "zelko-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string readStream(std::FILE* file)
{
    std::rewind(file);
    std::string bytes;
    char block[4096];
    std::size_t n;
    while ((n = std::fread(block, 1, sizeof block, file)) > 0)
        bytes.append(block, n);
    return bytes;
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

bool fileExists(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

std::string snapshot(const std::string& dir)
{
    std::vector<std::string> lines;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        std::string path = entry.path().string(), line = path.substr(dir.size()) + " ";
        struct stat st;
        if (lstat(path.c_str(), &st) != 0)
            line += "vanished";
        else if (S_ISLNK(st.st_mode))
            line += "link to " + std::filesystem::read_symlink(entry.path()).string();
        else if (S_ISREG(st.st_mode))
            line += "file " + readFile(path);
        else if (S_ISDIR(st.st_mode))
            line += "folder";
        else
            line += "other";
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    std::string all;
    for (const std::string& line : lines)
        all += line + "\n";
    return all;
}

RunResult runZelko(const RunOptions& options)
{
    TempDir work;
    std::string bin = work / "bin";
    mkdir(bin.c_str(), 0755);
    std::string log = work / "opened";
    writeFile(log, "");
    std::string opener =
        "#!/bin/sh\nprintf '%s|' \"$#\" >> \"$ZELKO_OPENER_LOG\"\n"
        "printf '<%s>' \"$@\" >> \"$ZELKO_OPENER_LOG\"\n";
    for (const char* name : {"xdg-open", "open"}) {
        if (options.noOpener)
            break;
        writeFile(bin + "/" + name, opener + options.openerEnd);
        chmod((bin + "/" + name).c_str(), 0755);
    }

    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        std::string entry = *e;
        if (entry.rfind("PATH=", 0) != 0 && entry.rfind("ZELKO_OPENER_LOG=", 0) != 0)
            env.push_back(entry);
    }
    const char* path = std::getenv("PATH");
    if (options.noOpener)
        env.push_back("PATH=" + bin);
    else
        env.push_back("PATH=" + bin + ":" + (path != nullptr ? path : "/usr/bin:/bin"));
    env.push_back("ZELKO_OPENER_LOG=" + log);
    env.insert(env.end(), options.environment.begin(), options.environment.end());

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(options.argv0.c_str()));
    for (const std::string& a : options.args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    std::string outPath = work / "stdout", errPath = work / "stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The child shares this open file, so its offset afterwards tells what the child read.
    int input = -1;
    if (!options.stdinPath.empty()) {
        input = open(options.stdinPath.c_str(), O_RDONLY | O_CLOEXEC);
        if (input < 0)
            throw std::runtime_error("cannot open " + options.stdinPath);
        posix_spawn_file_actions_adddup2(&actions, input, 0);
    } else if (options.closeStdin)
        posix_spawn_file_actions_addclose(&actions, 0);
    else
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const std::string& stdoutPath = options.stdoutPath.empty() ? outPath : options.stdoutPath;
    if (options.closeStdout)
        posix_spawn_file_actions_addclose(&actions, 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!options.cwd.empty())
        posix_spawn_file_actions_addchdir_np(&actions, options.cwd.c_str());

    // The limit and the ignored signal are inherited by the child; this process gets its own
    // back at once.
    rlimit savedLimit;
    getrlimit(RLIMIT_FSIZE, &savedLimit);
    struct sigaction savedAction, ignore{};
    ignore.sa_handler = SIG_IGN;
    if (options.fileSizeLimit > 0) {
        rlimit limit = savedLimit;
        limit.rlim_cur = static_cast<rlim_t>(options.fileSizeLimit);
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigaction(SIGXFSZ, options.fileSizeLimit > 0 && options.ignoreSizeSignal ? &ignore : &fallback,
              &savedAction);
    pid_t child;
    int rc = posix_spawn(&child, ZELKO_BINARY, &actions, nullptr, argv.data(), envp.data());
    if (options.fileSizeLimit > 0)
        setrlimit(RLIMIT_FSIZE, &savedLimit);
    sigaction(SIGXFSZ, &savedAction, nullptr);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        throw std::runtime_error("cannot start " ZELKO_BINARY);
    int status = 0;
    for (int waited = 0; waitpid(child, &status, WNOHANG) == 0; ++waited) {
        if (waited == 3000) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            break;
        }
        usleep(10 * 1000);
    }

    RunResult result;
    if (input >= 0) {
        result.stdinOffset = static_cast<long>(lseek(input, 0, SEEK_CUR));
        close(input);
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    // Standard output went elsewhere when the test named a place for it; the opener records
    // only when it runs.
    result.out = options.stdoutPath.empty() && !options.closeStdout ? readFile(outPath) : "";
    result.err = readFile(errPath);
    result.opened = fileExists(log) ? readFile(log) : "";
    return result;
}

std::string firstDifference(const std::string& expected, const std::string& actual)
{
    std::size_t i = 0;
    while (i < expected.size() && i < actual.size() && expected[i] == actual[i])
        ++i;
    if (i == expected.size() && i == actual.size())
        return "identical";
    auto around = [i](const std::string& s) {
        std::size_t from = i < 20 ? 0 : i - 20;
        std::ostringstream o;
        for (std::size_t k = from; k < s.size() && k < i + 20; ++k) {
            unsigned char c = static_cast<unsigned char>(s[k]);
            if (k == i)
                o << "[HERE]";
            if (c >= 0x20 && c < 0x7f)
                o << c;
            else {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02x", c);
                o << hex;
            }
        }
        return o.str();
    };
    std::ostringstream o;
    o << "first difference at byte " << i << " (expected " << expected.size() << " bytes, got "
      << actual.size() << ")\n  expected: " << around(expected) << "\n  actual:   " << around(actual);
    return o.str();
}

}  // namespace zelko::test
