#pragma once

#include "UGWidget.h"

#include <memory>

namespace qm {

class IGAnimotion;

// The software mouse cursor: frame 0 of "stuff/Cursor" following the pointer on the interface
// clock. When the player chose the system arrow (ShowSystemCursor) it draws nothing.
class TCursor : public IGCursor {
public:
    static constexpr const char* SeqId = "stuff/Cursor";

    explicit TCursor(TGAppData& appData);
    ~TCursor() override;

    void SetKind(uint8_t kind) override;
    void Draw(int32_t x, int32_t y) override;
    bool GetVisible() override { return FVisible; }
    void SetVisible(bool visible) override { FVisible = visible; }

    uint8_t Kind() const { return FKind; }
    // How many times the cursor's animation started over (kind changes); for checks.
    int Restarts() const { return FRestarts; }
    // Where the cursor was last drawn, and whether it was drawn at all on that call.
    bool DrewLastTime() const { return FDrewLastTime; }

private:
    TGAppData& FAppData;
    std::shared_ptr<IGAnimotion> FAnimotion;
    uint8_t FKind = 0;
    bool FVisible = true;
    int FRestarts = 0;
    bool FDrewLastTime = false;
};

} // namespace qm
