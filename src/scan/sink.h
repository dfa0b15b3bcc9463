// Block-buffered output to a stream. Output is collected and written in large blocks.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>

namespace zelko {

struct OutSink {
    // Large blocks keep the number of write calls, and their cost, low.
    static constexpr std::size_t kBlock = 256 * 1024;

    explicit OutSink(std::FILE* file) : file(file), block(new char[kBlock]), buffer(block.get()) {}

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
    // Hands the buffered bytes to the stream; after a failed write, output is dropped.
    void flush();

    std::FILE* file;
    int error = 0;  // error number of the first failed write, 0 while all went well
    std::size_t used = 0;

private:
    std::unique_ptr<char[]> block;

public:
    char* const buffer;  // kBlock bytes, of which `used` are filled
};

}  // namespace zelko
