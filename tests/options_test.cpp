#include "app/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zelko {
namespace {

struct OptionsRow {
    std::vector<const char*> args;  // after the tool's path
    Mode mode;
    bool showBorders;
    std::vector<std::string> sources;
    const char* output;  // nullptr: no --output
    bool open;
    const char* problem;
};

Options parse(const std::vector<const char*>& args)
{
    std::vector<const char*> argv = {"zelko"};
    argv.insert(argv.end(), args.begin(), args.end());
    return parseCommandLine(static_cast<int>(argv.size()), argv.data());
}

TEST(ParseCommandLine, ReadsSwitchesOptionsAndNames)
{
    const std::string see = "; see 'zelko --help'";
    const OptionsRow rows[] = {
        {{}, Mode::usage, true, {}, nullptr, true, ""},
        {{"a.html"}, Mode::annotate, true, {"a.html"}, nullptr, true, ""},
        // Two characters count, in any case; the last switch wins; unknown ones are ignored.
        {{"-nothing", "a.html", "-x", "-Borders", "-N"},
         Mode::annotate,
         false,
         {"a.html"},
         nullptr,
         true,
         ""},
        {{"-", "-b"}, Mode::annotate, true, {}, nullptr, true, ""},
        {{"a.html", "b.html"}, Mode::annotate, true, {"a.html", "b.html"}, nullptr, true, ""},
        {{"--output=x y.html", "a.html", "--no-open"},
         Mode::annotate,
         true,
         {"a.html"},
         "x y.html",
         false,
         ""},
        {{"--output", "--help", "a.html"}, Mode::annotate, true, {"a.html"}, "--help", true, ""},
        // Options that cannot work together are refused.
        {{"--output=a", "--output", "b", "p"},
         Mode::badOption,
         true,
         {"p"},
         "b",
         true,
         "option '--output' given twice"},
        {{"--format=json", "p"},
         Mode::badOption,
         true,
         {"p"},
         nullptr,
         true,
         "option '--format' needs '--check' or '--headers'"},
        {{"--html5", "--no-notes", "p"},
         Mode::badOption,
         true,
         {"p"},
         nullptr,
         true,
         "option '--no-notes' needs '--check'"},
        {{"p", "--color=never"},
         Mode::badOption,
         true,
         {"p"},
         nullptr,
         true,
         "option '--color' needs '--check'"},
        {{"--html5", "p", "q"},
         Mode::badOption,
         true,
         {"p", "q"},
         nullptr,
         true,
         "option '--html5' reads one page, not 2"},
        {{"--html5", "p", "-"},
         Mode::badOption,
         true,
         {"p", "-"},
         nullptr,
         true,
         "option '--html5' reads one page, not 2"},
        {{"--check", "--format=json", "--no-notes", "--color=never", "p", "q"},
         Mode::check,
         true,
         {"p", "q"},
         nullptr,
         true,
         ""},
        {{"--format=json", "--headers", "p", "-"}, Mode::headers, true, {"p", "-"}, nullptr, true, ""},
        {{"--headers", "--format=sarif", "p"},
         Mode::badOption,
         true,
         {"p"},
         nullptr,
         true,
         "option '--format' takes gnu or json with '--headers', not 'sarif'"},
        {{"--headers", "--check", "p"},
         Mode::badOption,
         true,
         {"p"},
         nullptr,
         true,
         "options '--check' and '--headers' exclude each other"},
        {{"--headers", "--no-notes", "p"},
         Mode::badOption,
         true,
         {"p"},
         nullptr,
         true,
         "option '--no-notes' needs '--check'"},
        {{"--headers"}, Mode::badOption, true, {}, nullptr, true, "option '--headers' needs a page"},
        {{"--a11y", "p"},
         Mode::badOption,
         true,
         {"p"},
         nullptr,
         true,
         "option '--a11y' needs '--check' or '--html5'"},
        {{"--headers", "--a11y", "p"},
         Mode::badOption,
         true,
         {"p"},
         nullptr,
         true,
         "option '--a11y' needs '--check' or '--html5'"},
        // After "--" everything is a name.
        {{"--", "-n", "--help"}, Mode::annotate, true, {"-n", "--help"}, nullptr, true, ""},
        {{"--check", "a", "b"}, Mode::check, true, {"a", "b"}, nullptr, true, ""},
        // The first of --help, --version and a bad option decides.
        {{"--help", "--frobnicate"}, Mode::help, true, {}, nullptr, true, ""},
        {{"--Help"}, Mode::badOption, true, {}, nullptr, true, "unknown option '--Help'"},
        {{"--check", "-n"}, Mode::badOption, false, {}, nullptr, true, "option '--check' needs a page"},
    };
    for (const OptionsRow& row : rows) {
        std::string command;
        for (const char* arg : row.args)
            command += std::string(" ") + arg;
        SCOPED_TRACE("zelko" + command);
        Options o = parse(row.args);
        EXPECT_EQ(o.mode, row.mode);
        EXPECT_EQ(o.showBorders, row.showBorders);
        EXPECT_EQ(o.sources, row.sources);
        EXPECT_EQ(o.hasOutput, row.output != nullptr);
        EXPECT_EQ(o.output, row.output != nullptr ? row.output : "");
        EXPECT_EQ(o.open, row.open);
        EXPECT_EQ(o.problem, *row.problem != '\0' ? row.problem + see : "");
    }
}

}  // namespace
}  // namespace zelko
