// What the reading thread hands the writing thread: a record per table event or finding, its
// kind first, then its values as they lie in memory and its texts as a length and the bytes.
// The records are made from the one list of table events (html/events.h), each value put and
// got by its type, so a new event needs nothing here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "html/attributes.h"
#include "html/events.h"
#include "html/findings.h"
#include "view/queue.h"

namespace zelko::view {

enum class Record : std::uint8_t {
#define ZELKO_RECORD_NAME(name, parameters, arguments) name,
    ZELKO_TABLE_EVENTS(ZELKO_RECORD_NAME)
#undef ZELKO_RECORD_NAME
        finding
};

// The attributes a token's record carries: the writer's rows and their slots.
struct RecordedAttributes {
    const html::AttributeWish* rows;
    const html::Slot* slots;
    std::size_t count;
};

// On the reading thread: takes the events and findings of the page's tables, as records.
class Recorder : public html::TableEvents, public html::FindingSink {
public:
    Recorder(ByteQueue& queue, RecordedAttributes attributes) : queue_(queue), attributes_(attributes) {}

#define ZELKO_RECORD_EVENT(name, parameters, arguments)                                                      \
    void name parameters override                                                                            \
    {                                                                                                        \
        put(Record::name);                                                                                   \
        putAll arguments;                                                                                    \
    }
    ZELKO_TABLE_EVENTS(ZELKO_RECORD_EVENT)
#undef ZELKO_RECORD_EVENT
    void add(const html::Finding& finding) override;

private:
    template <typename... T>
    void putAll(const T&... values)
    {
        (put(values), ...);
    }
    template <typename T>
    void put(const T& value)
    {
        queue_.put(&value, sizeof value);
    }
    void put(const html::Token& token);
    void put(const html::Token* token);
    void put(const html::CellContent& content);
    void putText(const std::string& text);

    ByteQueue& queue_;
    RecordedAttributes attributes_;
};

// On the writing thread: reads the records as they come and hands them to `events` and
// `findings`, until the reading thread ends the stream.
class Replay {
public:
    Replay(ByteQueue& queue, RecordedAttributes attributes, html::TableEvents& events,
           html::FindingSink& findings)
        : queue_(queue), attributes_(attributes), events_(events), findings_(findings)
    {}

    void run();

private:
    // Gets the values of `event` in order and calls it.
    template <typename... A>
    void replay(void (html::TableEvents::*event)(A...));
    template <typename T>
    T take();
    template <typename T>
    T get()
    {
        T value{};
        queue_.get(&value, sizeof value);
        return value;
    }
    const html::Token& getToken();
    void getText(std::string& text);
    void replayFinding();

    ByteQueue& queue_;
    RecordedAttributes attributes_;
    html::TableEvents& events_;
    html::FindingSink& findings_;
    html::Token token_;  // the parts of a tag the writer reads, made again
    html::CellPlace place_;
    html::CellContent content_;
    std::vector<std::uint64_t> list_;  // a finding's list and texts, made again
    std::vector<std::string> texts_;
    std::vector<std::string_view> views_;
};

}  // namespace zelko::view
