#include "UGMusicLoading.h"

#include <exception>

namespace qm {

TMusicLoading::TMusicLoading(TWork work) : FWork(std::move(work)), FThread([this] { Body(); }) {}

TMusicLoading::~TMusicLoading() {
    Wait();
}

void TMusicLoading::Wait() {
    if (FThread.joinable()) {
        FThread.join();
    }
}

void TMusicLoading::Body() {
    FError.clear();
    try {
        if (FWork) {
            FWork();
        }
    } catch (const std::exception& error) {
        FError = error.what();
    } catch (...) {
        FError = "unknown error";
    }
    FEnded.store(true, std::memory_order_release);
}

} // namespace qm
