#pragma once

// Flows: little scripts of steps (play an animotion to its end, wait a time, call something once,
// wait for a condition, run a nested flow) that a state or a dialog builds once and then steps
// every frame until it reports that it is done. A sequential flow runs its steps one after
// another; a simultaneous flow runs all of them side by side and is done when all are.

#include "UGAnimotion.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace qm {

class TGTimer;
class IFlow;
using PFlow = std::shared_ptr<IFlow>;

// A value handed to a called procedure; kept unchanged with its step. An object is not owned.
using TFlowArg = std::variant<int64_t, double, bool, std::string, void*>;
using TFlowArgs = std::vector<TFlowArg>;

// Receives the arguments and the index of the last one (-1 for none).
using TFlowProcedure = std::function<void(const TFlowArgs& args, int lastIndex)>;

struct TFlowStep;
// Gets its own step and the flow's whole step list.
using TFlowStepProcedure = std::function<void(TFlowStep& step, std::vector<TFlowStep>& steps)>;

// One step; exactly one of the members is set, and a step with none counts as finished.
struct TFlowStep {
    PGAnimotion Animotion;
    std::function<void()> Action;
    std::function<bool()> Wait;
    TFlowProcedure Call;
    TFlowProcedure MethodCall;
    TFlowArgs Args;
    TFlowStepProcedure StepProcedure;
    PFlow Flow;
};

class IFlow {
public:
    virtual ~IFlow() = default;

    virtual void AddFlow(PFlow flow) = 0;
    // Drawn every time the step runs (which advances it on its clock); ends when it has finished.
    virtual void AddAnimotion(PGAnimotion animotion) = 0;
    virtual void AddAction(std::function<void()> action) = 0;
    // Ends the first time the condition holds.
    virtual void AddWait(std::function<bool()> condition) = 0;
    virtual void AddCall(TFlowProcedure procedure, TFlowArgs args) = 0;
    virtual void AddMethodCall(TFlowProcedure method, TFlowArgs args) = 0;
    virtual void AddStep(TFlowStepProcedure procedure) = 0;
    // Ends once `seconds` of that clock have passed; a paused clock holds it.
    virtual void AddDelay(TGTimer& clock, double seconds) = 0;
    // Appends a nested flow of that kind and returns it, for its steps to be added afterwards.
    virtual PFlow NewSimFlow() = 0;
    virtual PFlow NewSeqFlow() = 0;
    // Runs the flow once; answers (and keeps) whether it is done.
    virtual bool Step() = 0;
    virtual bool IsDone() const = 0;
};

class TFlow : public IFlow {
public:
    void AddFlow(PFlow flow) override;
    void AddAnimotion(PGAnimotion animotion) override;
    void AddAction(std::function<void()> action) override;
    void AddWait(std::function<bool()> condition) override;
    void AddCall(TFlowProcedure procedure, TFlowArgs args) override;
    void AddMethodCall(TFlowProcedure method, TFlowArgs args) override;
    void AddStep(TFlowStepProcedure procedure) override;
    void AddDelay(TGTimer& clock, double seconds) override;
    PFlow NewSimFlow() override;
    PFlow NewSeqFlow() override;
    // A flow that was never stepped is done.
    bool IsDone() const override { return FDone; }

    size_t StepCount() const { return FSteps.size(); }

protected:
    // Runs one step once; true when it has finished.
    bool RunStep(size_t index);

    std::vector<TFlowStep> FSteps;
    bool FDone = true;
};

// Runs its steps one after another: each starts in the Step after the one before it finished,
// so a flow of N steps answers true at the earliest on its (N + 1)-th Step.
class TSeqFlow : public TFlow {
public:
    bool Step() override;
    size_t Current() const { return FCurrent; }

private:
    size_t FCurrent = 0;
};

// Runs every step on every Step, finished ones included (a finished animotion keeps being drawn
// as it ended, an action is called again), and is done when all answered true.
class TSimFlow : public TFlow {
public:
    bool Step() override;
};

} // namespace qm
