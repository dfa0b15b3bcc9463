// Where the view keeps what it has to write later than it learns it, beyond what it keeps in
// memory: a long list of findings waits there until its table ends, and the links of the
// page's totals until the page does. Bytes go in and come back out in the same order.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace zelko::view {

class Spool {
public:
    virtual ~Spool() = default;
    // Adds `n` bytes; returns 0 or the error number of a failed write.
    virtual int write(const char* bytes, std::size_t n) = 0;
    // Hands every byte written, in order, to `take`, and empties the spool; returns 0 or the
    // error number of a failed read.
    virtual int replay(const std::function<void(const char* bytes, std::size_t n)>& take) = 0;
};

// Makes a spool: null, with the error number in `error`, when none can be had.
using SpoolMaker = std::function<std::unique_ptr<Spool>(int& error)>;

// A spool in memory, for pages held in memory.
class MemorySpool : public Spool {
public:
    int write(const char* bytes, std::size_t n) override
    {
        bytes_.append(bytes, n);
        return 0;
    }
    int replay(const std::function<void(const char* bytes, std::size_t n)>& take) override
    {
        take(bytes_.data(), bytes_.size());
        bytes_.clear();
        return 0;
    }

private:
    std::string bytes_;
};

inline SpoolMaker memorySpools()
{
    return [](int&) { return std::make_unique<MemorySpool>(); };
}

}  // namespace zelko::view
