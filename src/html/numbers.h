// Numbers in attribute values, read as the standard reads them.
#pragma once

#include <string_view>

namespace zelko::html {

// Reads a number by the standard's rules for parsing non-negative integers: leading white space,
// an optional '+' (or '-' before zeros), digits. Returns -1 when there is no number; values
// above `cap` give `cap`.
long parseNonNegative(std::string_view text, long cap);

}  // namespace zelko::html
