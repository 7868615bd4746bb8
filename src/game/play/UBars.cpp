#include "UBars.h"

#include "UGFont.h"
#include "UGResManager.h"
#include "UGSprite.h"
#include "UGStrings.h"
#include "UGTimer.h"
#include "UGameEnvironment.h"
#include "USpecials.h"

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

constexpr uint32_t White = 0xFFFFFFFF;

// Frame 0 of a sequence; null when it is not loaded, so a picture the art lacks is left out
// instead of stopping play.
const TGSprite* FirstFrame(IBarHost& host, const std::string& name) {
    TGSequence* seq = host.FindSequence(name);
    return seq && seq->Count() > 0 ? &seq->GetSprite(0) : nullptr;
}

void DrawWhole(IBarHost& host, const std::string& name, double x, double y) {
    if (const TGSprite* sprite = FirstFrame(host, name)) {
        sprite->DrawAt(White, bmDefault, x, y);
    }
}

// The rows from `row` down to the bottom; (x, y) is where that row goes.
void DrawFromRow(const TGSprite& sprite, int row, double x, double y) {
    sprite.DrawPart({0.0, static_cast<double>(row), sprite.Width(), sprite.Height()}, White, x, y, bmDefault);
}

// An animotion taken from the configuration, started again from its beginning.
void Restart(IGAnimotion& animotion) {
    animotion.SetTime(0.0);
    animotion.SetVisible(true);
}

// Animotions advance while they are drawn; without art they only advance.
void RenderOrAdvance(IBarHost& host, IGAnimotion& animotion) {
    if (host.ResManager()) {
        animotion.Render(true);
    } else {
        animotion.Update(host.GameClock().Step);
    }
}

} // namespace

// ---- IBarHost ----

TGSequence* IBarHost::FindSequence(const std::string& name) {
    TGResManager* resources = ResManager();
    if (!resources || name.empty() || !resources->HasSeq(name)) {
        return nullptr;
    }
    return &resources->GetSeq(name);
}

int IBarHost::FrameCount(const std::string& name) {
    TGSequence* seq = FindSequence(name);
    return seq ? seq->Count() : 0;
}

TGFont* IBarHost::FindFont(const std::string& name) {
    TGResManager* resources = ResManager();
    return resources && resources->HasFont(name) ? &resources->GetFont(name) : nullptr;
}

// A bonus's pictures live in its kind's special folder, which is numbered by the special's id,
// not by its kind.
std::string IBarHost::BonusMainSeq(int kind) const {
    return SpecialFolder(kind) + "/Special";
}

std::string IBarHost::BonusGraySeq(int kind) const {
    return SpecialFolder(kind) + "/SpecialGray";
}

std::string IBarHost::BonusFillSeq(int kind) const {
    return SpecialFolder(kind) + "/SpecialFill";
}

int GaugeCut(int height, double total) {
    return static_cast<int>(std::nearbyint(height * (1.0 - total)));
}

// ---- TTimeBar ----

TTimeBar::TTimeBar(IBarHost& host) : FHost(host) {}

TTimeBar::~TTimeBar() = default;

void TTimeBar::SetTimeLimit(double seconds) {
    FTimeLimit = seconds;
    FState = Filling;
}

void TTimeBar::Step(double rate) {
    if (FPaused) {
        return;
    }
    const double dt = FHost.GameClock().Step;
    FTotal += Change(rate, dt);
    if (FFrozen) {
        RunFreeze(dt);
    }
}

double TTimeBar::Change(double rate, double dt) {
    switch (FState) {
    case Filling:
        return FillRate * dt;
    case Running:
        if (FFrozen) {
            return 0.0;
        }
        // A sublevel without time is over at once rather than dividing by zero.
        return FTimeLimit > 0.0 ? -dt / FTimeLimit : -FTotal;
    case Draining: {
        const double change = std::max(-FTotal, -std::max(rate, MinDrainRate) * dt);
        if (FAward) {
            // Each frame's fraction of a point is dropped.
            FHost.AddScore(static_cast<int>(std::fabs(change) * FHost.Env().TimeBarFullScore));
        }
        return change;
    }
    default:
        return 0.0;
    }
}

void TTimeBar::RunFreeze(double dt) {
    FFreezeLeft -= dt;
    if (FFreezeLeft <= 0.0) {
        EndFreeze(true);
    }
}

void TTimeBar::EndFreeze(bool animated) {
    if (!FFrozen) {
        return;
    }
    FFrozen = false;
    FFreezeLeft = 0.0;
    FIce.reset();
    if (animated) {
        StartThaw();
    }
}

// The frost bursts off the bar: the snowflake pulses and fades over 1.5 s.
void TTimeBar::StartThaw() {
    auto thaw = std::make_shared<TGAnimotion>(FHost.ResManager(), &FHost.GameClock());
    TGActiveChannel& flake = thaw->GetChannel(0);
    flake.SeqId = FHost.FindSequence("stuff/SpecialAct04") ? "stuff/SpecialAct04" : "";
    flake.Pivot = pvCenter;
    flake.X = FX + 32;
    flake.Y = FY + 96;
    TGMotionSeg& seg = flake.AddMotionSeg();
    seg.Length = 1.5;
    const double times[] = {0.0, 0.3, 0.6, 1.0};
    const double alphas[] = {1.0, 0.5, 1.0, 0.0};
    const double scales[] = {1.0, 1.4, 0.6, 1.0};
    for (int i = 0; i < 4; ++i) {
        seg.Alpha.AddKey(times[i], alphas[i]);
        seg.ScaleX.AddKey(times[i], scales[i]);
        seg.ScaleY.AddKey(times[i], scales[i]);
    }
    FThaw = std::move(thaw);
}

void TTimeBar::Drain(bool award) {
    if (FState == Stopped) {
        return;
    }
    EndFreeze(false);
    FState = Draining;
    FAward = award;
}

void TTimeBar::Freeze() {
    const double seconds = FHost.FreezeTime();
    if (FFrozen) {
        FFreezeLeft += seconds;
        if (FIce) {
            FIce->SetDuration(FFreezeLeft);
        }
        return;
    }
    FFrozen = true;
    FFreezeLeft = seconds;
    FIce = FHost.CreateTimeBarIce(seconds);
}

void TTimeBar::FreezeForever() {
    // Longer than any game lasts.
    constexpr double Forever = 5e10;
    FFrozen = true;
    FFreezeLeft = Forever;
    FIce = FHost.CreateTimeBarIce(Forever);
}

bool TTimeBar::IsHurryUp() const {
    return FState == Running && HurryUpSeconds / FTimeLimit > FTotal && !FHost.EndStateQueued();
}

void TTimeBar::LockLives() {
    FLivesLocked = true;
    FLockedLives = FHost.Lives();
}

int TTimeBar::DisplayedLives() const {
    return FLivesLocked ? FLockedLives : FHost.Lives();
}

void TTimeBar::UpdateAndDraw(int x, int y) {
    if (FState == Filling && FTotal > 1.0) {
        FState = Running;
    } else if ((FState == Running || FState == Draining) && FTotal <= 0.0) {
        FState = Stopped;
    }
    FTotal = std::clamp(FTotal, 0.0, 1.0);
    FX = x;
    FY = y;
    Draw();
}

void TTimeBar::Draw() {
    DrawWhole(FHost, "stuff/TimeLineEmpty", FX - 3, FY);
    // The fill rises from the bottom.
    if (const TGSprite* fill = FirstFrame(FHost, "stuff/TimeLineFill")) {
        const int cut = GaugeCut(static_cast<int>(std::lround(fill->Height())), FTotal);
        DrawFromRow(*fill, cut, FX + 22, FY + 71 + cut);
    }
    if (FIce) {
        FIce->Draw(FX, FY);
    }
    if (FFrozen) {
        DrawWhole(FHost, "stuff/SpecialAct04", FX + 7, FY + 71);
    }
    if (FThaw) {
        RenderOrAdvance(FHost, *FThaw);
        if (FThaw->IsFinished()) {
            FThaw.reset();
        }
    }
    if (!FHost.ExtraLifeAnimationShown()) {
        if (TGFont* font = FHost.FindFont("FontTitles")) {
            font->DrawStringEx(Format("%d", DisplayedLives()), {}, FX + 15, FY + 26, 33, 1, 1.0, 0.0);
        }
    }
}

// ---- TBrickBar ----

TBrickBar::TBrickBar(IBarHost& host) : FHost(host) {}

bool TBrickBar::IsCapped() const {
    return FHost.LevelNumber() < FHost.Env().ObligatoryLevels &&
           FHost.BricksInSublevel() >= FHost.MaxBricksPerObligatorySubLevel();
}

// Every call counts one frame off the doubled period, so several charges in one frame shorten it.
void TBrickBar::Add(double x) {
    if (IsCapped()) {
        return;
    }
    if (FDoubleOn) {
        FDoubleTime -= FHost.GameClock().Step;
        x *= 2.0;
        if (FDoubleTime <= 0.0) {
            FDoubleOn = false;
            FDoubleEnd = FHost.DoubleEndAnimotion();
            if (FDoubleEnd) {
                Restart(*FDoubleEnd);
            }
        }
    }
    if (FState != Filling) {
        x = 0.0;
    }
    FTotal += x;
}

void TBrickBar::Collect() {
    FCollect = FHost.BrickCollectAnimotion();
    if (FCollect) {
        FCollect->SetX(23);
        FCollect->SetY(-18);
        Restart(*FCollect);
    }
    FTotal = 0.0;
    FState = Filling;
}

void TBrickBar::StartDouble(double seconds) {
    FDoubleOn = true;
    FDoubleTime += seconds;
}

void TBrickBar::EndDouble() {
    FDoubleOn = false;
    FDoubleTime = 0.0;
}

void TBrickBar::UpdateAndDraw() {
    if (FState == Filling && FTotal >= FullAt) {
        FState = Full;
    }
    if (FTotal >= FullAt) {
        FTotal = 1.0;
    } else if (FTotal < 0.0) {
        FTotal = 0.0;
    }
    Draw();
}

void TBrickBar::Draw() {
    DrawWhole(FHost, "stuff/BrickLineEmpty", 50, 78);
    const TGSprite* fill = FirstFrame(FHost, "stuff/BrickLineFilll");
    if (fill && FTotal >= 0.0001) {
        const int cut = GaugeCut(static_cast<int>(std::lround(fill->Height())), FTotal);
        // The lit edge shows one row above the fill.
        if (const TGSprite* edge = FirstFrame(FHost, "stuff/BrickLineFilllLine")) {
            DrawFromRow(*edge, std::max(cut - 1, 0), 50, 77 + cut);
        }
        DrawFromRow(*fill, cut, 50, 78 + cut);
    }
    if (FDoubleOn) {
        const TGIntPoint icon = FHost.DoubleIconPosition();
        DrawWhole(FHost, "stuff/SpecialAct05", icon.X, icon.Y);
    }
    DrawMarbles();
    for (PGAnimotion* animotion : {&FCollect, &FDoubleEnd}) {
        if (*animotion) {
            RenderOrAdvance(FHost, **animotion);
            if ((*animotion)->IsFinished()) {
                animotion->reset();
            }
        }
    }
}

// The monument's colour stands out; on level 9 every colour counts.
void TBrickBar::DrawMarbles() {
    const char marvane = FHost.MarbleOfMarvane();
    const bool all = FHost.LevelNumber() == 9;
    for (int i = 1; i <= 8; ++i) {
        const bool normal = all || marvane == static_cast<char>('0' + i);
        const char* folder = normal ? "marbles_normal" : "marbles_shaded";
        DrawWhole(FHost, Format("ui/gamescreen/%s/marble%d", folder, i), 18, 57 + 20 * (i - 1));
    }
}

// ---- TShuffleBar ----

TShuffleBar::TShuffleBar(IBarHost& host) : FHost(host) {}

void TShuffleBar::Add(double x) {
    if (FState == Filling) {
        FTotal += x;
    } else if (FState == Emptying) {
        FTotal -= EmptyRate * FHost.GameClock().Step;
    }
}

void TShuffleBar::UpdateAndDraw() {
    if (FState == Emptying && FTotal < 0.0) {
        FState = Filling;
    }
    if (FState == Filling && FTotal >= 1.0) {
        FHost.PlaySound("ShuffleComplete");
        FFull = FHost.ShuffleFullAnimotion();
        if (FFull) {
            FFull->SetX(3);
            FFull->SetY(-8);
            Restart(*FFull);
        }
        FState = Full;
    }
    FTotal = std::clamp(FTotal, 0.0, 1.0);
    Draw();
}

// The gauge grows from left to right.
void TShuffleBar::Draw() {
    DrawWhole(FHost, "ui/gamescreen/ShuffleBtnEmpty", 19, 233);
    if (const TGSprite* full = FirstFrame(FHost, "ui/gamescreen/ShuffleBtnFull")) {
        const double width = std::nearbyint(full->Width() * FTotal);
        full->DrawPart({0.0, 0.0, width, full->Height()}, White, 27, 242, bmDefault);
    }
}

// ---- TBonusBar ----

TBonusBar::TBonusBar(IBarHost& host) : FHost(host) {}

void TBonusBar::Add(double x) {
    if (!FVisible || FHost.BonusStateQueued()) {
        return;
    }
    if (FState != Filling) {
        x = 0.0;
    }
    FTotal += x;
}

void TBonusBar::ResetBar() {
    FTotal = 0.0;
    FState = Filling;
}

void TBonusBar::UpdateAndDraw() {
    if (!FVisible) {
        return;
    }
    if (const TGSprite* base = FirstFrame(FHost, "ui/gamescreen/BonusBase")) {
        base->DrawAt(White, bmDefault, ButtonX - std::trunc(base->Width() / 2) + 1,
                     ButtonY - std::trunc(base->Height() / 2));
    }
    if (FState == Filling && FTotal > 1.0) {
        FState = Full;
    }
    if (FTotal > ReadyAt) {
        FTotal = 1.0;
    } else if (FTotal < 0.0) {
        FTotal = 0.0;
    }
    Draw();
}

// The selected bonus greyed, and over it the bonus in colour as far as the bar is charged: the
// charge rises from the bottom of the button.
void TBonusBar::Draw() {
    const int kind = FHost.SelectedBonusKind();
    if (kind == 0) {
        return;
    }
    // The line-freeze bonus shows the first frame of its own animation.
    const std::string mainName =
        kind == 4 ? std::string("specials/13/Special1stFrame") : FHost.BonusMainSeq(kind);
    const TGSprite* main = FirstFrame(FHost, mainName);
    auto left = [](const TGSprite& sprite) { return ButtonX - std::trunc(sprite.Width() / 2); };
    auto top = [](const TGSprite& sprite) { return ButtonY - std::trunc(sprite.Height() / 2); };
    if (const TGSprite* gray = FirstFrame(FHost, FHost.BonusGraySeq(kind))) {
        gray->DrawAt(White, bmDefault, left(*gray), top(*gray));
    }
    if (!main) {
        return;
    }
    const int cut = GaugeCut(static_cast<int>(std::lround(main->Height())), FTotal);
    const std::string fillName = FHost.BonusFillSeq(kind);
    if (FTotal >= 0.0001 && !fillName.empty()) {
        if (const TGSprite* edge = FirstFrame(FHost, fillName)) {
            DrawFromRow(*edge, std::max(cut - 1, 0), left(*edge), top(*edge) + cut - 1);
        }
    }
    DrawFromRow(*main, cut, left(*main), top(*main) + cut);
}

} // namespace qm
