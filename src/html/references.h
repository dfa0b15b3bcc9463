// Character references in attribute values: read a byte at a time after their '&', as the
// standard's character reference states read them, and resolved to the text they stand for.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zelko::html {

class CharacterReference {
public:
    enum class Step : std::uint8_t {
        more,         // the byte belongs to the reference, which goes on
        ended,        // the reference ended before the byte, which is read again as part of the value
        endedOnByte,  // the byte was the reference's ';', which ended it
    };

    // Its '&' has come.
    void start();
    // Takes the next byte. When the reference ends, text() holds what stands in the value for
    // it: the character it names, or its own bytes when it names none.
    Step take(unsigned char c);
    const std::string& text() const { return text_; }

private:
    Step end(unsigned char next);

    std::string read_;         // from the '&': a name, or "#" and "x" but not the digits
    std::uint32_t value_ = 0;  // a numeric one's value so far, and its digits
    std::uint64_t digits_ = 0;
    std::string text_;
};

// Appends `text` to `out` with its character references resolved as text outside an attribute
// is read: numeric ones, and every named one of the standard (entities.h), taking the longest
// name that matches, a legacy one also without its ';'.
void appendResolved(std::string& out, std::string_view text);

// What the numeric character reference of `value` stands for: U+FFFD for none, the windows-1252
// character for a C1 control.
std::uint32_t numericReference(std::uint32_t value);

}  // namespace zelko::html
