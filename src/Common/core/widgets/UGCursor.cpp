#include "UGCursor.h"

#include "UGAnimotion.h"
#include "UGAppData.h"
#include "UGResManager.h"

namespace qm {

TCursor::TCursor(TGAppData& appData)
    : FAppData(appData), FAnimotion(std::make_shared<TGInterfaceAnimotion>(appData)) {
    SetKind(1);
    FVisible = true;
}

TCursor::~TCursor() = default;

void TCursor::SetKind(uint8_t kind) {
    if (kind == FKind) {
        return;
    }
    FKind = kind;
    // Every kind shows the one arrow; a new kind only starts its animation over.
    FAnimotion->ClearChannels();
    TGClipSeg& clip = FAnimotion->AddClipSeg(0);
    clip.SeqId = SeqId;
    clip.Pivot = pvLeftTop;
}

void TCursor::Draw(int32_t x, int32_t y) {
    FDrewLastTime = false;
    // The window shows the system arrow instead.
    if (FAppData.ShowSystemCursor) {
        return;
    }
    TGActiveChannel& arrow = FAnimotion->GetChannel(0);
    arrow.X = x;
    arrow.Y = y;
    // A screen whose resource set lacks the arrow still works, only without a pointer.
    if (FVisible && FAppData.ResManager && FAppData.ResManager->HasSeq(SeqId)) {
        FAnimotion->Draw();
        FDrewLastTime = true;
    }
}

} // namespace qm
