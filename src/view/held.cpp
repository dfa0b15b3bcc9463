#include "view/held.h"

namespace zelko::view {

void HeldText::fail(int error)
{
    failed_ = true;
    if (*error_ == 0)
        *error_ = error;
}

Buffer* HeldText::room()
{
    if (memory_.size() < kHeldBlock)
        return &memory_;
    if (failed_)
        return nullptr;
    int error = 0;
    if (spool_ == nullptr && (spool_ = (*spools_)(error)) == nullptr) {
        fail(error);
        return nullptr;
    }
    if ((error = spool_->write(memory_.data(), memory_.size())) != 0) {
        fail(error);
        return nullptr;
    }
    memory_.clear();
    return &memory_;
}

void HeldText::handOn(Buffer& out)
{
    if (spool_ != nullptr) {
        if (int error = spool_->replay([&out](const char* bytes, std::size_t n) { out.append(bytes, n); }))
            fail(error);
    }
    out.append(memory_.data(), memory_.size());
    clear();
}

void HeldText::clear()
{
    memory_.clear();
    spool_.reset();
    failed_ = false;
}

}  // namespace zelko::view
