// The scanner knows nothing of comments, scripts, quoting or entities. Per byte:
//   '<' opens a tag (a '<' inside an open tag is just another tag byte);
//   outside a tag, spaces and tabs are copied to the result and everything else is dropped;
//   inside a tag, allowed bytes are kept in the tag text, and the first bytes after each '<'
//   are kept unfiltered in the head, whose second character, if a digit, cancels the tag
//   ("a<5" is not a tag); '>' ends the tag and hands its text on;
//   every newline is copied, inside a tag or not.
// Bytes are compared through tables indexed by the unsigned byte, never through the locale.
#include "scan/scanner.h"

#include <cerrno>
#include <cstring>

namespace zelko {
namespace {

// Head bytes are kept, and the digit test made, only while fewer than this many bytes have been
// seen since the latest '<'. The count stops here, so a tag of any length cannot overflow it.
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

// 1 for the bytes copied to the result outside a tag: space, tab, newline.
constexpr std::array<unsigned char, 256> makeCopiedOutside()
{
    std::array<unsigned char, 256> table{};
    table[' '] = table['\t'] = table['\n'] = 1;
    return table;
}

constexpr std::array<unsigned char, 256> kCopiedOutside = makeCopiedOutside();

bool isDigit(char c) { return c >= '0' && c <= '9'; }

void cancelTag(ScanState& st)
{
    st.inTag = false;
    st.tagCount = 0;
    st.headLength = 0;
    st.textLength = 0;
}

// Handles one byte inside a tag (or the '<' that opens one). Returns true when the tag ended or
// was cancelled with this byte, so the bytes after it are outside a tag again.
bool tagByte(ScanState& st, unsigned char c, OutSink& out, TagHandler handler, void* context)
{
    if (c == '<') {
        st.inTag = true;
        st.tagCount = 0;
    }
    if (st.tagCount < kHeadLimit)
        ++st.tagCount;
    // The last place is kept for the '>', so every tag text handed on ends with it.
    if (kAllowedInTag[c] && st.textLength < (c == '>' ? kTextCapacity : kTextCapacity - 1))
        st.tagText[st.textLength++] = static_cast<char>(c);

    if (st.tagCount < kHeadLimit) {
        // A NUL is counted but adds nothing to the head.
        if (c != 0 && st.headLength < kTextCapacity)
            st.tagHead[st.headLength++] = static_cast<char>(c);
        if (st.headLength > 1 && isDigit(st.tagHead[1])) {
            cancelTag(st);
            return true;
        }
    }
    if (c == '>') {
        std::size_t length = st.textLength;
        cancelTag(st);
        if (length > 0) {
            st.tagText[length] = '\0';
            handler(context, st.tagText, length);
        }
        return true;
    }
    if (c == '\n')
        out.put('\n');
    return false;
}

// Copies the spaces, tabs and newlines of text that holds no '<' and lies outside any tag.
void copyBlanks(const unsigned char* p, const unsigned char* end, OutSink& out)
{
    while (p < end) {
        if (out.used == OutSink::kBlock)
            out.flush();
        std::size_t room = OutSink::kBlock - out.used;
        std::size_t chunk = static_cast<std::size_t>(end - p) < room ? end - p : room;
        char* o = out.buffer + out.used;
        for (std::size_t i = 0; i < chunk; ++i) {
            *o = static_cast<char>(p[i]);
            o += kCopiedOutside[p[i]];
        }
        out.used = static_cast<std::size_t>(o - out.buffer);
        p += chunk;
    }
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
            // Outside a tag only '<' starts anything: skip to it, copying the blanks.
            const void* lt = std::memchr(p, '<', static_cast<std::size_t>(end - p));
            const unsigned char* stop = lt != nullptr ? static_cast<const unsigned char*>(lt) : end;
            copyBlanks(p, stop, out);
            p = stop;
            if (p == end)
                break;
        }
        while (p < end)
            if (tagByte(st, *p++, out, handler, context))
                break;
    }
}

int scanStream(std::FILE* source, ScanState& st, OutSink& out, TagHandler handler,
               void* context)
{
    char block[64 * 1024];
    for (;;) {
        errno = 0;
        std::size_t n = std::fread(block, 1, sizeof block, source);
        int readError = errno;
        if (n > 0)
            scanBytes(st, block, n, out, handler, context);
        if (n < sizeof block) {
            if (std::ferror(source))
                return readError != 0 ? readError : EIO;
            return 0;
        }
    }
}

void ignoreTag(void*, const char*, std::size_t) {}

}  // namespace zelko
