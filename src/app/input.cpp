#include "app/input.h"

#include "app/platform.h"
#include "tag/bytes.h"

#include <cerrno>
#include <memory>

namespace zelko {

int readBlocks(std::FILE* source, const BlockTaker& take)
{
    // Every read asks for a whole block, so the stream's own buffer would only add a copy.
    std::setvbuf(source, nullptr, _IONBF, 0);
    std::unique_ptr<char[]> block(new char[kSourceBlock]);
    for (;;) {
        errno = 0;
        std::size_t n = std::fread(block.get(), 1, kSourceBlock, source);
        int readError = errno;
        if (n > 0 && !take(block.get(), n))
            return 0;
        if (n < kSourceBlock) {
            if (std::ferror(source))
                return readError != 0 ? readError : EIO;
            if (std::feof(source))
                return 0;
        }
    }
}

}  // namespace zelko

namespace zelko {

std::FILE* openPage(const std::string& name, bool binary)
{
    return name == "-" ? standardInput() : openSource(name.c_str(), binary);
}

std::string pageName(const std::string& name) { return name == "-" ? "<stdin>" : name; }

void closePage(std::FILE* page)
{
    if (page != stdin)
        std::fclose(page);
}

int readPage(std::FILE* source, const BlockTaker& take, const std::function<void()>& onUtf16)
{
    PageDecoder decoder(take, onUtf16);
    int readError =
        readBlocks(source, [&decoder](const char* bytes, std::size_t n) { return decoder.feed(bytes, n); });
    if (readError == 0)
        decoder.finish();
    return readError;
}

bool PageDecoder::feed(const char* bytes, std::size_t n)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    if (form_ == Form::unknown) {
        while (n > 0 && headSize_ < sizeof head_) {
            head_[headSize_++] = *p++;
            --n;
        }
        if (headSize_ < sizeof head_)
            return true;  // the mark may still be coming
        if (!decide())
            return false;
    }
    return n == 0 || pass(p, n);
}

bool PageDecoder::finish()
{
    if (form_ == Form::unknown && !decide())
        return false;
    if (!fromUtf16())
        return true;
    out_.clear();
    if (high_ != 0)
        appendUtf8(out_, 0xFFFD);
    if (hasOdd_)
        appendUtf8(out_, 0xFFFD);
    high_ = 0;
    hasOdd_ = false;
    return out_.empty() || take_(out_.data(), out_.size());
}

// Decides the page's form from its first bytes (up to three) and hands on what of them is text.
bool PageDecoder::decide()
{
    const unsigned char* rest = head_;
    if (headSize_ >= 2 && head_[0] == 0xFF && head_[1] == 0xFE) {
        form_ = Form::utf16le;
        rest += 2;
    } else if (headSize_ >= 2 && head_[0] == 0xFE && head_[1] == 0xFF) {
        form_ = Form::utf16be;
        rest += 2;
    } else {
        form_ = Form::bytes;
        if (headSize_ == 3 && head_[0] == 0xEF && head_[1] == 0xBB && head_[2] == 0xBF)
            rest += 3;
    }
    if (fromUtf16() && onUtf16_)
        onUtf16_();
    std::size_t n = static_cast<std::size_t>(head_ + headSize_ - rest);
    return n == 0 || pass(rest, n);
}

bool PageDecoder::pass(const unsigned char* p, std::size_t n)
{
    if (form_ == Form::bytes)
        return take_(reinterpret_cast<const char*>(p), n);
    out_.clear();
    out_.reserve(n / 2 * 3 + 8);
    const bool little = form_ == Form::utf16le;
    std::size_t i = 0;
    for (;;) {
        unsigned char a, b;
        if (hasOdd_) {
            if (i >= n)
                break;
            a = odd_;
            b = p[i++];
            hasOdd_ = false;
        } else if (i + 1 < n) {
            a = p[i];
            b = p[i + 1];
            i += 2;
        } else {
            if (i < n) {
                odd_ = p[i];
                hasOdd_ = true;
            }
            break;
        }
        std::uint32_t unit = little ? a | (b << 8) : (a << 8) | b;
        if (high_ != 0) {
            std::uint32_t high = high_;
            high_ = 0;
            if (unit >= 0xDC00 && unit <= 0xDFFF) {
                appendUtf8(out_, 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
                continue;
            }
            appendUtf8(out_, 0xFFFD);
        }
        if (unit >= 0xD800 && unit <= 0xDBFF)
            high_ = unit;
        else
            appendUtf8(out_, unit >= 0xDC00 && unit <= 0xDFFF ? 0xFFFD : unit);
    }
    return out_.empty() || take_(out_.data(), out_.size());
}

}  // namespace zelko
