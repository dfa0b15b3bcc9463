// The check mode's report: one line per finding, in the format compilers use,
//   PAGE:LINE:COLUMN: SEVERITY: MESSAGE [KIND]
// handed on in batches of some 64 KiB, so that a report of any length takes little memory.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "check/tokenizer.h"

namespace zelko::check {

enum class Severity : std::uint8_t { error, warning, note };

class Report {
public:
    using Writer = std::function<void(const std::string&)>;
    Report(std::string page, Writer write) : page_(std::move(page)), write_(std::move(write)) {}
    ~Report() { flush(); }
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    void add(Location where, Severity severity, std::string_view message, const char* kind);
    // Hands on the lines not yet handed on.
    void flush();
    std::uint64_t errors() const { return errors_; }
    std::uint64_t warnings() const { return warnings_; }

private:
    std::string page_;
    Writer write_;
    std::string out_;
    std::uint64_t errors_ = 0, warnings_ = 0;
};

// Appends `number` in decimal.
void appendNumber(std::string& out, std::uint64_t number);
// Appends "1 row", "2 rows": `count` and the noun, in the plural unless the count is one.
void appendCounted(std::string& out, std::uint64_t count, const char* noun);
// Appends `text` in double quotes, with '"', '\' and control characters written as escapes, so
// that a finding always stays on its one line.
void appendQuoted(std::string& out, std::string_view text);

}  // namespace zelko::check
