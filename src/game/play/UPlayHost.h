#pragma once

// What the board needs from the rest of the game. The game manager, the player's progress and the
// state queue are not all there yet, so the field and its elements reach them through this one
// narrow interface: the game implements it, tests implement it with plain values.

#include <memory>
#include <string>

namespace qm {

class TCell;
class TField;
class TGameEnvironment;
class TGGraphicsDevice;
class TGResManager;
class TGSequence;
class TGTimer;
class TGameStateQueue;
class TSimpleElement;
class TSpecial;
struct TParticleEnv;

// The small bonuses the board asks about (their numbers are the saved ones).
enum TSmallBonus : int {
    sbNone = 0,
    sbBombDoubleTime = 1,
    sbBonusesBlastTwoLayer = 8,
    sbAnyMathBlastColorCell = 10,
};

// "Match" for the first group after a move, then "Combo1" up to "Combo10" for the cascade.
std::string ComboSoundName(int comboCount);
// The three specials the board makes itself (line freeze, cross fire, super bonus) have their own
// appear sounds; every other kind shares one.
std::string SpecialAppearSoundName(int kind);

class IPlayHost {
public:
    virtual ~IPlayHost() = default;

    // Engine services.
    virtual const TGameEnvironment& Env() const = 0;
    virtual TGTimer& GameClock() = 0;
    // Both may be null (tests): then nothing is drawn and elements move on the clock only.
    virtual TGResManager* ResManager() = 0;
    virtual TGGraphicsDevice* Device() = 0;
    // The sequence of that name, or null when it is not loaded.
    virtual TGSequence* FindSeq(const std::string& name);

    // The game manager's hooks. Defaults do nothing, so a host only writes what it follows.
    // True when the combo sound was played (then the field counts the combo).
    virtual bool PlayComboSound(int /*comboCount*/) { return false; }
    virtual void PlaySpecialAppearSound(TSpecial& /*special*/) {}
    virtual void AddScore(int /*points*/) {}
    virtual bool ScoreMultiplierOn() const { return false; }
    // The marble of the level's monument colour was matched: brick and shuffle bars grow.
    virtual void MarvaneMarbleMatched() {}
    // A marble died: the brick bar grows by the level's increment for other marbles.
    virtual void MarbleKilled() {}
    // A colour cell was cleared: the brick bar grows and the blast effect starts at its centre.
    virtual void ColorCellBlasted(TCell& /*cell*/) {}
    virtual void SpawnBricksFromCell(TCell& /*cell*/) {}
    // A box reached the bottom: the player counts it and the work zone takes it at (x, y).
    virtual void BoxCollected(int /*x*/, int /*y*/, bool /*secondKind*/) {}
    // The waiting state drops its selection of an element that starts to fall.
    virtual void ElementStartsFalling(TSimpleElement& element);
    // The field in play, where dying elements leave their dust; null while there is none.
    virtual TField* CurrentField() { return nullptr; }
    // Resources and clocks of the board's particle effects; by default the game clock drives both
    // clocks, as every effect of the board runs on game time.
    virtual TParticleEnv ParticleEnv();
    // The special of a kind at a position, or the error "TGameManager.SpecialKindClass".
    virtual std::unique_ptr<TSpecial> CreateSpecial(int kind, int x, int y);
    // The sequences of a special kind: normal and selected.
    virtual std::string SpecialMainSeq(int kind) const;
    virtual std::string SpecialSelectSeq(int kind) const;
    // The "BonusLight" sequence of a special kind, empty when it has none.
    virtual std::string SpecialBonusLight(int /*kind*/) const { return {}; }

    // "Explosion" + the kind's id when a special or a bonus fires; the game manager holds it back
    // when many come at once.
    virtual void PlayBlastSound(int /*kind*/) {}
    // A line-freeze, cross-fire or diagonal special fired: one fewer before the super bonus.
    virtual void ConsumeSuperBonusSpecial();
    // The super bonus found marbles to erase: n times 5 points.
    virtual void AddBonusScores(int n);
    // Where the specials push the states of their effects (the frozen row); none in a host
    // without play states, where those effects do not run.
    virtual TGameStateQueue* StateQueue() { return nullptr; }

    // The state queue: which states are waiting.
    virtual bool SubLevelCompleteQueued() const { return false; }
    // A frozen row or a planted column keeps the board from being stable.
    virtual bool FieldEffectQueued() const { return false; }
    virtual void PushPackState() {}
    virtual bool OnPuzzleScreen() const { return false; }

    // The player's progress.
    virtual bool HasSmallBonus(TSmallBonus /*bonus*/) const { return false; }
    virtual bool RandomFlip() const { return false; }
    virtual bool BoxCountReached() const { return false; }
    virtual int BoxesCounted() const { return 0; }
    virtual int BoxQuota() const { return 0; }
    // The colour digit of the level's monument marble; '0' when there is none.
    virtual char MarbleOfMarvane() const { return '0'; }
    // Counts down with every special that fires; at 0 the next new element is the super bonus.
    virtual int& SuperBonusSpecialBudget() = 0;
};

} // namespace qm
