// The record of one tag: name, closing flag, and its class, colspan and rowspan attributes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zelko {

// Removes leading blanks (space, tab) from terminated `text`, stopping at the first removal that
// leaves no more characters than blanks removed, then removes every trailing blank.
void trimBlanks(char* text);

class TagInfo {
public:
    // How much of the tag a record reads: the name and closing flag alone, or the attributes too.
    enum class Parse { nameOnly, whole };

    // Parses terminated tag text `tagText` ('<' ... '>'); at most its first 1254 characters count.
    explicit TagInfo(const char* tagText, Parse parse = Parse::whole);
    // Parses the first `length` bytes of `tagText`, taken as they are (at most 1254 count).
    TagInfo(const char* tagText, std::size_t length, Parse parse = Parse::whole);
    virtual ~TagInfo();

    char name[20] = {};       // as written, letter case kept, at most 19 characters
    bool closing = false;     // the tag starts with '/'
    char className[20] = {};  // value of class, at most 19 characters
    std::int32_t colspan = 1;
    std::int32_t rowspan = 1;

private:
    void parse(const char* tagText, std::size_t length, Parse parse);
};

}  // namespace zelko
