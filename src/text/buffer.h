// An output buffer that appends inline: for writers that write a lot in small pieces.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <string_view>

#include "text/bytes.h"

namespace zelko {

// Takes a buffer's bytes, a block at a time.
using ByteWriter = std::function<void(const char* bytes, std::size_t n)>;

// Bytes being written, appended as a std::string appends them (so that the same helpers write
// to either) but inline. Without a writer it grows as it must; with one it holds a block of
// fixed size, which goes to the writer whenever it is full.
class Buffer {
public:
    explicit Buffer(std::size_t block = 0, ByteWriter write = nullptr)
        : write_(std::move(write)), data_(new char[block]), capacity_(block)
    {}

    void append(const char* bytes, std::size_t n)
    {
        if (n > capacity_ - size_ && !makeRoom(bytes, n))
            return;
        std::memcpy(data_.get() + size_, bytes, n);
        size_ += n;
    }
    Buffer& operator+=(const char* text)
    {
        append(text, std::strlen(text));
        return *this;
    }
    Buffer& operator+=(std::string_view text)
    {
        append(text.data(), text.size());
        return *this;
    }
    Buffer& operator+=(char c)
    {
        append(&c, 1);
        return *this;
    }

    // Room for `n` more bytes, written through the pointer returned and then counted by
    // `commit` with the pointer just past them. A writer's block grows for an n beyond its size.
    char* room(std::size_t n)
    {
        if (n > capacity_ - size_)
            makeRoom(nullptr, n);
        return data_.get() + size_;
    }
    void commit(const char* end) { size_ = static_cast<std::size_t>(end - data_.get()); }

    const char* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    void clear() { size_ = 0; }

    // Hands the bytes held to the writer.
    void flush()
    {
        if (size_ > 0)
            write_(data_.get(), size_);
        size_ = 0;
    }

private:
    // Makes room for `n` more bytes; returns false when they went straight to the writer instead,
    // being more than its block holds. Room asked for without bytes is always made.
    ZELKO_NOINLINE bool makeRoom(const char* bytes, std::size_t n)
    {
        if (write_ != nullptr)
            flush();
        if (n <= capacity_ - size_)
            return true;
        if (write_ != nullptr && bytes != nullptr) {
            write_(bytes, n);
            return false;
        }
        const std::size_t capacity = std::max(2 * capacity_, size_ + n);
        std::unique_ptr<char[]> grown(new char[capacity]);
        if (size_ > 0)
            std::memcpy(grown.get(), data_.get(), size_);
        data_ = std::move(grown);
        capacity_ = capacity;
        return true;
    }

    ByteWriter write_;
    std::unique_ptr<char[]> data_;
    std::size_t capacity_, size_ = 0;
};

}  // namespace zelko
