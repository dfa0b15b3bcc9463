#include "app/input.h"

#include <cerrno>
#include <memory>

#include "app/platform.h"

namespace zelko {

int readBlocks(std::FILE* source, const BlockTaker& take)
{
    // Every read asks for a whole block, so the stream's own buffer would only add a copy.
    std::setvbuf(source, nullptr, _IONBF, 0);
    std::unique_ptr<char[]> block(new char[kSourceBlock]);
    for (;;) {
        errno = 0;
        std::size_t n = std::fread(block.get(), 1, kSourceBlock, source);
        int readError = errno;
        if (n > 0 && !take(block.get(), n))
            return 0;
        if (n < kSourceBlock) {
            if (std::ferror(source))
                return readError != 0 ? readError : EIO;
            if (std::feof(source))
                return 0;
        }
    }
}

std::FILE* openPage(const std::string& name, bool binary)
{
    return name == "-" ? standardInput() : openSource(name.c_str(), binary);
}

std::string pageName(const std::string& name) { return name == "-" ? "<stdin>" : name; }

void closePage(std::FILE* page)
{
    if (page != stdin)
        std::fclose(page);
}

}  // namespace zelko
