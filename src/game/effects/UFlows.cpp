#include "UFlows.h"

namespace qm {

void TFlow::AddFlow(PFlow flow) {
    TFlowStep step;
    step.Flow = std::move(flow);
    FSteps.push_back(std::move(step));
}

void TFlow::AddAnimotion(PGAnimotion animotion) {
    TFlowStep step;
    step.Animotion = std::move(animotion);
    FSteps.push_back(std::move(step));
}

void TFlow::AddAction(std::function<void()> action) {
    TFlowStep step;
    step.Action = std::move(action);
    FSteps.push_back(std::move(step));
}

void TFlow::AddWait(std::function<bool()> condition) {
    TFlowStep step;
    step.Wait = std::move(condition);
    FSteps.push_back(std::move(step));
}

void TFlow::AddCall(TFlowProcedure procedure, TFlowArgs args) {
    TFlowStep step;
    step.Call = std::move(procedure);
    step.Args = std::move(args);
    FSteps.push_back(std::move(step));
}

void TFlow::AddMethodCall(TFlowProcedure method, TFlowArgs args) {
    TFlowStep step;
    step.MethodCall = std::move(method);
    step.Args = std::move(args);
    FSteps.push_back(std::move(step));
}

void TFlow::AddStep(TFlowStepProcedure procedure) {
    TFlowStep step;
    step.StepProcedure = std::move(procedure);
    FSteps.push_back(std::move(step));
}

void TFlow::AddDelay(TGTimer& clock, double seconds) {
    // An animotion with nothing to draw whose one empty motion lasts the delay.
    auto delay = std::make_shared<TGAnimotion>(nullptr, &clock);
    delay->AddMotionSeg(0).Length = seconds;
    AddAnimotion(std::move(delay));
}

PFlow TFlow::NewSimFlow() {
    PFlow flow = std::make_shared<TSimFlow>();
    AddFlow(flow);
    return flow;
}

PFlow TFlow::NewSeqFlow() {
    PFlow flow = std::make_shared<TSeqFlow>();
    AddFlow(flow);
    return flow;
}

bool TFlow::RunStep(size_t index) {
    TFlowStep& step = FSteps[index];
    const int lastIndex = static_cast<int>(step.Args.size()) - 1;
    if (step.Animotion) {
        step.Animotion->Draw();
        return step.Animotion->IsFinished();
    }
    if (step.Action) {
        step.Action();
        return true;
    }
    if (step.Wait) {
        return step.Wait();
    }
    if (step.Call) {
        step.Call(step.Args, lastIndex);
        return true;
    }
    if (step.MethodCall) {
        step.MethodCall(step.Args, lastIndex);
        return true;
    }
    if (step.StepProcedure) {
        // A copy of the procedure: it may change the step list. (A procedure that adds steps
        // must not use its own record afterwards; the list may have moved.)
        TFlowStepProcedure procedure = step.StepProcedure;
        procedure(step, FSteps);
        return true;
    }
    if (step.Flow) {
        // Held by a copy: the nested flow may be stepped while the list it sits in grows.
        PFlow nested = step.Flow;
        return nested->Step();
    }
    return true;
}

bool TSeqFlow::Step() {
    bool done = true;
    if (FCurrent < FSteps.size()) {
        if (RunStep(FCurrent)) {
            ++FCurrent;
        }
        done = false;
    }
    FDone = done;
    return done;
}

bool TSimFlow::Step() {
    bool done = true;
    for (size_t i = 0; i < FSteps.size(); ++i) {
        // Every step runs, whatever the ones before answered.
        done = RunStep(i) && done;
    }
    FDone = done;
    return done;
}

} // namespace qm
