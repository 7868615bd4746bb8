#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace qm {

// The thread that loads the sounds while the main thread goes on drawing. An error of the work
// is caught and kept as text: it neither shows nor stops the game, and what loaded before it
// stays loaded. The main thread asks Ended() each frame, or waits.
class TMusicLoading {
public:
    using TWork = std::function<void()>;

    // Starts the thread at once.
    explicit TMusicLoading(TWork work);
    // Waits for the work to end.
    ~TMusicLoading();
    TMusicLoading(const TMusicLoading&) = delete;
    TMusicLoading& operator=(const TMusicLoading&) = delete;

    bool Ended() const { return FEnded.load(std::memory_order_acquire); }
    void Wait();
    // The text of the error the work raised; empty when none. Read it once Ended() is true.
    const std::string& Error() const { return FError; }

private:
    void Body();

    TWork FWork;
    std::string FError;
    std::atomic<bool> FEnded{false};
    std::thread FThread;
};

} // namespace qm
