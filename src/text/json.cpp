#include "text/json.h"

#include "text/bytes.h"

namespace zelko {

void appendJsonString(std::string& out, std::string_view text)
{
    static const char digits[] = "0123456789abcdef";
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    out += '"';
    for (std::size_t i = 0; i < n;) {
        // Most of a message needs no escape: it is copied a run at a time.
        std::size_t run = i;
        while (run < n && p[run] >= 0x20 && p[run] < 0x7F && p[run] != '"' && p[run] != '\\')
            ++run;
        out.append(text.data() + i, run - i);
        if ((i = run) == n)
            break;
        unsigned char c = p[i];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\u00";
            out += digits[c >> 4];
            out += digits[c & 15];
        } else {
            // A byte from 0x80 up: a whole UTF-8 sequence is kept, any other byte replaced.
            std::size_t length = utf8Length(p + i, n - i);
            if (length == 0) {
                out += "\\ufffd";
                ++i;
                continue;
            }
            out.append(text.data() + i, length);
            i += length;
            continue;
        }
        ++i;
    }
    out += '"';
}

}  // namespace zelko
