// What the platform layer does the same way everywhere.
#include "app/platform.h"

#include <cerrno>
#include <cstring>

namespace zelko {
namespace {

int firstConsoleError = 0;

}  // namespace

void writeStream(std::FILE* stream, std::string_view text)
{
    errno = 0;
    // The error of the first write that fails is the true one: a later flush may only say EIO.
    if (std::fwrite(text.data(), 1, text.size(), stream) != text.size() && stream == stdout &&
        firstConsoleError == 0)
        firstConsoleError = errno != 0 ? errno : EIO;
}

int flushConsole()
{
    errno = 0;
    if (std::fflush(stdout) != 0 && firstConsoleError == 0)
        firstConsoleError = errno != 0 ? errno : EIO;
    if (std::ferror(stdout) && firstConsoleError == 0)
        firstConsoleError = EIO;
    return firstConsoleError;
}

}  // namespace zelko
