// How grave a finding is, and the words every report and view writes for it.
#pragma once

#include <cstdint>

namespace zelko {

enum class Severity : std::uint8_t { error, warning, note };

// "error", "warning", "note".
const char* severityWord(Severity severity);

}  // namespace zelko
