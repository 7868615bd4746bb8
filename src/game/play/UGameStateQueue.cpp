#include "UGameStateQueue.h"

#include "UGError.h"

#include <algorithm>

namespace qm {

// ---- TGameState ----

void TGameState::UpdateHelper() {
    Trace("UpdateHelper: " + GetName());
}

bool TGameState::Initialize() {
    Trace("Initialize: " + GetName());
    return true;
}

void TGameState::Finalize(bool /*removed*/) {
    Trace("Finilize: " + GetName());
}

IPlayManager* TGameState::GameManager() const {
    return FQueue.GameManager();
}

TGameData* TGameState::GameData() const {
    return FQueue.GameManager() ? FQueue.GameManager()->GameData() : nullptr;
}

TField* TGameState::Field() const {
    return FQueue.Field();
}

IPlayScreen& TGameState::GameScreen() const {
    if (!FQueue.GameScreen()) {
        throw EGError("TGameState.GetGameScreen");
    }
    return *FQueue.GameScreen();
}

void TGameState::Trace(const std::string& line) const {
    if (FQueue.Trace) {
        FQueue.Trace(line);
    }
}

// ---- TGameStateQueue ----

TGameStateQueue::TGameStateQueue(IPlayManager* manager) : FManager(manager) {}

TGameStateQueue::~TGameStateQueue() {
    Clear();
}

void TGameStateQueue::Append(std::unique_ptr<TGameState> state) {
    state->FSerial = FNextSerial++;
    TGameState& added = *state;
    FStates.push_back(std::move(state));
    Write("Create: " + added.GetName());
}

TGameState& TGameStateQueue::Adopt(std::unique_ptr<TGameState> state) {
    if (!state || &state->Queue() != this) {
        throw EGError("TGameStateQueue.Adopt", "the state was made for another queue");
    }
    TGameState& added = *state;
    Append(std::move(state));
    return added;
}

void TGameStateQueue::Write(const std::string& line) const {
    if (Trace) {
        Trace(line);
    }
}

bool TGameStateQueue::Free(const TGameState* state) {
    auto found =
        std::find_if(FStates.begin(), FStates.end(), [&](const auto& s) { return s.get() == state; });
    if (found == FStates.end()) {
        return false;
    }
    // Out of the list before it goes, so that nothing its destructor causes finds it there.
    std::unique_ptr<TGameState> freed = std::move(*found);
    FStates.erase(found);
    Write("Destroy: " + freed->GetName());
    freed.reset();
    return true;
}

TField* TGameStateQueue::Field() const {
    return FManager ? FManager->CurrentField() : nullptr;
}

std::vector<std::pair<TGameState*, uint64_t>> TGameStateQueue::Snapshot() const {
    std::vector<std::pair<TGameState*, uint64_t>> entries;
    entries.reserve(FStates.size());
    for (const auto& state : FStates) {
        entries.emplace_back(state.get(), state->FSerial);
    }
    return entries;
}

TGameState* TGameStateQueue::Present(const std::pair<TGameState*, uint64_t>& entry) const {
    for (const auto& state : FStates) {
        if (state.get() == entry.first && state->FSerial == entry.second) {
            return state.get();
        }
    }
    return nullptr;
}

bool TGameStateQueue::IsSkipped(const TGameState& state) const {
    if (state.Held()) {
        return true;
    }
    return state.IsBonusState() && FScreen && FScreen->IsBonusInteractionBlocked();
}

void TGameStateQueue::Update() {
    // States that ended last frame go first. Finalize may push successors; they are new and stay.
    for (size_t i = 0; i < FStates.size();) {
        TGameState* state = FStates[i].get();
        if (state->Status() != ssFinished && state->Status() != ssKilled) {
            ++i;
            continue;
        }
        if (state->Status() == ssFinished) {
            state->Finalize(false);
        }
        Free(state);
    }
    // Only the states present now are stepped: one pushed during this walk waits for the next
    // frame, and one freed during it is passed over.
    for (const auto& entry : Snapshot()) {
        if (TGameState* state = Present(entry); state && !IsSkipped(*state)) {
            Step(*state);
        }
    }
}

void TGameStateQueue::Step(TGameState& state) {
    if (state.Status() == ssKilled) {
        return;
    }
    if (state.Status() == ssNew) {
        if (!state.Initialize()) {
            return;
        }
        state.FStatus = ssRunning;
    }
    // Finished states are stepped until the next frame frees them, as are states that finish
    // in their UpdateHelper: their last Draw shows the frame they ended in.
    state.UpdateHelper();
    state.Draw();
}

void TGameStateQueue::Dispatch(const std::function<void(TGameState&)>& call) {
    if (FPaused || FStates.empty()) {
        return;
    }
    for (const auto& entry : Snapshot()) {
        if (TGameState* state = Present(entry); state && !IsSkipped(*state)) {
            call(*state);
        }
    }
}

void TGameStateQueue::MouseDown(int button, const TGInputState& input) {
    Dispatch([&](TGameState& state) { state.MouseDown(button, input); });
}

void TGameStateQueue::MouseUp(int button, const TGInputState& input) {
    Dispatch([&](TGameState& state) { state.MouseUp(button, input); });
}

void TGameStateQueue::MouseMove(const TGInputState& input) {
    Dispatch([&](TGameState& state) { state.MouseMove(input); });
}

void TGameStateQueue::KeyDown(int key, const TGInputState& input) {
    Dispatch([&](TGameState& state) { state.KeyDown(key, input); });
}

void TGameStateQueue::SetPaused(bool paused) {
    if (paused == FPaused) {
        return;
    }
    FPaused = paused;
    for (const auto& entry : Snapshot()) {
        if (TGameState* state = Present(entry)) {
            state->PausedChanged();
        }
    }
    if (FManager) {
        if (paused) {
            FManager->PausePlay();
        } else {
            FManager->ResumePlay();
        }
    }
}

void TGameStateQueue::ScreenAttached() {
    for (const auto& entry : Snapshot()) {
        if (TGameState* state = Present(entry)) {
            state->ScreenAttached();
        }
    }
}

void TGameStateQueue::RemoveAllMatching(const std::function<bool(const TGameState&)>& matches) {
    for (const auto& entry : Snapshot()) {
        TGameState* state = Present(entry);
        if (!state || !matches(*state)) {
            continue;
        }
        if (state->Status() == ssRunning) {
            state->Finalize(true);
        }
        Free(state);
    }
}

void TGameStateQueue::RemoveState(TGameState& state) {
    Free(&state);
}

void TGameStateQueue::Clear() {
    while (!FStates.empty()) {
        Free(FStates.front().get());
    }
}

} // namespace qm
