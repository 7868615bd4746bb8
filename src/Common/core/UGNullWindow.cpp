#include "UGNullWindow.h"

namespace qm {

bool TGNullWindow::WaitEvent(TGWindowEvent& event, int) {
    if (FQueue.empty()) {
        return false;
    }
    event = FQueue.front();
    FQueue.pop_front();
    return true;
}

std::vector<uint32_t> TGNullWindow::ReadBackBuffer() {
    return std::vector<uint32_t>(static_cast<size_t>(FWidth) * static_cast<size_t>(FHeight), FClear);
}

} // namespace qm
