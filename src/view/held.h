// Text the view writes now and hands on later: in memory up to a block, and beyond it in a
// spool, so that memory stays bounded however long it grows.
#pragma once

#include <cstdint>
#include <memory>

#include "text/buffer.h"
#include "view/spool.h"

namespace zelko::view {

// The bytes of held text kept in memory; more go to a spool.
constexpr std::size_t kHeldBlock = 64 * 1024;

class HeldText {
public:
    // `spools` makes the spool, when one is needed; `error` takes the error number of the first
    // spool that cannot be had, written or read (0 while all is well).
    HeldText(const SpoolMaker& spools, int& error) : spools_(&spools), error_(&error) {}

    // Where the next piece is to be appended, having made room for it: null when the text can
    // hold no more (no spool could be had, or it failed), and the piece is to be dropped.
    Buffer* room();
    // Hands everything held on to `out`, in order, and empties the text.
    void handOn(Buffer& out);
    bool empty() const { return memory_.empty() && spool_ == nullptr; }
    void clear();

private:
    void fail(int error);

    const SpoolMaker* spools_;
    int* error_;
    Buffer memory_{0};  // the last part, after what the spool holds
    std::unique_ptr<Spool> spool_;
    bool failed_ = false;
};

}  // namespace zelko::view
