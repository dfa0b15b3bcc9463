#include "app/spool.h"

#include <cerrno>
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

}  // namespace

view::SpoolMaker fileSpools()
{
    return [](int& error) -> std::unique_ptr<view::Spool> {
        errno = 0;
        std::FILE* file = openTemporaryFile();
        if (file == nullptr) {
            error = errno != 0 ? errno : EIO;
            return nullptr;
        }
        return std::make_unique<FileSpool>(file);
    };
}

}  // namespace zelko
