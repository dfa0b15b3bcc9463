#include "html/decoder.h"

#include <algorithm>

#include "html/encoding.h"
#include "text/bytes.h"

namespace zelko::html {

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
    if (form_ == Form::prescan) {
        const std::size_t taken = std::min(n, kPrescanBytes - prefix_.size());
        prefix_.append(reinterpret_cast<const char*>(p), taken);
        p += taken;
        n -= taken;
        if (prefix_.size() < kPrescanBytes)
            return true;  // a declaration may still be coming
        if (!endPrescan())
            return false;
    }
    return n == 0 || pass(p, n);
}

bool PageDecoder::finish()
{
    if (form_ == Form::unknown && !decide())
        return false;
    if (form_ == Form::prescan && !endPrescan())
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

// Decides the page's form from its first bytes (up to three) and hands on what of them is text;
// without a byte order mark, the page's first bytes are held for the prescan first.
bool PageDecoder::decide()
{
    const unsigned char* rest = head_;
    if (headSize_ >= 2 && head_[0] == 0xFF && head_[1] == 0xFE) {
        form_ = Form::utf16le;
        rest += 2;
    } else if (headSize_ >= 2 && head_[0] == 0xFE && head_[1] == 0xFF) {
        form_ = Form::utf16be;
        rest += 2;
    } else if (headSize_ == 3 && head_[0] == 0xEF && head_[1] == 0xBB && head_[2] == 0xBF) {
        form_ = Form::bytes;
        rest += 3;
    } else {
        form_ = Form::prescan;
        prefix_.assign(reinterpret_cast<const char*>(head_), headSize_);
        return true;
    }
    if (fromUtf16() && onUtf16_)
        onUtf16_();
    std::size_t n = static_cast<std::size_t>(head_ + headSize_ - rest);
    return n == 0 || pass(rest, n);
}

// Tells the encoding the page's first bytes declare, if any, and hands those bytes on.
bool PageDecoder::endPrescan()
{
    form_ = Form::bytes;
    const std::string_view encoding = prescanEncoding(prefix_);
    if (!encoding.empty() && onEncoding_)
        onEncoding_(encoding);
    std::string prefix;
    prefix.swap(prefix_);
    return prefix.empty() || pass(reinterpret_cast<const unsigned char*>(prefix.data()), prefix.size());
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

}  // namespace zelko::html
