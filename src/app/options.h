// The command line, read once into a small record that the run sequence follows.
#pragma once

#include <string>
#include <vector>

#include "check/report.h"
#include "headers/headers.h"

namespace zelko {

// When the check report's severity words are coloured.
enum class Color { automatic, always, never };

enum class Mode {
    annotate,   // write the result page (the default)
    check,      // --check: report what is wrong with the tables of every page named
    html5,      // --html5: write the tables as a browser builds them, their faults marked
    headers,    // --headers: say who heads each cell of every page named
    usage,      // no arguments at all: the usage text and a pause
    help,       // --help
    version,    // --version
    badOption,  // an unknown long option, or --output without a name
};

// The text --help writes, and the version --version names.
extern const char kHelpText[];
extern const char kVersion[];

struct Options {
    Mode mode = Mode::annotate;
    bool showBorders = true;           // -b sets it, -n clears it; the last one wins
    std::vector<std::string> sources;  // the arguments that are not switches, in order
    bool hasOutput = false;            // --output was given
    std::string output;                // its file name as typed; "-" is standard output
    bool open = true;                  // cleared by --no-open
    std::string problem;               // for badOption: the line to report
    // For --check, --headers and --html5: "-" among the sources is standard input.
    check::Format format = check::Format::gnu;             // --format with --check
    headers::Format headersFormat = headers::Format::gnu;  // --format with --headers
    Color color = Color::automatic;                        // --color
    bool notes = true;                                     // cleared by --no-notes
    bool a11y = false;                                     // --a11y: who heads each cell is checked too
};

// Reads the arguments after the tool's own path. Two-character switches (-b, -n, compared by
// their first two characters in any case) and long options count anywhere before "--"; every
// argument after "--" is a file name. The first of --help, --version and a bad option decides
// the mode; otherwise --check, --headers or --html5 does (two of them is a bad option). A lone "-" is standard
// input for them, which they may name once, and is ignored otherwise, as an unknown switch is.
Options parseCommandLine(int argc, const char* const* argv);

}  // namespace zelko
