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

} // namespace qm
