#pragma once

#include "UGAnimotion.h"
#include "UGXMLNode.h"

#include <memory>
#include <vector>

namespace qm {

class TGBaseAppData;

// An animation that plays in place of a widget while it is being shown or hidden. The widget
// takes no input while its effect runs; the effect draws instead of the widget's own look.
// Effects are shared: a widget keeps its show and hide effects, and the one that runs.
class IGEffect {
public:
    virtual ~IGEffect() = default;

    // Restarts the effect from its beginning.
    virtual void Start() = 0;
    virtual bool IsFinished() = 0;
    // Draws one frame at the widget's absolute position and advances the effect.
    virtual void Draw(double x, double y) = 0;
};

using PGEffect = std::shared_ptr<IGEffect>;

// An effect written in XML: animotions on the interface clock, so they keep moving while play is
// paused. Channel 0 of each is placed on the widget; other channels follow it as its children.
class TGAniEffect : public IGEffect {
public:
    // Reads every `Animotion` child of the effect element, in document order.
    TGAniEffect(TGBaseAppData& app, const IGXMLNode& node);

    void Start() override;
    // Also true for an effect without animotions.
    bool IsFinished() override;
    void Draw(double x, double y) override;

    const std::vector<PGAnimotion>& Animotions() const { return FAnimotions; }

private:
    std::vector<PGAnimotion> FAnimotions;
};

// Builds the effect a `ShowEffect` or `HideEffect` element describes; its "Type" must be
// "AniEffect" ("CreateEffectFromXML: Unknown effect type: <type>" otherwise).
PGEffect CreateEffectFromXML(TGBaseAppData& app, const IGXMLNode& node);

} // namespace qm
