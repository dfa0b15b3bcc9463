// Where a table's cells wait until the table ends: in memory while all the tables open together
// stay within a budget, and beyond it in a temporary file (a scratch), so that a table of any
// size takes bounded memory. Records are read and written by index, bytes by their offset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zelko::heads {

// A file to write and read at any offset.
class Scratch {
public:
    virtual ~Scratch() = default;
    // Each returns 0 or the error number of a failed write or read.
    virtual int write(std::uint64_t at, const void* bytes, std::size_t n) = 0;
    virtual int read(std::uint64_t at, void* bytes, std::size_t n) = 0;
};

// Makes a scratch: null, with the error number in `error`, when none can be had.
using ScratchMaker = std::function<std::unique_ptr<Scratch>(int& error)>;

// A scratch in memory, for tests and pages held in memory.
class MemoryScratch : public Scratch {
public:
    int write(std::uint64_t at, const void* bytes, std::size_t n) override;
    int read(std::uint64_t at, void* bytes, std::size_t n) override;

private:
    std::string bytes_;
};
ScratchMaker memoryScratches();

// The bytes in memory that every store shares, and the first error of a scratch. Stores of
// tables on different threads share it: what they take and give back, the scratches they make
// and the errors they meet go through its lock.
struct Budget {
    Budget(std::size_t memory, ScratchMaker makers) : left(memory), scratches(std::move(makers)) {}
    std::size_t left;
    ScratchMaker scratches;
    int error = 0;
    std::mutex lock;
    int firstError()
    {
        std::lock_guard<std::mutex> hold(lock);
        return error;
    }
};

// A sequence of bytes, added at its end and read anywhere.
class ByteStore {
public:
    explicit ByteStore(Budget& budget) : budget_(budget) {}
    ~ByteStore();
    ByteStore(const ByteStore&) = delete;
    ByteStore& operator=(const ByteStore&) = delete;

    std::uint64_t size() const { return size_; }
    // Adds `n` bytes at the end; returns where they start.
    std::uint64_t add(const void* bytes, std::size_t n)
    {
        if (scratch_ || n == 0 || memory_.size() + n > memory_.capacity())
            return addSlow(bytes, n);
        const std::uint64_t at = size_;
        const char* from = static_cast<const char*>(bytes);
        memory_.insert(memory_.end(), from, from + n);
        size_ += n;
        return at;
    }
    // Reads `n` bytes at `at`; what cannot be read (after a scratch failed) is zero.
    void read(std::uint64_t at, void* bytes, std::size_t n)
    {
        if (scratch_ || n == 0 || at + n > memory_.size())
            return readSlow(at, bytes, n);
        std::memcpy(bytes, memory_.data() + at, n);
    }
    void write(std::uint64_t at, const void* bytes, std::size_t n)
    {
        if (scratch_ || n == 0 || at + n > memory_.size())
            return writeSlow(at, bytes, n);
        std::memcpy(memory_.data() + at, bytes, n);
    }
    // Empties the store; it keeps the memory it has, unless told to give it back.
    void clear();
    void release();
    // Whether it waits in a scratch; the bytes of the budget it holds.
    bool spilled() const { return scratch_ != nullptr; }
    std::size_t taken() const { return taken_; }

private:
    // A spilled store is read and written through a few blocks held in memory, so that nearby
    // records cost no call of the file each.
    struct Block {
        std::uint64_t index = UINT64_MAX;  // its place in the scratch, in blocks
        std::uint64_t used = 0;            // when it was last used
        bool dirty = false;
        std::vector<char> bytes;
    };
    static constexpr std::size_t kBlockSize = 16 * 1024, kBlocks = 8;

    // Spilled stores, and what the ones in memory cannot do in place.
    std::uint64_t addSlow(const void* bytes, std::size_t n);
    void readSlow(std::uint64_t at, void* bytes, std::size_t n);
    void writeSlow(std::uint64_t at, const void* bytes, std::size_t n);
    void spill();
    Block& blockAt(std::uint64_t index);
    void writeBack(Block& block);
    void fail(int error);
    void giveBack();

    Budget& budget_;
    std::vector<char> memory_;
    std::unique_ptr<Scratch> scratch_;
    std::vector<Block> blocks_;
    std::uint64_t size_ = 0;
    std::uint64_t inScratch_ = 0;  // the bytes the scratch holds
    std::uint64_t clock_ = 0;
    std::size_t taken_ = 0;  // of the budget
};

// Records of a type that is copied as bytes, by index.
template <typename T>
class RecordStore {
public:
    explicit RecordStore(Budget& budget) : bytes_(budget) {}

    std::uint64_t size() const { return bytes_.size() / sizeof(T); }
    std::uint64_t add(const T& record) { return bytes_.add(&record, sizeof record) / sizeof(T); }
    T get(std::uint64_t i)
    {
        T record;
        bytes_.read(i * sizeof(T), &record, sizeof record);
        return record;
    }
    void put(std::uint64_t i, const T& record) { bytes_.write(i * sizeof(T), &record, sizeof record); }
    void clear() { bytes_.clear(); }
    void release() { bytes_.release(); }
    bool spilled() const { return bytes_.spilled(); }
    std::size_t taken() const { return bytes_.taken(); }

private:
    ByteStore bytes_;
};

}  // namespace zelko::heads
