#include "heads/worker.h"

namespace zelko::heads {

namespace {

// The tables that wait at most, how many wake a sleeping worker (each waking costs more than a
// small table), and the spares kept.
constexpr std::size_t kWaiting = 16, kWake = 8, kSpares = 16;
// The most memory a table handed on holds, and a spare keeps: the tables waiting and the spares
// together keep half the tables' memory at most.
constexpr std::size_t kHandedRoom = kTableMemory / 64;

}  // namespace

TableWorker::TableWorker(std::function<void(TableHeads&)> end)
    : end_(std::move(end)), thread_([this] { run(); })
{}

TableWorker::~TableWorker()
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        closing_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

bool TableWorker::takes(const TableHeads& table) { return !table.spilled() && table.taken() <= kHandedRoom; }

std::unique_ptr<TableHeads> TableWorker::hand(std::unique_ptr<TableHeads> table)
{
    std::unique_lock<std::mutex> hold(lock_);
    if (waiting_.size() >= kWaiting) {
        readerSleeps_ = true;
        roomy_.wait(hold, [this] { return waiting_.size() < kWaiting; });
        readerSleeps_ = false;
    }
    waiting_.push_back(std::move(table));
    if (workerSleeps_ && waiting_.size() >= kWake)
        wake_.notify_one();
    passOnFailure();
    if (spares_.empty())
        return nullptr;
    std::unique_ptr<TableHeads> spare = std::move(spares_.back());
    spares_.pop_back();
    return spare;
}

void TableWorker::finish()
{
    std::unique_lock<std::mutex> hold(lock_);
    if (workerSleeps_)
        wake_.notify_one();
    readerSleeps_ = true;
    roomy_.wait(hold, [this] { return waiting_.empty() && !busy_; });
    readerSleeps_ = false;
    passOnFailure();
}

// Neither side wakes the other unless it sleeps. After a failure the tables are passed over.
void TableWorker::run()
{
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        if (waiting_.empty()) {
            if (closing_)
                return;
            workerSleeps_ = true;
            wake_.wait(hold, [this] { return !waiting_.empty() || closing_; });
            workerSleeps_ = false;
            continue;
        }
        std::unique_ptr<TableHeads> table = std::move(waiting_.front());
        waiting_.pop_front();
        busy_ = true;
        const bool failed = failure_ != nullptr;
        hold.unlock();
        std::exception_ptr failure;
        if (!failed) {
            try {
                end_(*table);
            } catch (...) {
                failure = std::current_exception();
            }
        }
        if (table->taken() > kHandedRoom)  // what the passes added is given back
            table->release();
        hold.lock();
        if (failure)
            failure_ = failure;
        busy_ = false;
        if (spares_.size() < kSpares)
            spares_.push_back(std::move(table));
        if (readerSleeps_)
            roomy_.notify_one();
        if (table) {  // past the spares kept: its memory goes back to the budget
            hold.unlock();
            table.reset();
            hold.lock();
        }
    }
}

void TableWorker::passOnFailure()
{
    if (failure_ && !failurePassed_) {
        failurePassed_ = true;
        std::rethrow_exception(failure_);
    }
}

}  // namespace zelko::heads
