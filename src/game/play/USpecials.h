#pragma once

// The specials' effects: the line freeze, the cross fire, the super bonus and the diagonal, the
// bonus kinds that stand on the board as elements, the chameleon's animation and the strikes of
// the marbles that carry an effect. Every strike hits a cell with the striking kind as its source
// and kills what stands there; a special killed that way fires in turn, so effects chain.

#include "UElements.h"
#include "UFlows.h"

#include <memory>
#include <vector>

namespace qm {

class TCell;
class TField;

// The id of a special kind in folder, sound and configuration names ("specials/13" is the
// diagonal); the error "GetIdOfKind" outside 1..15.
int SpecialIdOfKind(int kind);
// "specials/" + the id of the kind.
std::string SpecialFolder(int kind);

// Every sequence the specials and their effects draw: each kind's normal, selected, grey and
// charging looks, the runners, rays and fireballs, the overlays of the marbles with an effect and
// the chameleon's layers.
std::vector<std::string> SpecialSequenceNames();

// The field cell under a screen point of the host's current field, or null.
TCell* CellUnder(IPlayHost& host, int x, int y);

// Advances and draws an animotion on the host's clock; without art it only advances.
void DrawAnimotion(IPlayHost& host, IGAnimotion& animotion);
// A sprite that flies from one point to another in `seconds` and fades as it arrives.
PGAnimotion FlyingSprite(IPlayHost& host, const std::string& sequence, TGIntPoint from, TGIntPoint to,
                         double seconds);
// Snow that follows the same flight; nothing without art.
void AddSnowTrail(TField& field, TGIntPoint from, TGIntPoint to, double seconds, double rate);

// The special of a kind at a position: the class of each kind, or the error
// "TGameManager.SpecialKindClass" for 9 (the chameleon is a marble) and kinds outside 1..15.
std::unique_ptr<TSpecial> MakeSpecialOfKind(IPlayHost& host, int kind, int x, int y);

// A game special with a kind known at compile time, so that every kind has a class of its own.
template <int TheKind> class TSpecialOfKind : public TSpecialExt {
public:
    TSpecialOfKind(IPlayHost& host, int x, int y) : TSpecialExt(host, x, y, TheKind) {}
};

class TSpecialLineFreeze : public TSpecialOfKind<1> {
public:
    using TSpecialOfKind::TSpecialOfKind;
    void Kill(int deathFlag) override;
    void AffectCell(int row, int col) override;
    std::unique_ptr<TElement> Clone() const override;

    bool Fired = false;
};

class TSpecialCrossFire : public TSpecialOfKind<2> {
public:
    using TSpecialOfKind::TSpecialOfKind;
    void Kill(int deathFlag) override;
    std::unique_ptr<TElement> Clone() const override;
};

// The super bonus: it picks marbles all over the board and erases each when a star, flying from
// it, has reached it.
class TSpecialRandom : public TSpecialOfKind<3> {
public:
    struct TTarget {
        TCell* Cell = nullptr;
        TSimpleElement* Element = nullptr;
        double Delay = 0.0;
        bool Pending = true;
    };

    using TSpecialOfKind::TSpecialOfKind;
    ~TSpecialRandom() override;
    void Kill(int deathFlag) override;
    void Draw() override;
    void Init() override { Done = false; }
    std::unique_ptr<TElement> Clone() const override;

    std::vector<TTarget> Targets;
    bool Done = false;

private:
    void ChooseTargets(TField& field, TCell& own);
    bool TakeTarget(TField& field, TCell& cell);
    void StrikeDueTargets();

    // Set at the first kill: a later strike on the special, which stays alive until its targets
    // are gone, must not choose a second round of targets.
    bool FFired = false;
};

// The four diagonal rays from a cell: up-left, up-right, down-right, down-left, each ending before
// it leaves the field or reaches a hole or a box, and at most `range` cells long.
std::vector<std::vector<TCell*>> DiagonalRays(TField& field, const TCell& from, int range);

// The run of a diagonal strike, shared by the diagonal special and the marble that carries one:
// sparks and flying sprites for half a second, then every ray cell is struck.
class TDiagonalStrike {
public:
    TDiagonalStrike(TField& field, TCell& from, int source, int range);
    ~TDiagonalStrike();
    TDiagonalStrike(const TDiagonalStrike&) = delete;
    TDiagonalStrike& operator=(const TDiagonalStrike&) = delete;

    // Once a frame, from the field's listener: true on the frame in which the rays struck.
    bool Step();
    bool Struck() const { return FStruck; }
    const std::vector<std::vector<TCell*>>& Rays() const { return FRays; }

private:
    void StartEffects(TCell& from);
    void Strike();

    TField& FField;
    int FSource;
    std::vector<std::vector<TCell*>> FRays;
    std::vector<PGAnimotion> FSprites;
    TSimFlow FFlow;
    bool FStruck = false;
};

class TSpecialDiagonal : public TSpecialOfKind<4> {
public:
    using TSpecialOfKind::TSpecialOfKind;
    ~TSpecialDiagonal() override;
    void Kill(int deathFlag) override;
    void AffectCell(int row, int col) override;
    std::string GetSpriteName() const override;
    std::unique_ptr<TElement> Clone() const override;

    bool Fired = false;
    std::vector<TCell*> RayCells;

private:
    std::unique_ptr<TDiagonalStrike> FStrike;
    TField* FListening = nullptr;
};

// The bonus kinds in element form: they carry their kind's pictures and die without effect.
template <int TheKind> class TBonusKindSpecial : public TSpecialOfKind<TheKind> {
public:
    using TSpecialOfKind<TheKind>::TSpecialOfKind;
    std::unique_ptr<TElement> Clone() const override {
        return NewElement<TBonusKindSpecial>(this->FHost, this->X, this->Y);
    }
};

using TSpecialAddScores = TBonusKindSpecial<5>;
using TSpecialTimeLineFreeze = TBonusKindSpecial<6>;
using TSpecialSingleCellBomb = TBonusKindSpecial<7>;
using TSpecialCornerStoneTeleport = TBonusKindSpecial<8>;
using TSpecialBomb = TBonusKindSpecial<10>;
using TSpecialCornerStoneDown = TBonusKindSpecial<11>;
using TSpecialColorChange = TBonusKindSpecial<12>;
using TSpecialX2BuildingMaterials = TBonusKindSpecial<13>;
using TSpecialColorBomb = TBonusKindSpecial<14>;
using TSpecialPhantomBonuses = TBonusKindSpecial<15>;

// The look of the wild chameleon: a base, a colour layer showing the colour it has taken and two
// shimmer layers, all from the chameleon's folder; a colour change flashes over them.
class TChameleonAni {
public:
    enum class TMode { Normal, Selected, Dying };

    TChameleonAni(IPlayHost& host, int x, int y, int colorNumber);

    void SetColor(int colorNumber);
    void Select();
    void Deselect();
    void PlayDeath();
    // Drawn at the chameleon's position (advanced by the game clock).
    void Draw(int x, int y);

    TMode Mode() const { return FMode; }
    int ColorNumber() const { return FColor; }

private:
    void AddLoop(int channel, const std::string& seq, double fps, uint8_t blending);
    void PlayOnce(int channel, const std::string& seq, double seconds);

    IPlayHost& FHost;
    std::string FFolder;
    PGAnimotion FAnimotion;
    TMode FMode = TMode::Normal;
    int FColor = 1;
};

} // namespace qm
