#include "view/queue.h"

#include <algorithm>

namespace zelko::view {

ByteQueue::ByteQueue() : memory_(new char[kBlock * kBlocks])
{
    writing_ = memory_.get();
    for (std::size_t i = 1; i < kBlocks; ++i)
        empty_[emptyCount_++] = memory_.get() + i * kBlock;
}

void ByteQueue::putAcross(const char* bytes, std::size_t n)
{
    while (n > 0) {
        if (filled_ == kBlock)
            handOn();
        std::size_t part = std::min(n, kBlock - filled_);
        std::memcpy(writing_ + filled_, bytes, part);
        filled_ += part;
        bytes += part;
        n -= part;
    }
}

void ByteQueue::handOn()
{
    std::unique_lock<std::mutex> lock(mutex_);
    full_[(fullFirst_ + fullCount_++) % kBlocks] = Full{writing_, filled_};
    if (readerWaits_)
        changed_.notify_all();
    writerWaits_ = true;
    changed_.wait(lock, [this] { return emptyCount_ > 0; });
    writerWaits_ = false;
    writing_ = empty_[--emptyCount_];
    filled_ = 0;
}

void ByteQueue::close()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_)
        return;
    if (filled_ > 0)
        full_[(fullFirst_ + fullCount_++) % kBlocks] = Full{writing_, filled_};
    closed_ = true;
    changed_.notify_all();
}

bool ByteQueue::getAcross(char* bytes, std::size_t n)
{
    while (n > 0) {
        if (read_ == size_) {
            std::unique_lock<std::mutex> lock(mutex_);
            if (reading_ != nullptr) {  // the block read is free again
                empty_[emptyCount_++] = reading_;
                reading_ = nullptr;
                if (writerWaits_)
                    changed_.notify_all();
            }
            readerWaits_ = true;
            changed_.wait(lock, [this] { return fullCount_ > 0 || closed_; });
            readerWaits_ = false;
            if (fullCount_ == 0)
                return false;
            reading_ = full_[fullFirst_].block;
            size_ = full_[fullFirst_].size;
            fullFirst_ = (fullFirst_ + 1) % kBlocks;
            --fullCount_;
            read_ = 0;
        }
        std::size_t part = std::min(n, size_ - read_);
        std::memcpy(bytes, reading_ + read_, part);
        read_ += part;
        bytes += part;
        n -= part;
    }
    return true;
}

}  // namespace zelko::view
