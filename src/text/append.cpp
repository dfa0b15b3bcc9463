#include "text/append.h"

namespace zelko {

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

}  // namespace zelko
