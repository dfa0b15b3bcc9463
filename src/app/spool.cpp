#include "app/spool.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "app/platform.h"

namespace zelko {
namespace {

class FileSpool : public view::Spool {
public:
    explicit FileSpool(std::FILE* file) : file_(file) {}
    ~FileSpool() override { std::fclose(file_); }
    FileSpool(const FileSpool&) = delete;
    FileSpool& operator=(const FileSpool&) = delete;

    int write(const char* bytes, std::size_t n) override
    {
        errno = 0;
        if (std::fwrite(bytes, 1, n, file_) != n)
            return errno != 0 ? errno : EIO;
        return 0;
    }

    int replay(const std::function<void(const char* bytes, std::size_t n)>& take) override
    {
        errno = 0;
        if (std::fflush(file_) != 0 || std::fseek(file_, 0, SEEK_SET) != 0)
            return errno != 0 ? errno : EIO;
        char block[16 * 1024];
        for (std::size_t n; (n = std::fread(block, 1, sizeof block, file_)) > 0;)
            take(block, n);
        if (std::ferror(file_))
            return errno != 0 ? errno : EIO;
        return 0;
    }

private:
    std::FILE* file_;
};

// A scratch read and written at any offset. The file is moved only where the next byte is not
// the one after the last, or where reading follows writing (C asks for a move between them).
class FileScratch : public heads::Scratch {
public:
    explicit FileScratch(std::FILE* file) : file_(file) {}
    ~FileScratch() override { std::fclose(file_); }
    FileScratch(const FileScratch&) = delete;
    FileScratch& operator=(const FileScratch&) = delete;

    int write(std::uint64_t at, const void* bytes, std::size_t n) override
    {
        if (int error = moveTo(at, Last::wrote))
            return error;
        errno = 0;
        if (std::fwrite(bytes, 1, n, file_) != n)
            return fail();
        at_ += n;
        return 0;
    }

    int read(std::uint64_t at, void* bytes, std::size_t n) override
    {
        if (int error = moveTo(at, Last::read))
            return error;
        errno = 0;
        if (std::fread(bytes, 1, n, file_) != n)
            return fail();
        at_ += n;
        return 0;
    }

private:
    enum class Last { none, wrote, read };

    int moveTo(std::uint64_t at, Last next)
    {
        if (at == at_ && (last_ == next || last_ == Last::none)) {
            last_ = next;
            return 0;
        }
        last_ = Last::none;
        if (int error = seekFile(file_, at))
            return error;
        at_ = at;
        last_ = next;
        return 0;
    }

    int fail()
    {
        last_ = Last::none;
        at_ = UINT64_MAX;  // the next call moves the file first
        return errno != 0 ? errno : EIO;
    }

    std::FILE* file_;
    std::uint64_t at_ = 0;
    Last last_ = Last::none;
};

std::FILE* openScratchFile(int& error)
{
    errno = 0;
    std::FILE* file = openTemporaryFile();
    if (file == nullptr)
        error = errno != 0 ? errno : EIO;
    return file;
}

}  // namespace

heads::ScratchMaker fileScratches()
{
    return [](int& error) -> std::unique_ptr<heads::Scratch> {
        std::FILE* file = openScratchFile(error);
        return file == nullptr ? nullptr : std::make_unique<FileScratch>(file);
    };
}

view::SpoolMaker fileSpools()
{
    return [](int& error) -> std::unique_ptr<view::Spool> {
        std::FILE* file = openScratchFile(error);
        return file == nullptr ? nullptr : std::make_unique<FileSpool>(file);
    };
}

}  // namespace zelko
