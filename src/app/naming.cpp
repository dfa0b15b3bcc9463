#include "app/naming.h"

#include <string>

#include "text/bounded.h"

namespace zelko {

// Both '\' and '/' separate directories: the tool is started as C:\tools\zelko.exe as well as
// ./zelko, and a dot in a directory name must not be taken for the extension. Every file name
// gets ".html", a one-letter one too, so the result is always a page and never a file that
// merely shares the tool's name.
int deriveResultName(char* dest, std::size_t destSize, const char* path)
{
    std::string name(path);
    std::size_t dot = name.rfind('.');
    std::size_t separator = name.find_last_of("\\/");
    bool hasSeparator = separator != std::string::npos;
    // The text from the last separator to the end, the separator included.
    std::size_t tail = hasSeparator ? name.size() - separator : name.size();

    if (dot != std::string::npos) {
        if (!hasSeparator || dot > separator) {
            name.resize(dot);
            name += ".html";
        } else if (tail > 1) {
            name += ".html";
        } else {
            return 1;
        }
    } else if (hasSeparator ? tail > 1 : tail > 0) {
        name += ".html";
    }
    if (name.size() + 1 > destSize)
        return 2;
    copyBounded(dest, destSize, name.data(), name.size());
    return 0;
}

}  // namespace zelko
