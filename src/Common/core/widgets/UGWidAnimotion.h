#pragma once

#include "UGWidget.h"

#include <memory>

namespace qm {

class IGAnimotion;

// An animotion of the widget's own `Channel` children on the interface clock, played while
// the widget is drawn.
class TGWidAnimotion : public TGWidget {
public:
    using TGWidget::TGWidget;
    ~TGWidAnimotion() override;

    std::string GetClassName() const override { return "Animotion"; }
    void LoadFromXML(const TGXMLWidgetParams& params) override;
    void DrawSelf() override;

    std::shared_ptr<IGAnimotion> Animotion;
    // The animotion's root follows the widget.
    bool AniXYAutoSet = true;
};

} // namespace qm
