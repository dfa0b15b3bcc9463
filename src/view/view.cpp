#include "view/view.h"

#include <thread>

#include "html/reading.h"
#include "view/a11y.h"
#include "view/picture.h"
#include "view/queue.h"
#include "view/records.h"

namespace zelko::view {

namespace {

// With --a11y the tokens keep the headers reader's attributes after the view's own.
std::vector<html::AttributeWish> wishes(bool a11y)
{
    std::vector<html::AttributeWish> all(kViewAttributes, kViewAttributes + ViewAttribute::count);
    if (a11y)
        all.insert(all.end(), heads::kHeadsAttributes,
                   heads::kHeadsAttributes + heads::HeadsAttribute::count);
    return all;
}

}  // namespace

// The page is read on the caller's thread and its picture written on a thread of its own, the
// two joined by a queue of records: reading and writing take about as long as each other. With
// --a11y the writing thread also works out who heads each cell, from the same records.
struct PageViewer::Reading {
    Reading(const std::string& page, bool borders, ByteWriter write, SpoolMaker spools,
            html::Transcode transcode, bool a11y, heads::ScratchMaker scratches)
        : wished(wishes(a11y)),
          reading(recorder, &recorder, wished.data(), wished.size(), slots, std::move(transcode)),
          picture(page, borders, slots, std::move(write), std::move(spools)), headsView(picture, borders),
          heads(headsView, slots + ViewAttribute::count, heads::kTableMemory, std::move(scratches)),
          both(picture, heads),
          replay(queue, attributes, a11y ? static_cast<html::TableEvents&>(both) : picture, picture)
    {
        if (a11y)
            reading.collectCellContent();
        writing = std::thread([this] { replay.run(); });
    }
    ~Reading()
    {
        queue.close();
        if (writing.joinable())
            writing.join();
    }
    std::vector<html::AttributeWish> wished;
    html::Slot slots[ViewAttribute::count + heads::HeadsAttribute::count] = {};  // filled in by the reading
    ByteQueue queue;
    RecordedAttributes attributes{wished.data(), slots, wished.size()};
    // The writing thread's parts apart from the reading thread's, on cache lines of their own.
    alignas(64) Recorder recorder{queue, attributes};
    html::PageReading reading;
    alignas(64) Picture picture;
    HeadsView headsView;
    heads::HeadsReader heads;
    BothEvents both;
    Replay replay;
    std::thread writing;  // started once the rest is made
};

PageViewer::PageViewer(const std::string& page, bool borders, ByteWriter write, SpoolMaker spools,
                       html::Transcode transcode, bool a11y, heads::ScratchMaker scratches)
    : reading_(new Reading(page, borders, std::move(write), std::move(spools), std::move(transcode), a11y,
                           std::move(scratches)))
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

int PageViewer::spoolError() const
{
    return reading_->picture.error() != 0 ? reading_->picture.error() : reading_->heads.error();
}

std::string viewText(const std::string& text, bool borders, const std::string& page, std::size_t piece,
                     bool a11y)
{
    std::string result;
    PageViewer viewer(
        page, borders, [&result](const char* bytes, std::size_t n) { result.append(bytes, n); },
        memorySpools(), {}, a11y);
    html::feedInPieces(text, piece, [&viewer](const char* bytes, std::size_t n) { viewer.feed(bytes, n); });
    viewer.finish();
    return result;
}

}  // namespace zelko::view
