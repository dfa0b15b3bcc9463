#include "heads/store.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace zelko::heads {

int MemoryScratch::write(std::uint64_t at, const void* bytes, std::size_t n)
{
    if (bytes_.size() < at + n)
        bytes_.resize(at + n);
    if (n > 0)
        std::memcpy(&bytes_[at], bytes, n);
    return 0;
}

int MemoryScratch::read(std::uint64_t at, void* bytes, std::size_t n)
{
    if (at + n > bytes_.size())
        return EIO;
    if (n > 0)
        std::memcpy(bytes, &bytes_[at], n);
    return 0;
}

ScratchMaker memoryScratches()
{
    return [](int&) { return std::make_unique<MemoryScratch>(); };
}

std::uint64_t ByteStore::addSlow(const void* bytes, std::size_t n)
{
    const std::uint64_t at = size_;
    if (!scratch_ && memory_.size() + n > memory_.capacity()) {
        // Memory grows as vectors do, while the budget has room for the new capacity beside the
        // old, which both stand while the bytes move.
        const std::size_t want = std::max(memory_.capacity() * 2, memory_.size() + n);
        const std::size_t more = want - taken_;
        bool fits = false;
        {
            std::lock_guard<std::mutex> hold(budget_.lock);
            fits = want <= budget_.left;
            if (fits)
                budget_.left -= more;
        }
        if (fits) {
            memory_.reserve(want);
            taken_ = want;
        } else {
            spill();
        }
    }
    writeSlow(at, bytes, n);
    return at;
}

void ByteStore::writeSlow(std::uint64_t at, const void* bytes, std::size_t n)
{
    if (at + n > size_)
        size_ = at + n;
    if (!scratch_) {
        if (memory_.size() < size_)
            memory_.resize(size_);
        if (n > 0)
            std::memcpy(&memory_[at], bytes, n);
        return;
    }
    const char* from = static_cast<const char*>(bytes);
    while (n > 0) {
        Block& block = blockAt(at / kBlockSize);
        const std::size_t offset = static_cast<std::size_t>(at % kBlockSize);
        const std::size_t part = std::min(n, kBlockSize - offset);
        std::memcpy(block.bytes.data() + offset, from, part);
        block.dirty = true;
        from += part;
        at += part;
        n -= part;
    }
}

void ByteStore::readSlow(std::uint64_t at, void* bytes, std::size_t n)
{
    if (!scratch_) {
        if (at + n <= memory_.size() && n > 0)
            std::memcpy(bytes, &memory_[at], n);
        else if (n > 0)
            std::memset(bytes, 0, n);
        return;
    }
    char* to = static_cast<char*>(bytes);
    while (n > 0) {
        const Block& block = blockAt(at / kBlockSize);
        const std::size_t offset = static_cast<std::size_t>(at % kBlockSize);
        const std::size_t part = std::min(n, kBlockSize - offset);
        std::memcpy(to, block.bytes.data() + offset, part);
        to += part;
        at += part;
        n -= part;
    }
}

// The block of the scratch at `index`, read in if it is not held; the least recently used one
// makes room for it.
ByteStore::Block& ByteStore::blockAt(std::uint64_t index)
{
    Block* pick = nullptr;
    for (Block& block : blocks_) {
        if (block.index == index) {
            block.used = ++clock_;
            return block;
        }
        if (pick == nullptr || block.used < pick->used)
            pick = &block;
    }
    if (blocks_.size() < kBlocks) {
        blocks_.emplace_back();
        pick = &blocks_.back();
        pick->bytes.resize(kBlockSize);
    } else {
        writeBack(*pick);
    }
    pick->index = index;
    pick->used = ++clock_;
    const std::uint64_t start = index * kBlockSize;
    std::size_t n = 0;
    if (start < inScratch_) {
        n = static_cast<std::size_t>(std::min<std::uint64_t>(kBlockSize, inScratch_ - start));
        if (int error = scratch_->read(start, pick->bytes.data(), n)) {
            fail(error);
            n = 0;
        }
    }
    std::fill(pick->bytes.begin() + static_cast<std::ptrdiff_t>(n), pick->bytes.end(), '\0');
    return *pick;
}

void ByteStore::writeBack(Block& block)
{
    if (!block.dirty)
        return;
    block.dirty = false;
    const std::uint64_t start = block.index * kBlockSize;
    if (start >= size_)
        return;
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kBlockSize, size_ - start));
    if (int error = scratch_->write(start, block.bytes.data(), n))
        fail(error);
    inScratch_ = std::max(inScratch_, start + n);
}

void ByteStore::fail(int error)
{
    std::lock_guard<std::mutex> hold(budget_.lock);
    if (budget_.error == 0)
        budget_.error = error;
}

// Moves what the store holds to a scratch, and gives its memory back.
void ByteStore::spill()
{
    int error = 0;
    {
        std::lock_guard<std::mutex> hold(budget_.lock);
        scratch_ = budget_.scratches ? budget_.scratches(error) : nullptr;
    }
    if (!scratch_) {
        // Without a scratch the bytes stay in memory, beyond the budget, and the failure is told.
        fail(error != 0 ? error : EIO);
        memory_.reserve(std::max(memory_.capacity() * 2, std::size_t{4096}));
        return;
    }
    if (int e = scratch_->write(0, memory_.data(), memory_.size()))
        fail(e);
    inScratch_ = memory_.size();
    blocks_.reserve(kBlocks);  // blocks are made as they are first needed
    std::vector<char>().swap(memory_);
    giveBack();
}

void ByteStore::giveBack()
{
    std::lock_guard<std::mutex> hold(budget_.lock);
    budget_.left += taken_;
    taken_ = 0;
}

ByteStore::~ByteStore() { giveBack(); }

// Keeps the memory it has, within the budget, for the next table.
void ByteStore::clear()
{
    memory_.clear();
    scratch_.reset();
    blocks_.clear();
    size_ = inScratch_ = 0;
}

void ByteStore::release()
{
    clear();
    std::vector<char>().swap(memory_);
    std::vector<Block>().swap(blocks_);
    giveBack();
}

}  // namespace zelko::heads
