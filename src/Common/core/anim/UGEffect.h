#pragma once

#include <memory>

namespace qm {

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

} // namespace qm
