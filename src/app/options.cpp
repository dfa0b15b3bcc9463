#include "app/options.h"

#include <algorithm>
#include <cstring>

namespace zelko {

#ifndef ZELKO_VERSION
#define ZELKO_VERSION "unknown"
#endif
const char kVersion[] = ZELKO_VERSION;

const char kHelpText[] =
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

namespace {

// Only the first two characters of a switch count, in any letter case: -nothing acts as -n.
bool isSwitch(const char* arg, char letter)
{
    return arg[0] == '-' && (arg[1] == letter || arg[1] == letter - 'a' + 'A');
}

// The modes that a later --help, --version or bad option still replaces.
bool undecided(const Options& options)
{
    return options.mode == Mode::annotate || options.mode == Mode::check || options.mode == Mode::html5 ||
           options.mode == Mode::headers;
}

void fail(Options& options, const std::string& problem)
{
    if (!undecided(options))
        return;
    options.mode = Mode::badOption;
    options.problem = problem + "; see 'zelko --help'";
}

void decide(Options& options, Mode mode)
{
    if (undecided(options))
        options.mode = mode;
}

// Reads the value of an option that takes one of a few words, given once.
template <typename Value, std::size_t N>
void pickValue(Options& options, const char* name, const std::string& word, bool& given, Value& value,
               const char* const (&words)[N], const Value (&values)[N], const char* choices)
{
    if (given) {
        fail(options, std::string("option '") + name + "' given twice");
        return;
    }
    given = true;
    for (std::size_t k = 0; k < N; ++k) {
        if (word == words[k]) {
            value = values[k];
            return;
        }
    }
    fail(options, std::string("option '") + name + "' takes " + choices + ", not '" + word + "'");
}

// --format's word, read once the mode is known: the check has four forms, the headers two.
void pickFormat(Options& options, const std::string& word)
{
    bool given = false;
    if (options.mode == Mode::headers) {
        static const char* const words[] = {"gnu", "json"};
        static const headers::Format values[] = {headers::Format::gnu, headers::Format::json};
        pickValue(options, "--format", word, given, options.headersFormat, words, values,
                  "gnu or json with '--headers'");
        return;
    }
    static const char* const words[] = {"gnu", "json", "sarif", "github"};
    static const check::Format values[] = {check::Format::gnu, check::Format::json, check::Format::sarif,
                                           check::Format::github};
    pickValue(options, "--format", word, given, options.format, words, values, "gnu, json, sarif or github");
}

const char* optionName(Mode mode)
{
    return mode == Mode::check ? "--check" : mode == Mode::html5 ? "--html5" : "--headers";
}

void pickColor(Options& options, const std::string& word, bool& given)
{
    static const char* const words[] = {"auto", "always", "never"};
    static const Color values[] = {Color::automatic, Color::always, Color::never};
    pickValue(options, "--color", word, given, options.color, words, values, "auto, always or never");
}

// What reading the arguments has found so far.
struct Reading {
    Options options;
    bool namesOnly = false, colorGiven = false, notesGiven = false;
    int outputs = 0, stdinNamed = 0, formats = 0;
    std::string format;              // --format's word
    std::vector<std::string> pages;  // what --check and --html5 read: the names and standard input
};

// Reads the long option `option`, at argument `i`, which it moves past a value it takes.
void readLongOption(Reading& r, const std::string& option, int& i, int argc, const char* const* argv)
{
    Options& options = r.options;
    if (option == "--") {
        r.namesOnly = true;
    } else if (option == "--help") {
        decide(options, Mode::help);
    } else if (option == "--version") {
        decide(options, Mode::version);
    } else if (option == "--check" || option == "--html5" || option == "--headers") {
        Mode mode = option == "--check" ? Mode::check : option == "--html5" ? Mode::html5 : Mode::headers;
        if (options.mode == Mode::annotate)
            options.mode = mode;
        else if (undecided(options) && options.mode != mode)
            fail(options, std::string("options '") + optionName(std::min(options.mode, mode)) + "' and '" +
                              optionName(std::max(options.mode, mode)) + "' exclude each other");
    } else if (option == "--no-open") {
        options.open = false;
    } else if (option == "--a11y") {
        options.a11y = true;
    } else if (option == "--no-notes") {
        options.notes = false;
        r.notesGiven = true;
    } else if (option.rfind("--format=", 0) == 0) {
        ++r.formats;
        r.format = option.substr(std::strlen("--format="));
    } else if (option == "--format") {
        if (i + 1 == argc) {
            fail(options, "option '--format' needs gnu, json, sarif or github");
        } else {
            ++r.formats;
            r.format = argv[++i];
        }
    } else if (option.rfind("--color=", 0) == 0) {
        pickColor(options, option.substr(std::strlen("--color=")), r.colorGiven);
    } else if (option == "--color") {
        fail(options, "option '--color' needs a value: --color=auto, always or never");
    } else if (option.rfind("--output=", 0) == 0) {
        ++r.outputs;
        options.hasOutput = true;
        options.output = option.substr(std::strlen("--output="));
    } else if (option == "--output") {
        if (i + 1 == argc) {
            fail(options, "option '--output' needs a file name");
            return;
        }
        ++r.outputs;
        options.hasOutput = true;
        options.output = argv[++i];
    } else {
        fail(options, "unknown option '" + option + "'");
    }
}

// Refuses the options that cannot work together, before anything is read or written.
void checkCombinations(Reading& r)
{
    Options& options = r.options;
    if (r.outputs > 1)
        fail(options, "option '--output' given twice");
    if (options.hasOutput && options.output.empty())
        fail(options, "option '--output' needs a file name");
    if (r.formats > 1)
        fail(options, "option '--format' given twice");
    else if (r.formats == 1 && (options.mode == Mode::check || options.mode == Mode::headers))
        pickFormat(options, r.format);
    if (options.mode != Mode::check) {
        if (r.formats > 0 && options.mode != Mode::headers)
            fail(options, "option '--format' needs '--check' or '--headers'");
        if (r.notesGiven)
            fail(options, "option '--no-notes' needs '--check'");
        if (r.colorGiven)
            fail(options, "option '--color' needs '--check'");
        if (options.a11y && options.mode != Mode::html5)
            fail(options, "option '--a11y' needs '--check' or '--html5'");
    }
    if (options.mode == Mode::check || options.mode == Mode::html5 || options.mode == Mode::headers) {
        options.sources = r.pages;
        if (r.stdinNamed > 1)
            fail(options, "standard input '-' can be named only once");
        if (options.mode != Mode::html5 && options.sources.empty())
            fail(options, std::string("option '") + optionName(options.mode) + "' needs a page");
        if (options.mode == Mode::html5 && options.sources.size() > 1)
            fail(options, "option '--html5' reads one page, not " + std::to_string(options.sources.size()));
    }
}

}  // namespace

Options parseCommandLine(int argc, const char* const* argv)
{
    Reading r;
    if (argc < 2) {
        r.options.mode = Mode::usage;
        return r.options;
    }
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "-") == 0) {
            ++r.stdinNamed;
            r.pages.push_back(arg);
            if (r.namesOnly)
                r.options.sources.push_back(arg);
        } else if (r.namesOnly || arg[0] != '-') {
            r.options.sources.push_back(arg);
            r.pages.push_back(arg);
        } else if (arg[1] != '-') {  // a two-character switch; unknown ones are ignored
            if (isSwitch(arg, 'n'))
                r.options.showBorders = false;
            else if (isSwitch(arg, 'b'))
                r.options.showBorders = true;
        } else {
            readLongOption(r, arg, i, argc, argv);
        }
    }
    checkCombinations(r);
    return r.options;
}

}  // namespace zelko
