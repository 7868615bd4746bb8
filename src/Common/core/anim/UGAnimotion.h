#pragma once

// Animotions: sprites animated along curves and through frame clips.
//
// An animotion has a root channel (the placement, visibility and tint of the whole) and up to 256
// numbered channels. Each channel draws one frame of a sprite sequence and plays a time line of
// segments: clip segments step through frames, motion segments move the channel's numbers along
// Catmull-Rom curves whose time runs from 0 (segment start) to 1 (segment end).
//
// The XML an animotion is imported from (a widget's own element, an effect's `Animotion`, ...):
//
//   <Animotion>
//     <Channel Id="0" SeqId="stuff/Star" Pivot="Center" X="400" Y="300">
//       <Segment Type="Clip" SeqId="stuff/Star" FPS="20" LoopStart="1"/>
//     </Channel>
//     <Channel Id="1" Parent="0" SeqId="stuff/Star" Blending="Add" Color="$80FFFFFF">
//       <Segment Type="Motion" Length="4" LoopStart="1" LoopEnd="1" ClosedX="1" ClosedY="1">
//         <X T="0">0</X>  <X T="0,25">100</X>  <X T="0,5">0</X>  <X T="0,75">-100</X>  <X T="1">0</X>
//         <Y T="0">-60</Y> <Y T="0,25">0</Y>   <Y T="0,5">60</Y> <Y T="0,75">0</Y>    <Y T="1">-60</Y>
//         <Alpha T="0,5">0,25</Alpha>
//         <Color T="1">$FF8000</Color>
//       </Segment>
//     </Channel>
//   </Animotion>
//
// `Channel`: "Id" (0..255, default 0), "X", "Y", "Angle", "ScaleX", "ScaleY", "Visible", "Pivot"
// ("LeftMiddle", "LeftTop", "Center", "LeftBottom", "CenterTop", "BottomMiddle"), "SeqId", "Frame",
// "Blending" ("None", "Default", "Add", "Mul", "Intense"), "Parent" (a channel id), "Color" (ARGB).
// `Segment`: "Type" ("Motion" or "Clip"), "Length" (seconds), "LoopStart", "LoopEnd", "StartTime".
// Clip: "SeqId" (required), "StartFrame", "EndFrame", "FPS" (plays the whole sequence once at that
// rate), "Pivot". Motion: "ClosedX", "ClosedY", "ClosedScaleX", "ClosedScaleY", "ClosedAngle",
// "AngleFollowByPath"; keys `X`, `Y`, `ScaleX`, `ScaleY`, `Angle`, `Alpha` (0..1) and `Color`
// (an RGB integer, "$" for hexadecimal), each with the curve time "T" and the value as its text.
// A motion segment starts with keys at T=0 and T=1 holding the channel's state where the segment
// begins, so keys only need to be written where something changes. Numbers use the decimal comma
// ("0,5"); booleans are integers ("1" true, "0" false).

#include "UGXMLNode.h"

#include <any>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qm {

class TGBaseAppData;
class TGResManager;
class TGSequence;
class TGSprite;
class TGTimer;
class TGActiveChannel;

// Which point of the sprite sits on the channel position.
enum TGPivot : uint8_t {
    pvLeftMiddle = 0,
    pvLeftTop = 1,
    pvCenter = 2,
    pvLeftBottom = 3,
    pvCenterTop = 4,
    pvBottomMiddle = 5,
    // The channel's explicit pivot point; set by code only.
    pvPivotPoint = 6,
};

// Raise "StrToPivot" / "StrToBlending" errors for names they do not know.
uint8_t StrToPivot(const std::string& name);
uint8_t StrToBlending(const std::string& name);

struct TGIntPoint {
    int32_t X = 0;
    int32_t Y = 0;
};

// A key of a curve: a value at a curve time.
struct TGCurveKey {
    double Time = 0.0;
    double Value = 0.0;
};

// A curve through keys sorted by time.
class TGCurve {
public:
    virtual ~TGCurve() = default;
    virtual double GetP(double t) const = 0;

    // A key within 1e-5 of an existing key's time replaces that key's value.
    void AddKey(double time, double value);
    int KeyCount() const { return static_cast<int>(FKeys.size()); }
    const TGCurveKey& Key(int index) const { return FKeys.at(static_cast<size_t>(index)); }
    void ClearKeys() { FKeys.clear(); }

    // The first and the last key stand for the same point of a loop.
    bool Closed = false;

protected:
    std::vector<TGCurveKey> FKeys;
};

class TGCatmullRom : public TGCurve {
public:
    // Fewer than two keys is an error ("TGCatmullRom.GetP").
    double GetP(double t) const override;
};

// The drawable state of a channel, saved and restored as a whole.
struct TGChannelStateRec {
    uint8_t Blending = 1;
    double Angle = 0.0; // degrees, clockwise on screen
    uint32_t Color = 0xFFFFFFFF;
    int32_t Frame = 0;
    uint8_t Pivot = pvLeftMiddle;
    TGIntPoint PivotPoint;
    double ScaleX = 1.0;
    double ScaleY = 1.0;
    std::string SeqId;
    double X = 0.0;
    double Y = 0.0;
    class TGChannel* Parent = nullptr;
    bool Visible = true;
    // User data, copied from the segment that most recently began.
    std::any Tag;
};

// A drawable channel: one sprite frame placed relative to its parent chain and the root.
class TGChannel : public TGChannelStateRec {
public:
    // The longest parent chain, the channel itself included: every channel of an animotion in
    // one line. Only a cycle of Parent links makes a longer one.
    static constexpr int MaxChainLength = 256;

    TGChannel(TGResManager* resManager, TGChannel* root);
    virtual ~TGChannel();
    TGChannel(const TGChannel&) = delete;
    TGChannel& operator=(const TGChannel&) = delete;

    void PushState();
    void PopState();

    // The alpha of the next draw only (a in 0..1).
    void SetAlpha(double a);
    // The current frame of SeqId; an error when the sequence or frame does not exist.
    TGSprite& Sprite();
    void Draw();

    TGChannel* Root() const { return FRoot; }
    TGResManager* ResManager() const { return FResManager; }

private:
    TGSequence& Sequence();

    TGResManager* FResManager;
    TGChannel* FRoot;
    std::vector<TGChannelStateRec> FStack;
    TGSequence* FSequence = nullptr;
    std::string FSequenceId;
    uint32_t FSequenceUpdateCount = 0;
    int FPendingAlpha = -1;
};

class TGClipSeg;
class TGMotionSeg;

// A stretch of a channel's time line. Segments stay in the list after they finish.
class TGSegment {
public:
    using TGSegmentEvent = std::function<void(TGSegment&)>;

    explicit TGSegment(TGActiveChannel& channel);
    virtual ~TGSegment();
    TGSegment(const TGSegment&) = delete;
    TGSegment& operator=(const TGSegment&) = delete;

    // Takes the defaults from the channel's state where the segment is appended.
    virtual void Capture();
    // Sets the channel's state at a time of the channel's time line.
    virtual void Apply(double time) = 0;
    virtual void Import(const IGXMLNode& node);

    TGActiveChannel& Channel() const { return FChannel; }
    // StartTime + Length; a length of 0 or less ends where it starts.
    double EndTime() const;
    bool IsLoopStart() const;
    void SetLoopStart(bool value);
    bool IsLoopEnd() const;
    void SetLoopEnd(bool value);

    std::any Tag;
    double StartTime = 0.0;
    double Length = 0.0;
    TGSegmentEvent OnStart;
    TGSegmentEvent OnFinish;

protected:
    // Where time lies in the segment, 0 to 1; 1 for a segment without length.
    double Progress(double time) const;

private:
    TGActiveChannel& FChannel;
};

// Plays frames StartFrame..EndFrame of a sequence (backwards when EndFrame is smaller).
class TGClipSeg : public TGSegment {
public:
    TGClipSeg(TGActiveChannel& channel, TGResManager* resManager);

    void Capture() override;
    void Apply(double time) override;
    void Import(const IGXMLNode& node) override;

    // The whole sequence once at `fps` frames per second.
    void SetFPS(double fps);
    // Errors "TGClipSeg.Seq" when SeqId is empty.
    TGSequence& Seq() const;

    std::string SeqId;
    int32_t StartFrame = 0;
    int32_t EndFrame = 0;
    uint8_t Pivot = pvLeftMiddle;
    TGIntPoint PivotPoint;

private:
    TGResManager* FResManager;
};

// Moves the channel's numbers along curves of curve time 0..1.
class TGMotionSeg : public TGSegment {
public:
    explicit TGMotionSeg(TGActiveChannel& channel);

    void Capture() override;
    void Apply(double time) override;
    void Import(const IGXMLNode& node) override;

    TGCatmullRom X, Y, Angle, Alpha, Red, Green, Blue, ScaleX, ScaleY;
    // The angle turns along the direction of travel instead of following its curve.
    bool AngleFollowByPath = false;
};

// A channel with a time line.
class TGActiveChannel : public TGChannel {
public:
    using TGChannel::TGChannel;
    ~TGActiveChannel() override;

    TGClipSeg& AddClipSeg();
    TGMotionSeg& AddMotionSeg();
    int SegmentCount() const { return static_cast<int>(FSegments.size()); }
    TGSegment& Segment(int index) const { return *FSegments.at(static_cast<size_t>(index)); }
    void ClearSegments();

    // The end of the last segment, or the current time when there is none.
    double EndTime() const;
    double Time() const { return FTime; }
    // Moves to min(t, EndTime) without firing segment events.
    void SetTime(double t);
    void Advance(double dt);
    // A looping channel never finishes.
    bool IsFinished() const;

    TGSegment* LoopStart = nullptr;
    TGSegment* LoopEnd = nullptr;

private:
    void AddSegment(std::unique_ptr<TGSegment> segment);

    std::vector<std::unique_ptr<TGSegment>> FSegments;
    double FTime = 0.0;
    // Counts ClearSegments calls, so that Advance notices a handler that emptied the list.
    uint64_t FGeneration = 0;
};

// The animotion as its users hold it.
class IGAnimotion {
public:
    static constexpr int ChannelCount = 256;

    virtual ~IGAnimotion() = default;

    virtual double GetX() const = 0;
    virtual double GetY() const = 0;
    virtual void SetX(double x) = 0;
    virtual void SetY(double y) = 0;
    virtual bool GetPaused() const = 0;
    virtual TGActiveChannel& GetRoot() = 0;
    // Created on demand; an id outside 0..255 is a range error.
    virtual TGActiveChannel& GetChannel(int id) = 0;
    virtual bool GetVisible() const = 0;
    virtual void SetPaused(bool paused) = 0;
    virtual TGClipSeg& AddClipSeg(int id) = 0;
    virtual TGMotionSeg& AddMotionSeg(int id) = 0;
    virtual bool HasChannel(int id) const = 0;
    virtual void ClearChannels() = 0;
    // Empties every time line; channel times and states stay.
    virtual void ClearSegments() = 0;
    // Reads `Channel` children (see the top of this file); errors name the file and element.
    virtual void Import(const IGXMLNode& node) = 0;
    // With `update` and a clock: advance by the clock's step first. Draws channels 0..255.
    virtual void Render(bool update) = 0;
    virtual void Draw() = 0;
    virtual void Update(double dt) = 0;
    virtual void UpdateByTimer() = 0;
    virtual void SetTime(double t) = 0;
    virtual void SetVisible(bool visible) = 0;
    // Pads shorter channels with holds so that every non-looping channel ends together.
    virtual void AlignEnds() = 0;
    virtual bool IsFinished() const = 0;
};

using PGAnimotion = std::shared_ptr<IGAnimotion>;

class TGAnimotion : public IGAnimotion {
public:
    // Draws with the application's resource manager; no clock (Update by hand).
    explicit TGAnimotion(TGBaseAppData& app);
    // Either may be absent: without a resource manager nothing with a SeqId can be drawn.
    TGAnimotion(TGResManager* resManager, TGTimer* timer);
    ~TGAnimotion() override;
    TGAnimotion(const TGAnimotion&) = delete;
    TGAnimotion& operator=(const TGAnimotion&) = delete;

    double GetX() const override;
    double GetY() const override;
    void SetX(double x) override;
    void SetY(double y) override;
    bool GetPaused() const override { return FPaused; }
    TGActiveChannel& GetRoot() override { return *FRoot; }
    TGActiveChannel& GetChannel(int id) override;
    bool GetVisible() const override;
    void SetPaused(bool paused) override { FPaused = paused; }
    TGClipSeg& AddClipSeg(int id) override;
    TGMotionSeg& AddMotionSeg(int id) override;
    bool HasChannel(int id) const override;
    void ClearChannels() override;
    void ClearSegments() override;
    void Import(const IGXMLNode& node) override;
    void Render(bool update) override;
    void Draw() override { Render(true); }
    void Update(double dt) override;
    void UpdateByTimer() override;
    void SetTime(double t) override;
    void SetVisible(bool visible) override;
    void AlignEnds() override;
    bool IsFinished() const override;

    TGTimer* Timer() const { return FTimer; }

private:
    void ImportChannel(const IGXMLNode& node);
    void ImportSegment(TGActiveChannel& channel, const IGXMLNode& node);
    static void CheckId(int id, const char* context);

    TGResManager* FResManager;
    TGTimer* FTimer;
    bool FPaused = false;
    std::unique_ptr<TGActiveChannel> FRoot;
    // Indexed by id and only as long as the highest id created: most animotions use a few low
    // ids, and a particle system holds hundreds of animotions that every frame walks.
    std::vector<std::unique_ptr<TGActiveChannel>> FChannels;
};

// Builders of the animotions that code assembles rather than imports.
// A clip of the whole of `seqId` once at `fps` frames per second on `channel`, which hangs on
// channel `parent` (created when missing); `loopStart` and `loopEnd` make it the ends of the
// channel's loop. Raises what TGClipSeg::SetFPS raises for an unknown sequence or a rate of 0.
TGClipSeg& AddClip(IGAnimotion& animotion, int channel, int parent, const std::string& seqId, uint8_t pivot,
                   double fps, bool loopStart, bool loopEnd);
// A straight move of `channel` over `length` seconds, fading and turning on the way; scale and
// colour hold what the channel has where the move starts.
TGMotionSeg& AddMove(IGAnimotion& animotion, int channel, double xStart, double yStart, double xEnd,
                     double yEnd, double length, double alphaStart, double alphaEnd, double angleStart,
                     double angleEnd);

// Runs on the game clock: stands still while play is paused.
class TGGameAnimotion : public TGAnimotion {
public:
    explicit TGGameAnimotion(TGBaseAppData& app);
};

// Runs on the interface clock, which never stops: menus, dialogs and their decorations.
class TGInterfaceAnimotion : public TGAnimotion {
public:
    explicit TGInterfaceAnimotion(TGBaseAppData& app);
};

} // namespace qm
