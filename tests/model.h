// A literal, slow model of the tool's rules, written straight from their description with
// std::string work texts and one byte at a time. Used only as a test oracle for the tool.
#pragma once

#include <string>

namespace zelko::model {

// What the tool writes to the result file for `source` in the given mode.
std::string run(const std::string& source, bool showBorders);

}  // namespace zelko::model
