#include "UGCursor.h"

#include "UGAppData.h"

namespace qm {

TCursor::TCursor(TGAppData& appData) : FAppData(appData) {
    SetKind(1);
    FVisible = true;
}

TCursor::~TCursor() = default;

void TCursor::SetKind(uint8_t kind) {
    if (kind == FKind) {
        return;
    }
    FKind = kind;
    ++FRestarts;
}

void TCursor::Draw(int32_t, int32_t) {
    FDrewLastTime = false;
    // The window shows the system arrow instead.
    if (FAppData.ShowSystemCursor || !FVisible) {
        return;
    }
    FDrewLastTime = true;
}

} // namespace qm
