// A thread that works out who heads each cell of the tables a headers reader hands it, while
// the page reads on. The tables wait for it in the order they ended, a few at most, and come back
// as spares once it is done with them, so that their stores keep their room from table to table.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "heads/reader.h"

namespace zelko::heads {

class TableWorker {
public:
    // `end` runs the passes over a table and hands it to the sink, on the worker's thread.
    explicit TableWorker(std::function<void(TableHeads&)> end);
    // Ends what waits, then the thread.
    ~TableWorker();
    TableWorker(const TableWorker&) = delete;
    TableWorker& operator=(const TableWorker&) = delete;

    // Whether a table goes to the worker: a small one, all in memory. A large one is worked out
    // where it ends, once the worker is done with the rest, so that one large table at a time
    // holds memory or scratches.
    static bool takes(const TableHeads& table);
    // Hands a table on, waiting while too many wait; returns a spare one, if any. Passes on what
    // `end` threw, once.
    std::unique_ptr<TableHeads> hand(std::unique_ptr<TableHeads> table);
    // Returns once every table handed on is done; passes on what `end` threw, once.
    void finish();

private:
    void run();
    void passOnFailure();  // under the lock

    std::function<void(TableHeads&)> end_;
    std::mutex lock_;
    std::condition_variable wake_, roomy_;
    std::deque<std::unique_ptr<TableHeads>> waiting_;
    std::vector<std::unique_ptr<TableHeads>> spares_;
    bool busy_ = false, closing_ = false, workerSleeps_ = false, readerSleeps_ = false;
    std::exception_ptr failure_;
    bool failurePassed_ = false;
    std::thread thread_;  // started once the rest is made
};

}  // namespace zelko::heads
