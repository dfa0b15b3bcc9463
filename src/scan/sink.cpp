#include "scan/sink.h"

#include <cerrno>
#include <cstring>

namespace zelko {

void OutSink::writeLong(const char* text, std::size_t n)
{
    while (n > 0) {
        if (used == kBlock)
            flush();
        std::size_t room = kBlock - used;
        std::size_t chunk = n < room ? n : room;
        std::memcpy(buffer + used, text, chunk);
        used += chunk;
        text += chunk;
        n -= chunk;
    }
}

void OutSink::write(const char* text) { write(text, std::strlen(text)); }

void OutSink::flush()
{
    if (used > 0 && error == 0) {
        errno = 0;
        if (std::fwrite(buffer, 1, used, file) != used)
            error = errno != 0 ? errno : EIO;
    }
    used = 0;
}

}  // namespace zelko
