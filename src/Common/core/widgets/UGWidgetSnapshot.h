#pragma once

#include "UGWidget.h"

#include <memory>

namespace qm {

class TGSprite;

// A picture of a widget in a render-target sprite of the widget's size, captured texture tile by
// texture tile.
class TGWidgetSnapshot : public IGWidgetSnapshot {
public:
    TGWidgetSnapshot(TGWidget& widget, int textureWidth, int textureHeight);
    ~TGWidgetSnapshot() override;

    void CaptureWidget() override;
    TGSprite& GetSprite() override { return *FSprite; }

private:
    TGWidget& FWidget;
    std::unique_ptr<TGSprite> FSprite;
};

} // namespace qm
