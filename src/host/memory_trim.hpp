#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace zorvanil::host {

// Sets up the C library's heap before the first connection thread starts. Its arenas are capped
// at twice the cores: by default each of up to eight arenas a core keeps the memory its threads
// freed at the top of its heap, which a trim does not reach, so that after 1,000 objects had come
// and gone a server kept 220 MB; with the cap and the trims below it is back within a few MB of
// where it started. Blocks of 1 MiB and more (the buffers and parsed JSON of large requests) are
// mapped apart and unmapped when freed: left to itself the library raises that threshold after
// the first large free and serves later large blocks from the arenas, where four concurrent
// applies of 10 MB peaked some 20 MB higher.
void configureHeap();

// Gives the heap memory that objects and their connections freed back to the system. The C
// library keeps freed memory in the arena of the thread that freed it (connection threads spread
// over many arenas) and returns little of it by itself, so that without a trim a server whose
// objects have come and gone keeps the resident size of its busiest moment. A trim walks every
// arena, so it runs on a thread of its own once no object has gone for a moment, not at every
// destruction.
class MemoryTrim {
  public:
    explicit MemoryTrim(std::chrono::milliseconds quiet = std::chrono::milliseconds(500));
    ~MemoryTrim();
    MemoryTrim(const MemoryTrim&) = delete;
    MemoryTrim& operator=(const MemoryTrim&) = delete;

    // An object was destroyed: memory is trimmed once no other has been for the quiet time.
    void objectDestroyed();
    // How many trims have run.
    int trims() const;

  private:
    using Clock = std::chrono::steady_clock;
    void run();

    const std::chrono::milliseconds quiet_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool pending_ = false;
    bool stopping_ = false;
    Clock::time_point lastDestroyed_;
    int trims_ = 0;
    std::thread thread_;  // last: starts once the members above are ready
};

}  // namespace zorvanil::host
