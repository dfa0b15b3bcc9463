// Block-buffered output: the default mode's result is collected and handed on in large blocks.
#pragma once

#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>

namespace zelko {

struct OutSink {
    // Large blocks keep the number of write calls, and their cost, low.
    static constexpr std::size_t kBlock = 256 * 1024;
    // Takes the next `n` bytes of the result.
    using Writer = std::function<void(const char* bytes, std::size_t n)>;

    explicit OutSink(Writer write) : write_(std::move(write)), block(new char[kBlock]), buffer(block.get()) {}

    void put(char c)
    {
        if (used == kBlock)
            flush();
        buffer[used++] = c;
    }
    // Appends `n` bytes of `text`.
    void write(const char* text, std::size_t n)
    {
        if (n <= kBlock - used) {
            std::memcpy(buffer + used, text, n);
            used += n;
        } else {
            writeLong(text, n);
        }
    }
    // Appends terminated `text`.
    void write(const char* text);
    // Appends `n` bytes that do not fit in the block's remaining room.
    void writeLong(const char* text, std::size_t n);
    // Hands the buffered bytes to the writer.
    void flush();

    std::size_t used = 0;

private:
    Writer write_;
    std::unique_ptr<char[]> block;

public:
    char* const buffer;  // kBlock bytes, of which `used` are filled
};

}  // namespace zelko
