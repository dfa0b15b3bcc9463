#include "check/report.h"

#include <charconv>

namespace zelko::check {

void appendNumber(std::string& out, std::uint64_t number)
{
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    out.append(digits, static_cast<std::size_t>(end - digits));
}

void Report::add(Location where, Severity severity, std::string_view message, const char* kind)
{
    static const char* const kSeverities[] = {"error", "warning", "note"};
    out_ += page_;
    out_ += ':';
    appendNumber(out_, where.line);
    out_ += ':';
    appendNumber(out_, where.column);
    out_ += ": ";
    out_ += kSeverities[static_cast<int>(severity)];
    out_ += ": ";
    out_ += message;
    out_ += " [";
    out_ += kind;
    out_ += "]\n";
    if (severity == Severity::error)
        ++errors_;
    else if (severity == Severity::warning)
        ++warnings_;
    if (out_.size() >= 64 * 1024)
        flush();
}

void Report::flush()
{
    if (!out_.empty())
        write_(out_);
    out_.clear();
}

void appendCounted(std::string& out, std::uint64_t count, const char* noun)
{
    appendNumber(out, count);
    out += ' ';
    out += noun;
    if (count != 1)
        out += 's';
}

void appendQuoted(std::string& out, std::string_view text)
{
    static const char digits[] = "0123456789abcdef";
    out += '"';
    for (char ch : text) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\x";
            out += digits[c >> 4];
            out += digits[c & 15];
        } else {
            out += ch;
        }
    }
    out += '"';
}

}  // namespace zelko::check
