// The check mode: reads a page as a browser builds its tables, and reports what is wrong
// with every one of them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace zelko::check {

struct PageCheck {
    int readError = 0;  // the error number of a failed read, or 0
    std::uint64_t errors = 0, warnings = 0;
};

// Reads `source` to its end in blocks and hands the report's lines, named after `page`, to
// `write` a batch at a time as they are found. Memory stays bounded whatever the page.
PageCheck checkPage(std::FILE* source, const std::string& page,
                    const std::function<void(const std::string&)>& write);

// The same for a page held in memory, fed in pieces of `piece` bytes; returns the report.
std::string checkText(const std::string& text, const std::string& page = "page.html",
                      std::size_t piece = 0);

}  // namespace zelko::check
