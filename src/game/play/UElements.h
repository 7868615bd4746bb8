#pragma once

// What stands in a field cell: marbles, boxes and specials. Each element is a small animotion on
// the game clock: channel 1 carries the position and scale, channel 0 shows the sprite and hangs
// on channel 1.

#include "UGAnimotion.h"

#include <cstdint>
#include <memory>
#include <string>

namespace qm {

class IPlayHost;
class TCell;
class TChameleonAni;
class TDiagonalStrike;
class TField;

// A clip that plays the frames of `sequence` (`frames` of them) over and over on `channel`.
void AddLoopingClip(TGActiveChannel& channel, const std::string& sequence, int frames,
                    double framesPerSecond);

class TElement {
public:
    explicit TElement(IPlayHost& host) : FHost(host) {}
    virtual ~TElement() = default;
    TElement(const TElement&) = delete;
    TElement& operator=(const TElement&) = delete;

    virtual int GetWidth() const = 0;
    virtual int GetHeight() const = 0;
    virtual bool IsIdle() const = 0;
    virtual TGIntPoint GetPosition() = 0;
    virtual bool IsDying() const = 0;
    virtual bool IsSelected() const = 0;
    virtual bool IsLocked() const = 0;
    virtual void SetLocked(bool locked) = 0;
    virtual void DrawExtra() = 0;
    virtual void Pop(double fromScale, double toScale, double duration) = 0;
    virtual void MoveTo(TGIntPoint from, TGIntPoint to, double secondsPerPixel) = 0;
    virtual void Kill(int deathFlag) = 0;
    virtual void Select() = 0;
    virtual void Deselect() = 0;
    virtual void Draw() = 0;
    virtual void Lock() = 0;
    virtual void Unlock() = 0;
    virtual void Init() = 0;
    virtual std::unique_ptr<TElement> Clone() const = 0;
    virtual std::string GetSpriteName() const = 0;
    virtual void PlayDeath(int deathFlag) = 0;

    IPlayHost& Host() const { return FHost; }

    bool Initialized = false;
    uint32_t Tint = 0xFFFFFFFF;

protected:
    IPlayHost& FHost;
};

class TSimpleElement : public TElement {
public:
    TSimpleElement(IPlayHost& host, int x, int y);

    int GetWidth() const override;
    int GetHeight() const override;
    bool IsIdle() const override;
    TGIntPoint GetPosition() override;
    bool IsDying() const override { return Dying; }
    bool IsSelected() const override { return Selected; }
    bool IsLocked() const override { return Locked; }
    void SetLocked(bool locked) override { Locked = locked; }
    void DrawExtra() override {}
    void Pop(double fromScale, double toScale, double duration) override;
    void MoveTo(TGIntPoint from, TGIntPoint to, double secondsPerPixel) override;
    void Kill(int deathFlag) override;
    void Select() override { Selected = true; }
    void Deselect() override;
    void Draw() override;
    void Lock() override { SetLocked(true); }
    void Unlock() override { SetLocked(false); }
    void Init() override {}
    void PlayDeath(int deathFlag) override;

    void SetSprite(const std::string& name);
    // The two standard moves at the environment's speeds.
    void FallMove(TGIntPoint from, TGIntPoint to);
    void SwapMove(TGIntPoint from, TGIntPoint to);

    PGAnimotion Animotion;
    std::string SpriteName;
    int X = 0;
    int Y = 0;
    bool Dying = false;
    bool Selected = false;
    bool Locked = false;
    bool Visible = true;

    // The second half of creation, where the subclasses' sprite names are known. Every element
    // is made through NewElement, which calls it.
    virtual void Created();

protected:
    TGActiveChannel& Motion() { return Animotion->GetChannel(1); }
    const TGSprite* CurrentSprite() const;
    // Ends the current motion where it stands so that a new one starts from there now.
    void BeginMotion();
};

// The cell that holds the element, or null (a special waiting to be placed, an element that has
// been taken out).
TCell* CellHolding(TField& field, const TElement& element);

// Creates an element and finishes its creation.
template <class T, class... A> std::unique_ptr<T> NewElement(A&&... args) {
    auto element = std::make_unique<T>(std::forward<A>(args)...);
    element->Created();
    return element;
}

class TMarble : public TSimpleElement {
public:
    TMarble(IPlayHost& host, int x, int y, char color);

    void Kill(int deathFlag) override;
    std::unique_ptr<TElement> Clone() const override;
    std::string GetSpriteName() const override;
    void PlayDeath(int deathFlag) override;
    virtual void SetColor(char color);

    char Color = '1';
    int ColorNumber = 1;
};

// A marble that takes whatever colour makes the longest line. The field chooses its colour before
// each search for matches; until then it holds the colour it was given. It never moves of its
// own accord, so it always counts as settled.
class TMarbleWildChameleon : public TMarble {
public:
    TMarbleWildChameleon(IPlayHost& host, int x, int y) : TMarble(host, x, y, '1') {}

    bool IsIdle() const override { return true; }
    std::unique_ptr<TElement> Clone() const override;
    // Its look is its TChameleonAni (USpecials.cpp), not a sprite.
    std::string GetSpriteName() const override { return {}; }
    // Only the colour character: the look changes with SetChameleonColor.
    void SetColor(char color) override { Color = color; }
    void SetChameleonColor(int colorNumber);
    void Init() override;
    void Created() override;
    void Select() override;
    void Deselect() override;
    void Draw() override;
    void Kill(int deathFlag) override;

    std::shared_ptr<TChameleonAni> Ani;
};

// A marble that carries a special's strike along a line and fires it when it dies. The strikes
// themselves belong to the kinds below; here they are marbles the board can recognise.
// Their strikes are in USpecials.cpp.
class TMarbleWithLineEffect : public TMarble {
public:
    using TMarble::TMarble;
    // The marble, then its overlay until it has fired.
    void Draw() override;

    bool Fired = false;
    PGAnimotion Overlay;

protected:
    // Loops "specials/6/SpecialAct" + type over the marble.
    void StartOverlay(int type);
    // Sets Fired and takes the overlay away; false when it had fired already.
    bool Fire();
};

class TMarbleWithLineFreeze : public TMarbleWithLineEffect {
public:
    using TMarbleWithLineEffect::TMarbleWithLineEffect;
    std::unique_ptr<TElement> Clone() const override;
    void Init() override { StartOverlay(1); }
    void Kill(int deathFlag) override;
};

class TMarbleWithCrossFire : public TMarbleWithLineEffect {
public:
    using TMarbleWithLineEffect::TMarbleWithLineEffect;
    std::unique_ptr<TElement> Clone() const override;
    void Init() override { StartOverlay(2); }
    void Kill(int deathFlag) override;
};

class TMarbleWithDiagonal : public TMarbleWithLineEffect {
public:
    TMarbleWithDiagonal(IPlayHost& host, int x, int y, char color);
    ~TMarbleWithDiagonal() override;
    std::unique_ptr<TElement> Clone() const override;
    void Init() override { StartOverlay(3); }
    void Kill(int deathFlag) override;

private:
    std::unique_ptr<TDiagonalStrike> FStrike;
    TField* FListening = nullptr;
};

// Whether the element is a box (none is not).
bool IsBox(const TSimpleElement* element);

class TBoxElement : public TSimpleElement {
public:
    TBoxElement(IPlayHost& host, int x, int y, int boxKind, std::string sprite);

    void Kill(int deathFlag) override;
    std::unique_ptr<TElement> Clone() const override;
    std::string GetSpriteName() const override { return BoxSprite; }

    int BoxKind = 1;
    std::string BoxSprite;
};

class TSpecial : public TSimpleElement {
public:
    TSpecial(IPlayHost& host, int x, int y) : TSimpleElement(host, x, y) {}

    void DrawExtra() override;
    void MoveTo(TGIntPoint from, TGIntPoint to, double secondsPerPixel) override;
    virtual int Kind() const = 0;
    // The strike of a special on one cell; most kinds strike nothing of their own.
    virtual void AffectCell(int /*row*/, int /*col*/) {}

    void Created() override;

    PGAnimotion BonusLight;
};

// A special drawn with its kind's sequences. The kinds' own effects derive from it; until a
// kind has its own class it is this one and dies without effect.
class TSpecialExt : public TSpecial {
public:
    TSpecialExt(IPlayHost& host, int x, int y, int kind) : TSpecial(host, x, y), FKind(kind) {}

    int Kind() const override { return FKind; }
    std::unique_ptr<TElement> Clone() const override;
    std::string GetSpriteName() const override;
    // The cell that holds the special, else the one under its position, else the field's first
    // cell; null without a field.
    TCell* CellOf() const;

private:
    int FKind;
};

} // namespace qm
