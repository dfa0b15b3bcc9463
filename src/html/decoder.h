// Decoding a page's bytes into the UTF-8 the reading takes, as a browser decodes a local page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace zelko::html {

// Receives the next `n` decoded bytes; returns false to stop the reading.
using Take = std::function<bool(const char* bytes, std::size_t n)>;

// Turns a page's bytes into what the readings take, as browsers decode a page: one that starts
// with a UTF-16 byte order mark (FF FE little-endian, FE FF big-endian) is decoded from UTF-16
// into UTF-8, unpaired surrogates and a lone last byte becoming U+FFFD; a UTF-8 byte order mark
// is dropped; any other page is handed on as it stands, once its first 1024 bytes have told the
// encoding they declare, if any (its markup reads alike in every encoding the tool decodes).
class PageDecoder {
public:
    // `onUtf16`, when given, is called once, before the first bytes are handed on, when the page
    // turns out to be UTF-16 (so that its reader can count columns in code units).
    // `onEncoding`, when given, is called once, before the first bytes are handed on, with the
    // encoding the page's first bytes declare (see encoding.h).
    explicit PageDecoder(Take take, std::function<void()> onUtf16 = {},
                         std::function<void(std::string_view)> onEncoding = {})
        : take_(std::move(take)), onUtf16_(std::move(onUtf16)), onEncoding_(std::move(onEncoding))
    {}
    // Takes the page's next `n` bytes; false when the taker stopped the reading.
    bool feed(const char* bytes, std::size_t n);
    // Ends the page. Call it once, after the last piece.
    bool finish();
    // True once the page is known to be UTF-16: from the first bytes handed on.
    bool fromUtf16() const { return form_ == Form::utf16le || form_ == Form::utf16be; }

private:
    enum class Form { unknown, prescan, bytes, utf16le, utf16be };
    bool decide();
    bool endPrescan();
    bool pass(const unsigned char* bytes, std::size_t n);
    Take take_;
    std::function<void()> onUtf16_;
    std::function<void(std::string_view)> onEncoding_;
    std::string prefix_;  // the first bytes of a page without a byte order mark, for the prescan
    Form form_ = Form::unknown;
    unsigned char head_[3] = {};
    std::size_t headSize_ = 0;
    bool hasOdd_ = false;  // the first byte of a code unit whose second is still to come
    unsigned char odd_ = 0;
    std::uint32_t high_ = 0;  // a high surrogate waiting for its low one
    std::string out_;
};

}  // namespace zelko::html
