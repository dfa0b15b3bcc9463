// What the platform layer does the same way everywhere.
#include "app/platform.h"

#include <cerrno>
#include <cstring>

namespace zelko {
namespace {

int firstConsoleError = 0;

}  // namespace

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

