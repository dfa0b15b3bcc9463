// A stream of bytes from one thread to another, in a few blocks of fixed size: the writer fills
// one while the reader empties another, and waits only when every block is full. Memory stays
// bounded whatever passes through it.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstring>
#include <memory>
#include <mutex>

namespace zelko::view {

class ByteQueue {
public:
    static constexpr std::size_t kBlock = 32 * 1024, kBlocks = 4;

    ByteQueue();

    // The writer's side: copies `n` bytes in.
    void put(const void* bytes, std::size_t n)
    {
        if (n == 0)
            return;  // an empty text may have no bytes to point at
        if (n <= kBlock - filled_) {
            std::memcpy(writing_ + filled_, bytes, n);
            filled_ += n;
        } else {
            putAcross(static_cast<const char*>(bytes), n);
        }
    }
    // Hands on what was put and ends the stream.
    void close();

    // The reader's side: copies the next `n` bytes out; false when the stream ended first.
    bool get(void* bytes, std::size_t n)
    {
        if (n <= size_ - read_) {
            std::memcpy(bytes, reading_ + read_, n);
            read_ += n;
            return true;
        }
        return getAcross(static_cast<char*>(bytes), n);
    }

    // The next `n` bytes where they lie, when the block being read holds them all: valid until
    // the next call. Null otherwise, with nothing got.
    const char* take(std::size_t n)
    {
        if (n > size_ - read_)
            return nullptr;
        const char* bytes = reading_ + read_;
        read_ += n;
        return bytes;
    }

private:
    struct Full {
        char* block;
        std::size_t size;
    };
    void putAcross(const char* bytes, std::size_t n);
    bool getAcross(char* bytes, std::size_t n);
    // Hands the block being written to the reader and takes an empty one.
    void handOn();

    std::unique_ptr<char[]> memory_;
    std::mutex mutex_;
    std::condition_variable changed_;
    Full full_[kBlocks];  // blocks written: `fullCount_` of them from `fullFirst_` on, in turn
    std::size_t fullFirst_ = 0, fullCount_ = 0;
    char* empty_[kBlocks];  // blocks free to write
    std::size_t emptyCount_ = 0;
    bool closed_ = false;
    bool readerWaits_ = false, writerWaits_ = false;

    // Each side's own place, on a cache line of its own: were they on one line, every byte put
    // would take it away from the reader, and every byte got from the writer.
    alignas(64) char* writing_ = nullptr;  // the writer's block, and the bytes in it
    std::size_t filled_ = 0;
    alignas(64) char* reading_ = nullptr;  // the reader's block, its bytes, and those read
    std::size_t size_ = 0, read_ = 0;      // the object's size rounds up to whole lines after them
};

}  // namespace zelko::view
