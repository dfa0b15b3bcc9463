#include "check/report.h"

namespace zelko::check {

void Report::add(Location where, Severity severity, const std::string& message, const char* kind)
{
    static const char* const kSeverities[] = {"error", "warning", "note"};
    out_ += page_;
    out_ += ':';
    out_ += std::to_string(where.line);
    out_ += ':';
    out_ += std::to_string(where.column);
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
}

std::string counted(std::uint64_t count, const char* noun)
{
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string quoted(const std::string& text)
{
    static const char digits[] = "0123456789abcdef";
    std::string out = "\"";
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
    return out + "\"";
}

}  // namespace zelko::check
