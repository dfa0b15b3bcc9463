// The check mode's report: one line per finding, in the format compilers use,
//   PAGE:LINE:COLUMN: SEVERITY: MESSAGE [KIND]
// collected in a text that the caller writes out as it grows.
#pragma once

#include <cstdint>
#include <string>

#include "check/tokenizer.h"

namespace zelko::check {

enum class Severity : std::uint8_t { error, warning, note };

class Report {
public:
    Report(std::string page, std::string& out) : page_(std::move(page)), out_(out) {}
    void add(Location where, Severity severity, const std::string& message, const char* kind);
    std::uint64_t errors() const { return errors_; }
    std::uint64_t warnings() const { return warnings_; }

private:
    std::string page_;
    std::string& out_;
    std::uint64_t errors_ = 0, warnings_ = 0;
};

// "1 row", "2 rows": `count` and the noun, in the plural unless the count is one.
std::string counted(std::uint64_t count, const char* noun);
// `text` in double quotes, with '"', '\' and control characters written as escapes, so that a
// finding always stays on its one line.
std::string quoted(const std::string& text);

}  // namespace zelko::check
