#include "check/report.h"

#include <charconv>
#include <cstring>

namespace zelko::check {

void appendNumber(std::string& out, std::uint64_t number)
{
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    out.append(digits, static_cast<std::size_t>(end - digits));
}

void Report::add(Location where, Severity severity, std::string_view message, const char* kind)
{
    static const std::string_view kSeverities[] = {": error: ", ": warning: ", ": note: "};
    std::string_view severityText = kSeverities[static_cast<int>(severity)];
    std::string_view kindText(kind);
    // One line: the page, two numbers of at most 20 digits, the texts, and six separators.
    std::size_t at = out_.size();
    out_.resize(at + page_.size() + 2 * 20 + severityText.size() + message.size() + kindText.size() + 6);
    char* p = &out_[at];
    auto put = [&p](std::string_view text) {
        std::memcpy(p, text.data(), text.size());
        p += text.size();
    };
    put(page_);
    *p++ = ':';
    p = std::to_chars(p, p + 20, where.line).ptr;
    *p++ = ':';
    p = std::to_chars(p, p + 20, where.column).ptr;
    put(severityText);
    put(message);
    put(" [");
    put(kindText);
    *p++ = ']';
    *p++ = '\n';
    out_.resize(static_cast<std::size_t>(p - out_.data()));
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
