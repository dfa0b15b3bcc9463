#include "scan/sink.h"

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
    if (used > 0)
        write_(buffer, used);
    used = 0;
}

}  // namespace zelko
