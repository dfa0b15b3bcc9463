// The scanner knows nothing of comments, scripts, quoting or entities. Per byte:
//   '<' opens a tag (a '<' inside an open tag is just another tag byte);
//   outside a tag, spaces and tabs are copied to the result and everything else is dropped;
//   inside a tag, allowed bytes are kept in the tag text. The head of a tag is its unfiltered
//   bytes, up to the 19th byte after the latest '<' ('<' itself being the first); a NUL counts
//   but is not kept. When the head's second character is a digit the tag is cancelled
//   ("a<5" is not a tag). '>' ends the tag and hands its text on. Every newline is copied,
//   inside a tag or not.
// Once the head's second character is known nothing can cancel the tag any more, so the rest
// of the tag is taken in one sweep up to its '>'. Bytes are compared through tables indexed by
// the unsigned byte, never through the locale.
#include "scan/scanner.h"

#include <cerrno>
#include <cstring>

namespace zelko {
namespace {

// Head bytes are kept only while fewer than this many bytes have been seen since the latest
// '<'. The count stops here, so a tag of any length cannot overflow it.
constexpr std::int32_t kHeadLimit = 20;

constexpr std::array<bool, 256> makeAllowed()
{
    std::array<bool, 256> table{};
    for (int c = 'A'; c <= 'z'; ++c)  // the letters and [ \ ] ^ _ ` between them
        table[c] = true;
    for (int c = '0'; c <= '9'; ++c)
        table[c] = true;
    const char punctuation[] = "<>=\"/.:&;, ";
    for (std::size_t i = 0; i + 1 < sizeof punctuation; ++i)
        table[static_cast<unsigned char>(punctuation[i])] = true;
    return table;
}

constexpr std::size_t countTrue(const std::array<bool, 256>& table)
{
    std::size_t n = 0;
    for (bool b : table)
        n += b ? 1 : 0;
    return n;
}

// The last place of the tag text is kept for the '>', so every tag text handed on ends with it.
constexpr std::size_t kTextRoom = kTextCapacity - 1;

bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

void resetTag(ScanState& st)
{
    st.inTag = false;
    st.tagCount = 0;
    st.headLength = 0;
    st.textLength = 0;
}

void endTag(ScanState& st, TagHandler handler, void* context)
{
    std::size_t length = st.textLength;
    st.tagText[length++] = '>';
    st.tagText[length] = '\0';
    resetTag(st);
    handler(context, st.tagText, length);
}

// The 16 bytes at `p`, of which `avail` are source bytes: in place when all 16 are, otherwise
// copied into `spare`. Every mask is cut at `avail`, so what follows is never looked at.
const unsigned char* chunkAt(const unsigned char* p, std::size_t avail,
                             unsigned char (&spare)[kChunk])
{
    if (avail == kChunk)
        return p;
    std::memset(spare, 0, kChunk);
    std::memcpy(spare, p, avail);
    return spare;
}

std::size_t available(const unsigned char* p, const unsigned char* end)
{
    return static_cast<std::size_t>(end - p) < kChunk ? static_cast<std::size_t>(end - p) : kChunk;
}

// Mask of the bits below bit `n` (n <= 16).
std::uint32_t below(unsigned n) { return (1u << n) - 1; }

// Copies the spaces, tabs and newlines of text outside a tag, up to the next '<' or the end.
// Returns where it stopped.
const unsigned char* copyBlanks(const unsigned char* p, const unsigned char* end, OutSink& out)
{
    unsigned char spare[kChunk];
    while (p < end) {
        if (out.used > OutSink::kBlock - kChunk)
            out.flush();  // room for a whole chunk of blanks
        std::size_t avail = available(p, end);
        const unsigned char* chunk = chunkAt(p, avail, spare);
        OutsideMasks m = outsideMasks(chunk);
        unsigned stop = lowestBit(m.open | 1u << avail);
        char* o = out.buffer + out.used;
        for (std::uint32_t blanks = m.blank & below(stop); blanks != 0; blanks &= blanks - 1)
            *o++ = static_cast<char>(chunk[lowestBit(blanks)]);
        out.used = static_cast<std::size_t>(o - out.buffer);
        p += stop;
        if (stop < avail)
            break;
    }
    return p;
}

// Takes the '<' that opens a tag: the first byte of its text and of its head.
void openTag(ScanState& st)
{
    st.inTag = true;
    st.tagCount = 1;
    st.tagText[0] = '<';
    st.textLength = 1;
    st.tagHead[0] = '<';
    st.headLength = 1;
}

// Takes tag bytes one at a time, after the '<' that opens the tag, until the head's second
// character is known, the tag is cancelled, or it ends. Returns where it stopped.
const unsigned char* scanHead(ScanState& st, const unsigned char* p, const unsigned char* end,
                              OutSink& out, TagHandler handler, void* context)
{
    while (p < end) {
        unsigned char c = *p++;
        if (c == '<')
            st.tagCount = 0;  // another '<' starts the count again
        if (st.tagCount < kHeadLimit)
            ++st.tagCount;
        if (kAllowedInTag[c] && c != '>' && st.textLength < kTextRoom)
            st.tagText[st.textLength++] = static_cast<char>(c);
        if (st.tagCount < kHeadLimit && c != 0) {
            st.tagHead[st.headLength++] = static_cast<char>(c);
            if (st.headLength == 2 && isDigit(c)) {
                resetTag(st);
                return p;
            }
        }
        if (c == '>') {
            endTag(st, handler, context);
            return p;
        }
        if (c == '\n')
            out.put('\n');
        if (st.headLength == 2)
            return p;
    }
    return p;
}

// Appends the allowed ones of the first `n` bytes of `chunk` to the tag text, as long as there
// is room.
void keepAllowed(ScanState& st, std::size_t& length, const unsigned char* chunk, unsigned n)
{
    if (length + kChunk <= kTextRoom) {
        // Cannot overflow: every byte is stored, only the allowed ones move the text on.
        for (unsigned i = 0; i < n; ++i) {
            st.tagText[length] = static_cast<char>(chunk[i]);
            length += kAllowedInTag[chunk[i]];
        }
        return;
    }
    for (unsigned i = 0; i < n && length < kTextRoom; ++i)
        if (kAllowedInTag[chunk[i]])
            st.tagText[length++] = static_cast<char>(chunk[i]);
}

// Takes the rest of a tag whose head is known, up to and including its '>'.
const unsigned char* scanBody(ScanState& st, const unsigned char* p, const unsigned char* end,
                              OutSink& out, TagHandler handler, void* context)
{
    unsigned char spare[kChunk];
    std::size_t length = st.textLength;
    std::size_t newlines = 0;
    bool closed = false;
    while (p < end) {
        std::size_t avail = available(p, end);
        const unsigned char* chunk = chunkAt(p, avail, spare);
        InsideMasks m = insideMasks(chunk);
        unsigned stop = lowestBit(m.close | 1u << avail);
        std::uint32_t before = below(stop);
        if ((m.newline & before) != 0)
            newlines += bitCount(m.newline & before);
        if ((m.dropped & before) == 0 && length + kChunk <= kTextRoom) {
            // Every byte up to the '>' is kept: store the chunk whole, move on by those bytes.
            std::memcpy(st.tagText + length, chunk, kChunk);
            length += stop;
        } else {
            keepAllowed(st, length, chunk, stop);
        }
        p += stop;
        if (stop < avail) {
            closed = true;
            break;
        }
    }
    st.textLength = length;
    // Nothing else is written before the tag ends, so its newlines can go out together.
    for (; newlines > 0; --newlines)
        out.put('\n');
    if (!closed)
        return end;
    endTag(st, handler, context);
    return p + 1;
}

}  // namespace

constexpr std::array<bool, 256> kAllowedTable = makeAllowed();
static_assert(countTrue(kAllowedTable) == 79, "a tag text admits exactly 79 byte values");
const std::array<bool, 256> kAllowedInTag = kAllowedTable;

void scanBytes(ScanState& st, const char* bytes, std::size_t n, OutSink& out,
               TagHandler handler, void* context)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
    const unsigned char* end = p + n;
    while (p < end) {
        if (!st.inTag) {
            // Outside a tag only '<' starts anything.
            p = copyBlanks(p, end, out);
            if (p == end)
                break;
            openTag(st);
            ++p;
        }
        if (st.headLength < 2)
            p = scanHead(st, p, end, out, handler, context);
        else
            p = scanBody(st, p, end, out, handler, context);
    }
}

int scan(std::FILE* source, ScanState& st, OutSink& out, TagHandler handler,
               void* context)
{
    char block[64 * 1024];
    for (;;) {
        errno = 0;
        std::size_t n = std::fread(block, 1, sizeof block, source);
        int readError = errno;
        if (n > 0)
            scanBytes(st, block, n, out, handler, context);
        if (out.error != 0)
            return 0;  // the write failure is the caller's to report; reading on is pointless
        if (n < sizeof block) {
            if (std::ferror(source))
                return readError != 0 ? readError : EIO;
            return 0;
        }
    }
}

void ignoreTag(void*, const char*, std::size_t) {}

}  // namespace zelko
