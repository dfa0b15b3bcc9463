#include "text/append.h"

namespace zelko {

void appendQuoted(std::string& out, std::string_view text)
{
    static const char digits[] = "0123456789abcdef";
    out += '"';
    std::size_t plain = 0;  // where the bytes that need no escape, not yet appended, start
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const bool quote = c == '"' || c == '\\';
        if (!quote && c >= 0x20 && c != 0x7F)
            continue;
        out.append(text.data() + plain, i - plain);
        plain = i + 1;
        if (quote) {
            const char escaped[] = {'\\', text[i]};
            out.append(escaped, sizeof escaped);
        } else {
            const char escaped[] = {'\\', 'x', digits[c >> 4], digits[c & 15]};
            out.append(escaped, sizeof escaped);
        }
    }
    out.append(text.data() + plain, text.size() - plain);
    out += '"';
}

}  // namespace zelko
