#include "view/records.h"

#include <tuple>
#include <type_traits>

namespace zelko::view {

namespace {

// Records are put and got packed, without the padding their fields would have in memory: they
// cross from one core's cache to the other's, and each byte less is a byte less to carry.
#pragma pack(push, 1)
struct FindingHead {  // a finding's values, but for its list and texts
    html::Kind kind;
    Severity severity;
    std::uint64_t line, column;
    html::Target::Kind target;
    std::uint64_t table, row;
    std::uint32_t targetColumn;
    std::uint64_t numbers[4];
    std::uint32_t listSize, textCount;
};
#pragma pack(pop)

}  // namespace

void Recorder::putText(const std::string& text)
{
    put(static_cast<std::uint32_t>(text.size()));
    queue_.put(text.data(), text.size());
}

// A token: its tag, its line, and the writer's attributes that its tag may have.
void Recorder::put(const html::Token& token)
{
    put(token.tag);
    put(token.where.line);
    for (std::size_t i = 0; i < attributes_.count; ++i) {
        if (!html::holds(attributes_.rows[i].tags, token.tag))
            continue;
        const html::Slot slot = attributes_.slots[i];
        put(token.has(slot));
        if (token.has(slot))
            putText(token.value(slot));
    }
}

void Recorder::put(const html::Token* token)
{
    put(token != nullptr);
    if (token != nullptr)
        put(*token);
}

void Recorder::put(const html::CellContent& content)
{
    put(content.element);
    put(content.text);
    put(content.node);
    putText(content.name);
}

void Recorder::add(const html::Finding& f)
{
    const html::Target& t = f.target;
    put(Record::finding);
    put(FindingHead{f.kind,
                    f.severity,
                    f.where.line,
                    f.where.column,
                    t.kind,
                    t.table,
                    t.row,
                    t.column,
                    {f.numbers[0], f.numbers[1], f.numbers[2], f.numbers[3]},
                    static_cast<std::uint32_t>(f.listSize),
                    static_cast<std::uint32_t>(f.textCount)});
    queue_.put(f.list, f.listSize * sizeof *f.list);
    for (std::size_t i = 0; i < f.textCount; ++i) {
        put(static_cast<std::uint32_t>(f.texts[i].size()));
        queue_.put(f.texts[i].data(), f.texts[i].size());
    }
}

void Replay::run()
{
    for (Record record; queue_.get(&record, sizeof record);) {
        switch (record) {
#define ZELKO_REPLAY_EVENT(name, parameters, arguments)                                                      \
    case Record::name:                                                                                       \
        replay(&html::TableEvents::name);                                                                    \
        break;
            ZELKO_TABLE_EVENTS(ZELKO_REPLAY_EVENT)
#undef ZELKO_REPLAY_EVENT
        case Record::finding:
            replayFinding();
            break;
        }
    }
}

template <typename... A>
void Replay::replay(void (html::TableEvents::*event)(A...))
{
    // A braced list is evaluated in order: the values are got as they were put.
    std::tuple<A...> values{take<A>()...};
    std::apply([&](auto&&... value) { (events_.*event)(value...); }, values);
}

template <typename T>
T Replay::take()
{
    if constexpr (std::is_same_v<T, const html::Token&>) {
        return getToken();
    } else if constexpr (std::is_same_v<T, const html::Token*>) {
        return get<bool>() ? &getToken() : nullptr;
    } else if constexpr (std::is_same_v<T, const html::CellPlace&>) {
        place_ = get<html::CellPlace>();
        return place_;
    } else if constexpr (std::is_same_v<T, const html::CellContent&>) {
        content_.element = get<bool>();
        content_.text = get<bool>();
        content_.node = get<bool>();
        getText(content_.name);
        return content_;
    } else {
        return get<T>();
    }
}

const html::Token& Replay::getToken()
{
    token_.tag = get<html::Tag>();
    token_.where.line = get<std::uint64_t>();
    token_.present = 0;
    for (std::size_t i = 0; i < attributes_.count; ++i) {
        if (!html::holds(attributes_.rows[i].tags, token_.tag))
            continue;
        const html::Slot slot = attributes_.slots[i];
        if (get<bool>()) {
            token_.present |= std::uint32_t{1} << slot;
            getText(token_.values[slot]);
        }
    }
    return token_;
}

void Replay::getText(std::string& text)
{
    text.resize(get<std::uint32_t>());
    if (!text.empty())
        queue_.get(&text[0], text.size());
}

void Replay::replayFinding()
{
    const FindingHead head = get<FindingHead>();
    html::Finding f;
    f.kind = head.kind;
    f.severity = head.severity;
    f.where = {head.line, head.column};
    f.target = {head.target, head.table, head.row, head.targetColumn};
    std::copy(head.numbers, head.numbers + 4, f.numbers);
    list_.resize(head.listSize);
    if (!list_.empty())
        queue_.get(list_.data(), list_.size() * sizeof list_[0]);
    texts_.resize(head.textCount);
    views_.clear();
    for (std::string& text : texts_) {
        getText(text);
        views_.push_back(text);
    }
    f.list = list_.data();
    f.listSize = list_.size();
    f.texts = views_.data();
    f.textCount = views_.size();
    findings_.add(f);
}

}  // namespace zelko::view
