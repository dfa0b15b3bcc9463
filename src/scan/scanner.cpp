// The scanner knows nothing of comments, scripts, quoting or entities. Per byte:
//   '<' opens a tag (a '<' inside an open tag is just another tag byte);
//   outside a tag, spaces and tabs are copied to the result and everything else is dropped;
//   inside a tag, allowed bytes are kept in the tag text. The head of a tag is its unfiltered
//   bytes, up to the 19th byte after the latest '<' ('<' itself being the first); a NUL counts
//   but is not kept. When the head's second character is a digit the tag is cancelled
//   ("a<5" is not a tag). '>' ends the tag and hands its text on. Every newline is copied,
//   inside a tag or not.
// The source is taken in windows of 64 bytes, each classified at once into bit masks ('<',
// blanks, '>', newlines, bytes a tag text drops), so runs of text and tag bodies are handled
// with a few bit operations instead of a test per byte. Once the head's second character is
// known nothing can cancel the tag any more. In the common case that character is the byte
// right after '<', and a tag that ends in the same window is taken whole from its masks; any
// other head goes byte by byte. Bytes are compared through tables and masks on the unsigned
// byte, never through the locale.
#include "scan/scanner.h"

#include <cstring>

#include "text/bytes.h"

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

// A tag text handed on can be read for kReadableText bytes: one in the text buffer because the
// buffer is larger, one left in the source because a window is read in place only when another
// window's worth of bytes beyond it can be read too (and the last ones are copied into a place
// that large).
static_assert(sizeof ScanState::tagText >= kReadableText, "the text buffer is readable");
static_assert(kReadableText <= kWindow + 1, "a text from the last byte of a window is readable");

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

// Takes one byte of a tag whose head is still open. The tag may end or be cancelled here.
void takeHeadByte(ScanState& st, unsigned char c, OutSink& out, TagHandler handler, void* context)
{
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
            return;
        }
    }
    if (c == '>') {
        endTag(st, handler, context);
        return;
    }
    if (c == '\n')
        out.put('\n');
}

// The bits from bit `i` up (i < 64), and the bits below bit `n` (n <= 64).
ZELKO_INLINE std::uint64_t bitsFrom(std::size_t i) { return ~std::uint64_t{0} << i; }
ZELKO_INLINE std::uint64_t bitsBelow(std::size_t n)
{
    return n < 64 ? (std::uint64_t{1} << n) - 1 : ~std::uint64_t{0};
}

// The first byte from `i` on whose bit is set in `mask`, or `avail` when there is none.
ZELKO_INLINE std::size_t firstFrom(std::uint64_t mask, std::size_t i, std::size_t avail)
{
    mask &= bitsFrom(i);
    return mask != 0 ? lowestBit(mask) : avail;
}

// Outside a tag: copies the blanks of window `w` from byte `i` up to the next '<' or the
// window's end, and returns where it stopped.
template <class Kit>
ZELKO_INLINE std::size_t copyBlanks(const unsigned char* w, const WindowMasks& m, std::size_t i,
                                    std::size_t avail, OutSink& out)
{
    std::size_t stop = firstFrom(m.open, i, avail);
    if (out.used > OutSink::kBlock - kWindow)
        out.flush();  // room for a whole window of blanks
    char* o = out.buffer + out.used;
    // As many spaces as there are blanks, without a branch; then the few tabs and newlines
    // among them are put in their places.
    std::uint64_t range = bitsFrom(i) & bitsBelow(stop);
    std::uint64_t blanks = (m.space | m.otherBlank) & range;
    std::memset(o, ' ', kWindow);
    for (std::uint64_t others = m.otherBlank & range; others != 0; others &= others - 1) {
        unsigned at = lowestBit(others);
        o[Kit::count(blanks & bitsBelow(at))] = static_cast<char>(w[at]);
    }
    out.used += Kit::count(blanks);
    return stop;
}

// Keeps the allowed bytes of window `w` from byte `from` up to (not including) byte `stop` in
// the tag text, which holds `length` bytes so far, and writes their newlines. Returns the new
// length. Nothing else is written before the tag ends, so its newlines can go out at once.
ZELKO_INLINE std::size_t keepTagBytes(ScanState& st, std::size_t length, const unsigned char* w,
                                      const WindowMasks& m, std::size_t from, std::size_t stop, OutSink& out)
{
    std::uint64_t range = bitsFrom(from) & bitsBelow(stop);
    for (std::uint64_t others = m.otherBlank & range; others != 0; others &= others - 1)
        if (w[lowestBit(others)] == '\n')
            out.put('\n');
    std::uint64_t drops = m.dropped & range;
    if (drops == 0 && length + kWindow <= kTextRoom) {
        // Nothing to drop, the common case: the rest of the window is stored whole and the
        // text moves on by the range's part of it.
        std::memcpy(st.tagText + length, w + from, kWindow);
        return length + (stop - from);
    }
    if (length + kWindow + kChunk <= kTextRoom) {
        // The runs of kept bytes between dropped ones are stored 16 bytes at a time. A store
        // may reach past its run; the next run or the tag's end writes over that.
        for (;;) {
            std::size_t to = drops != 0 ? lowestBit(drops) : stop;
            for (std::size_t k = from; k < to; k += kChunk)
                std::memcpy(st.tagText + length + (k - from), w + k, kChunk);
            length += to - from;
            if (drops == 0)
                return length;
            from = to + 1;
            drops &= drops - 1;
        }
    }
    // Near the end of the room: byte by byte, and nothing once it is full.
    for (std::size_t k = from; k < stop && length < kTextRoom; ++k)
        if (kAllowedInTag[w[k]])
            st.tagText[length++] = static_cast<char>(w[k]);
    return length;
}

// Inside a tag whose head is known: takes the bytes of window `w` from byte `i` up to the
// tag's '>' or the window's end, and returns where it stopped.
ZELKO_INLINE std::size_t takeBody(ScanState& st, const unsigned char* w, const WindowMasks& m, std::size_t i,
                                  std::size_t avail, OutSink& out)
{
    std::size_t stop = firstFrom(m.close, i, avail);
    st.textLength = keepTagBytes(st, st.textLength, w, m, i, stop, out);
    return stop;
}

}  // namespace

constexpr std::array<bool, 256> kAllowedTable = makeAllowed();
static_assert(countTrue(kAllowedTable) == 79, "a tag text admits exactly 79 byte values");
const std::array<bool, 256> kAllowedInTag = kAllowedTable;

namespace {

// How windows are classified and bits counted: portably (SSE2, or byte by byte elsewhere), or
// with AVX2 and the bit-count instruction, on processors that have them.
struct PortableKit {
    static WindowMasks classify(const unsigned char* p) { return classifyWindow(p); }
    static unsigned count(std::uint64_t bits) { return bitCount(bits); }
};

#ifdef ZELKO_HAVE_AVX2
#define ZELKO_AVX2 __attribute__((target("avx2,popcnt,bmi,bmi2")))
struct Avx2Kit {
    ZELKO_AVX2 static WindowMasks classify(const unsigned char* p) { return avx2::classifyWindow(p); }
    ZELKO_AVX2 static unsigned count(std::uint64_t bits)
    {
        return static_cast<unsigned>(__builtin_popcountll(bits));
    }
};
#endif

// The scanner proper, for one kit.
template <class Kit>
ZELKO_INLINE void scanWindows(ScanState& st, const unsigned char* p, const unsigned char* end, OutSink& out,
                              TagHandler handler, void* context)
{
    // A window is read in place when another window's worth beyond it can be read too (a tag
    // body may be stored 64 bytes at a time); the last ones are copied here, padded with zeros.
    unsigned char spare[2 * kWindow];
    while (p < end) {
        std::size_t left = static_cast<std::size_t>(end - p);
        std::size_t avail = left < kWindow ? left : kWindow;
        const unsigned char* w = p;
        if (left < 2 * kWindow) {
            std::memset(spare, 0, sizeof spare);
            std::memcpy(spare, p, avail);
            w = spare;
        }
        // Bits past `avail` belong to the padding, which holds no '<' and no '>': every run
        // below stops at `avail`.
        WindowMasks m = Kit::classify(w);
        std::size_t next = avail;  // where the next window starts
        std::size_t i = 0;
        while (i < avail) {
            if (st.inTag) {
                // A tag left open by the previous window, or one whose head is not simple.
                if (st.headLength < 2) {
                    takeHeadByte(st, w[i++], out, handler, context);
                    continue;
                }
                i = takeBody(st, w, m, i, avail, out);
                if (i == avail)
                    break;
                endTag(st, handler, context);
                ++i;
                continue;
            }
            std::size_t open = copyBlanks<Kit>(w, m, i, avail, out);
            if (open == avail)
                break;
            // The common case: the byte after '<' is at hand and not a NUL, so it completes the
            // head. Unless it is a digit, which cancels the tag ("a<5" is not a tag), the tag is
            // then its bytes from '<' to '>' filtered, taken at once when the '>' is at hand too.
            if (open + 1 < avail && w[open + 1] != 0) {
                if (isDigit(w[open + 1])) {
                    i = open + 2;
                    continue;
                }
                std::uint64_t closes = m.close & bitsFrom(open + 1);
                if (closes != 0) {
                    std::size_t close = lowestBit(closes);
                    i = close + 1;
                    if ((m.dropped & bitsFrom(open) & bitsBelow(close)) == 0) {
                        // Nothing to drop (so no newline either): the text is the source's
                        // bytes up to the '>', handed on where they are. The window can be
                        // read 64 bytes past its end, so the text can be read that far too.
                        handler(context, reinterpret_cast<const char*>(w + open), i - open);
                        continue;
                    }
                    std::size_t length = keepTagBytes(st, 0, w, m, open, close, out);
                    st.tagText[length++] = '>';
                    st.tagText[length] = '\0';
                    handler(context, st.tagText, length);
                    continue;
                }
            }
            // A tag that runs past this window is taken whole by the next one, which starts at
            // its '<'; one that starts a window and still runs past it goes on byte by byte
            // until its head is known.
            if (open > 0 && (open + 1 == avail || (m.close & bitsFrom(open + 1)) == 0)) {
                next = open;
                break;
            }
            openTag(st);
            i = open + 1;
        }
        p += next;
    }
}

void scanPortably(ScanState& st, const unsigned char* p, const unsigned char* end, OutSink& out,
                  TagHandler handler, void* context)
{
    scanWindows<PortableKit>(st, p, end, out, handler, context);
}

#ifdef ZELKO_HAVE_AVX2
ZELKO_AVX2 void scanWithAvx2(ScanState& st, const unsigned char* p, const unsigned char* end, OutSink& out,
                             TagHandler handler, void* context)
{
    scanWindows<Avx2Kit>(st, p, end, out, handler, context);
}
#endif

}  // namespace

void scanBytes(ScanState& st, const char* bytes, std::size_t n, OutSink& out, TagHandler handler,
               void* context, Simd simd)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
#ifdef ZELKO_HAVE_AVX2
    if (simd == Simd::fastest && avx2::available()) {
        scanWithAvx2(st, p, p + n, out, handler, context);
        return;
    }
#endif
    scanPortably(st, p, p + n, out, handler, context);
}

void ignoreTag(void*, const char*, std::size_t) {}

}  // namespace zelko
