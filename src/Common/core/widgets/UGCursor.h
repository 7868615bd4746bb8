#pragma once

#include "UGAnimotion.h"
#include "UGWidget.h"

#include <memory>

namespace qm {

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
    const PGAnimotion& Animotion() const { return FAnimotion; }
    // Whether the last Draw drew the arrow.
    bool DrewLastTime() const { return FDrewLastTime; }

private:
    TGAppData& FAppData;
    PGAnimotion FAnimotion;
    uint8_t FKind = 0;
    bool FVisible = true;
    bool FDrewLastTime = false;
};

} // namespace qm
