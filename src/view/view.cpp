#include "view/view.h"

#include <thread>

#include "html/reading.h"
#include "view/picture.h"
#include "view/queue.h"
#include "view/records.h"

namespace zelko::view {

// The page is read on the caller's thread and its picture written on a thread of its own, the
// two joined by a queue of records: reading and writing take about as long as each other.
struct PageViewer::Reading {
    Reading(const std::string& page, bool borders, Writer write, SpoolMaker spools, html::Transcode transcode)
        : reading(recorder, &recorder, kViewAttributes, ViewAttribute::count, slots, std::move(transcode)),
          picture(page, borders, slots, std::move(write), std::move(spools)), writing([this] { replay.run(); })
    {}
    ~Reading()
    {
        queue.close();
        if (writing.joinable())
            writing.join();
    }
    html::Slot slots[ViewAttribute::count] = {};  // filled in by the reading, which comes before the rest
    ByteQueue queue;
    RecordedAttributes attributes{kViewAttributes, slots, ViewAttribute::count};
    // The writing thread's parts apart from the reading thread's, on cache lines of their own.
    alignas(64) Recorder recorder{queue, attributes};
    html::PageReading reading;
    alignas(64) Picture picture;
    Replay replay{queue, attributes, picture, picture};
    std::thread writing;  // last: it starts once the rest is made
};

PageViewer::PageViewer(const std::string& page, bool borders, Writer write, SpoolMaker spools,
                       html::Transcode transcode)
    : reading_(new Reading(page, borders, std::move(write), std::move(spools), std::move(transcode)))
{}

PageViewer::~PageViewer() = default;

void PageViewer::feed(const char* bytes, std::size_t n) { reading_->reading.feed(bytes, n); }

void PageViewer::finish()
{
    reading_->reading.finish();
    reading_->queue.close();
    reading_->writing.join();
    reading_->picture.finish();
}

int PageViewer::spoolError() const { return reading_->picture.error(); }

std::string viewText(const std::string& text, bool borders, const std::string& page, std::size_t piece)
{
    std::string result;
    PageViewer viewer(page, borders,
                      [&result](const char* bytes, std::size_t n) { result.append(bytes, n); });
    html::feedInPieces(text, piece, [&viewer](const char* bytes, std::size_t n) { viewer.feed(bytes, n); });
    viewer.finish();
    return result;
}

}  // namespace zelko::view
