// A place in a page, as every finding names it.
#pragma once

#include <cstdint>

namespace zelko::html {

// 1-based line (LF, CR LF and a lone CR each end one) and 1-based column in that line, in bytes,
// or in UTF-16 code units for a page that was UTF-16.
struct Location {
    std::uint64_t line = 1;
    std::uint64_t column = 1;
};

}  // namespace zelko::html
