#include "html/numbers.h"

#include "text/bytes.h"

namespace zelko::html {

long parseNonNegative(std::string_view text, long cap)
{
    std::size_t i = 0;
    while (i < text.size() && isHtmlWhite(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size() || !isDigit(static_cast<unsigned char>(text[i])))
        return -1;
    long value = 0;
    for (; i < text.size() && isDigit(static_cast<unsigned char>(text[i])); ++i) {
        if (value <= cap)
            value = value * 10 + (text[i] - '0');
    }
    if (negative && value != 0)
        return -1;  // "-0" is zero, any other negative number is no number at all
    return value > cap ? cap : value;
}

}  // namespace zelko::html
