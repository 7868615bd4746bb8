#include "UGAnimotion.h"

#include "UGAppData.h"
#include "UGConvert.h"
#include "UGError.h"
#include "UGResManager.h"
#include "UGSprite.h"
#include "UGStrings.h"
#include "UGTimer.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <tuple>
#include <utility>

namespace qm {

namespace {

constexpr double KeyTimeTolerance = 1e-5;
constexpr double ShortestLength = 1e-5;

struct TGNamedValue {
    const char* Name;
    uint8_t Value;
};

constexpr TGNamedValue PivotNames[] = {{"LeftMiddle", pvLeftMiddle}, {"LeftTop", pvLeftTop},
                                       {"Center", pvCenter},         {"LeftBottom", pvLeftBottom},
                                       {"CenterTop", pvCenterTop},   {"BottomMiddle", pvBottomMiddle}};
constexpr TGNamedValue BlendingNames[] = {
    {"None", 0}, {"Default", 1}, {"Add", 2}, {"Mul", 3}, {"Intense", 4}};

template <size_t N>
uint8_t ValueOfName(const TGNamedValue (&table)[N], const std::string& name, const char* context,
                    const char* what) {
    for (const TGNamedValue& entry : table) {
        if (name == entry.Name) {
            return entry.Value;
        }
    }
    throw EGError(context, Format("Unknown %s name \"%s\"", what, name.c_str()));
}

// Nearest integer, ties to even, held inside [low, high]; a value that is not a number gives low.
int64_t RoundInto(double value, int64_t low, int64_t high) {
    if (!(value >= static_cast<double>(low))) {
        return low;
    }
    if (!(value <= static_cast<double>(high))) {
        return high;
    }
    return std::clamp(static_cast<int64_t>(std::nearbyint(value)), low, high);
}

uint32_t ByteOf(double value) {
    return static_cast<uint32_t>(RoundInto(value, 0, 255));
}

// Multiplies two ARGB colours byte by byte, each product shifted right by 8.
uint32_t Modulate(uint32_t a, uint32_t b) {
    uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        uint32_t product = (((a >> shift) & 0xFF) * ((b >> shift) & 0xFF)) >> 8;
        result |= product << shift;
    }
    return result;
}

std::string Located(const std::string& message, const IGXMLNode& node) {
    return Format("%s (%s)", message.c_str(), node.GetLocation().c_str());
}

// Runs a conversion whose error does not know where the text came from, and adds the place.
template <typename F> auto WithLocation(const IGXMLNode& node, F&& read) -> decltype(read()) {
    try {
        return read();
    } catch (const EGError& error) {
        throw EGError(Located(error.what(), node));
    }
}

double ReadKeyValue(const IGXMLNode& key) {
    const std::string text = key.GetText();
    std::optional<double> value = ParseCommaFloat(text);
    if (!value) {
        throw EGError("TGMotionSeg.Import",
                      Located(Format("\"%s\" is not a valid floating point value", text.c_str()), key));
    }
    return *value;
}

// A colour key: a decimal integer, or hexadecimal after "$", that must fit in 32 bits.
uint32_t ReadColorKey(const IGXMLNode& key) {
    const std::string text = key.GetText();
    std::string_view digits = text;
    while (!digits.empty() && digits.front() == ' ') {
        digits.remove_prefix(1);
    }
    while (!digits.empty() && digits.back() == ' ') {
        digits.remove_suffix(1);
    }
    std::optional<int64_t> value;
    bool tooLarge = false;
    if (!digits.empty() && digits.front() == '$') {
        digits.remove_prefix(1);
        uint64_t number = 0;
        bool valid = !digits.empty();
        for (char c : digits) {
            int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
            if (digit < 0) {
                valid = false;
                break;
            }
            tooLarge = tooLarge || number > 0xFFFFFFFFull;
            number = (number << 4) | static_cast<uint64_t>(digit);
        }
        if (valid) {
            value = tooLarge ? -1 : static_cast<int64_t>(number);
        }
    } else {
        value = ParseDecimalInt(digits);
    }
    if (!value) {
        throw EGError("TGMotionSeg.Import",
                      Located(Format("\"%s\" is not a valid integer value", text.c_str()), key));
    }
    if (*value < 0 || *value > 0xFFFFFFFFll) {
        throw EGError(
            "TGMotionSeg.Import",
            Located(Format("Range check error: colour \"%s\" does not fit in 32 bits", text.c_str()), key));
    }
    return static_cast<uint32_t>(*value);
}

} // namespace

uint8_t StrToPivot(const std::string& name) {
    return ValueOfName(PivotNames, name, "StrToPivot", "pivot");
}

uint8_t StrToBlending(const std::string& name) {
    return ValueOfName(BlendingNames, name, "StrToBlending", "blending");
}

// ---- curves ----

void TGCurve::AddKey(double time, double value) {
    for (TGCurveKey& key : FKeys) {
        if (std::abs(key.Time - time) <= KeyTimeTolerance) {
            key.Value = value;
            return;
        }
    }
    auto after = std::upper_bound(FKeys.begin(), FKeys.end(), time,
                                  [](double t, const TGCurveKey& key) { return t < key.Time; });
    FKeys.insert(after, TGCurveKey{time, value});
}

double TGCatmullRom::GetP(double t) const {
    const size_t n = FKeys.size();
    if (n < 2) {
        throw EGError("TGCatmullRom.GetP", Format("A curve needs 2 keys, it has %zu", n));
    }
    for (size_t i = 0; i + 1 < n; ++i) {
        const TGCurveKey& k1 = FKeys[i];
        const TGCurveKey& k2 = FKeys[i + 1];
        if (!(k1.Time <= t && t < k2.Time)) {
            continue;
        }
        const double p1 = k1.Value;
        const double p2 = k2.Value;
        double p0 = i > 0 ? FKeys[i - 1].Value : (Closed ? FKeys[n - 2].Value : p1);
        double p3 = i + 2 < n ? FKeys[i + 2].Value : (Closed ? FKeys[1].Value : p2);
        const double s = (t - k1.Time) / (k2.Time - k1.Time);
        return 0.5 * (2 * p1 + (p2 - p0) * s + (2 * p0 - 5 * p1 + 4 * p2 - p3) * s * s +
                      (3 * p1 - p0 - 3 * p2 + p3) * s * s * s);
    }
    return t > FKeys.front().Time ? FKeys.back().Value : FKeys.front().Value;
}

// ---- channels ----

TGChannel::TGChannel(TGResManager* resManager, TGChannel* root) : FResManager(resManager), FRoot(root) {}

TGChannel::~TGChannel() = default;

void TGChannel::PushState() {
    FStack.push_back(static_cast<const TGChannelStateRec&>(*this));
}

void TGChannel::PopState() {
    if (FStack.empty()) {
        throw EGError("TGChannel.PopState", "Empty stack");
    }
    static_cast<TGChannelStateRec&>(*this) = std::move(FStack.back());
    FStack.pop_back();
}

void TGChannel::SetAlpha(double a) {
    FPendingAlpha = static_cast<int>(ByteOf(a * 255.0));
}

TGSequence& TGChannel::Sequence() {
    if (SeqId.empty()) {
        throw EGError("TGChannel.Sprite", "The channel has no sequence");
    }
    if (!FResManager) {
        throw EGError("TGChannel.Sprite", Format("No resource manager to find \"%s\"", SeqId.c_str()));
    }
    if (!FSequence || FSequenceId != SeqId || FSequenceUpdateCount != FResManager->UpdateCount()) {
        FSequence = nullptr;
        FSequence = &FResManager->GetSeq(SeqId);
        FSequenceId = SeqId;
        FSequenceUpdateCount = FResManager->UpdateCount();
    }
    return *FSequence;
}

TGSprite& TGChannel::Sprite() {
    return Sequence().GetSprite(Frame);
}

void TGChannel::Draw() {
    if (SeqId.empty() || !Visible) {
        return;
    }
    // On the stack: every channel of every animotion walks its chain each frame.
    std::array<const TGChannel*, MaxChainLength + 1> chain;
    size_t length = 0;
    for (const TGChannel* member = this; member && member != FRoot; member = member->Parent) {
        if (static_cast<int>(length) == MaxChainLength) {
            throw EGError("TGChannel.Draw",
                          Format("The parent chain is longer than %d channels (Parent links make a cycle)",
                                 MaxChainLength));
        }
        chain[length++] = member;
    }
    if (FRoot) {
        chain[length++] = FRoot;
    }
    for (size_t i = 0; i < length; ++i) {
        if (!chain[i]->Visible) {
            return;
        }
    }

    TGPointD p{0.0, 0.0};
    TGPointD u{1.0, 0.0};
    TGPointD v{0.0, 1.0};
    uint32_t color = 0xFFFFFFFF;
    for (size_t i = length; i-- > 0;) {
        const TGChannel& member = *chain[i];
        p = {p.X + member.X * u.X + member.Y * v.X, p.Y + member.X * u.Y + member.Y * v.Y};
        TGPointD a{member.ScaleX, 0.0};
        TGPointD b{0.0, member.ScaleY};
        if (std::abs(member.Angle) > 0.0001) {
            const double theta = member.Angle * std::numbers::pi / 180.0;
            const double c = std::cos(theta);
            const double s = std::sin(theta);
            a = {a.X * c - a.Y * s, a.X * s + a.Y * c};
            b = {b.X * c - b.Y * s, b.X * s + b.Y * c};
        }
        const TGPointD newU{a.X * u.X + a.Y * v.X, a.X * u.Y + a.Y * v.Y};
        const TGPointD newV{b.X * u.X + b.Y * v.X, b.X * u.Y + b.Y * v.Y};
        u = newU;
        v = newV;
        color = Modulate(color, member.Color);
    }

    TGSprite& sprite = Sprite();
    const double w = sprite.Width();
    const double h = sprite.Height();
    TGPointD offset;
    switch (Pivot) {
    case pvLeftMiddle:
        offset = {0.0, h / 2};
        break;
    case pvLeftTop:
        offset = {0.0, 0.0};
        break;
    case pvCenter:
        offset = {w / 2, h / 2};
        break;
    case pvLeftBottom:
        offset = {0.0, h};
        break;
    case pvCenterTop:
        offset = {w / 2, 0.0};
        break;
    case pvBottomMiddle:
        offset = {w / 2, h};
        break;
    default:
        offset = {static_cast<double>(PivotPoint.X), static_cast<double>(PivotPoint.Y)};
        break;
    }
    p = {p.X - offset.X * u.X - offset.Y * v.X, p.Y - offset.X * u.Y - offset.Y * v.Y};
    if (FPendingAlpha >= 0) {
        color = (color & 0x00FFFFFF) | (static_cast<uint32_t>(FPendingAlpha) << 24);
        FPendingAlpha = -1;
    }
    sprite.DrawOnAxes(p, u, v, nullptr, color, Blending);
}

// ---- segments ----

TGSegment::TGSegment(TGActiveChannel& channel) : FChannel(channel) {}

TGSegment::~TGSegment() = default;

void TGSegment::Capture() {
    Tag = FChannel.Tag;
}

void TGSegment::Import(const IGXMLNode& node) {
    Length = node.GetFloatDef("Length", Length);
    if (node.HasAttribute("LoopStart")) {
        SetLoopStart(node.GetBool("LoopStart"));
    }
    if (node.HasAttribute("LoopEnd")) {
        SetLoopEnd(node.GetBool("LoopEnd"));
    }
    StartTime = node.GetFloatDef("StartTime", StartTime);
}

// A negative length would end before the segment starts and never be passed; it ends where it
// starts, as a segment of no length does.
double TGSegment::EndTime() const {
    return StartTime + std::max(Length, 0.0);
}

bool TGSegment::IsLoopStart() const {
    return FChannel.LoopStart == this;
}

// Clearing clears the channel's loop start whichever segment holds it, so a later segment of an
// XML time line can switch off a loop set up by an earlier one.
void TGSegment::SetLoopStart(bool value) {
    FChannel.LoopStart = value ? this : nullptr;
}

bool TGSegment::IsLoopEnd() const {
    return FChannel.LoopEnd == this;
}

void TGSegment::SetLoopEnd(bool value) {
    FChannel.LoopEnd = value ? this : nullptr;
}

double TGSegment::Progress(double time) const {
    if (Length < ShortestLength) {
        return 1.0;
    }
    return (time - StartTime) / Length;
}

TGClipSeg::TGClipSeg(TGActiveChannel& channel, TGResManager* resManager)
    : TGSegment(channel), FResManager(resManager) {}

void TGClipSeg::Capture() {
    TGSegment::Capture();
    PivotPoint = Channel().PivotPoint;
    Pivot = Channel().Pivot;
    SeqId = Channel().SeqId;
}

void TGClipSeg::Apply(double time) {
    if (SeqId.empty()) {
        return;
    }
    const double p = Progress(time);
    const int64_t low = std::min(StartFrame, EndFrame);
    const int64_t high = std::max(StartFrame, EndFrame);
    const double frame = StartFrame + (static_cast<double>(EndFrame) - StartFrame) * p;
    TGActiveChannel& channel = Channel();
    channel.SeqId = SeqId;
    channel.Frame = static_cast<int32_t>(RoundInto(frame, low, high));
    channel.Pivot = Pivot;
    channel.PivotPoint = PivotPoint;
}

void TGClipSeg::Import(const IGXMLNode& node) {
    TGSegment::Import(node);
    SeqId = node.GetString("SeqId");
    StartFrame = node.GetIntDef("StartFrame", StartFrame);
    EndFrame = node.GetIntDef("EndFrame", EndFrame);
    if (node.HasAttribute("FPS")) {
        WithLocation(node, [&] {
            SetFPS(node.GetFloat("FPS"));
            return 0;
        });
    }
    if (node.HasAttribute("Pivot")) {
        Pivot = WithLocation(node, [&] { return StrToPivot(node.GetString("Pivot")); });
    }
}

// A rate of 0 or below would make the clip endless or run backwards in time.
void TGClipSeg::SetFPS(double fps) {
    if (!(fps > 0.0)) {
        throw EGError("TGClipSeg.SetFPS", Format("FPS must be above 0, not %g", fps));
    }
    const int count = Seq().Count();
    StartFrame = 0;
    EndFrame = count - 1;
    Length = count / fps;
}

TGSequence& TGClipSeg::Seq() const {
    if (SeqId.empty()) {
        throw EGError("TGClipSeg.Seq", "The clip has no sequence");
    }
    if (!FResManager) {
        throw EGError("TGClipSeg.Seq", Format("No resource manager to find \"%s\"", SeqId.c_str()));
    }
    return FResManager->GetSeq(SeqId);
}

TGMotionSeg::TGMotionSeg(TGActiveChannel& channel) : TGSegment(channel) {}

void TGMotionSeg::Capture() {
    TGSegment::Capture();
    const TGActiveChannel& channel = Channel();
    const std::pair<TGCatmullRom*, double> defaults[] = {
        {&X, channel.X},
        {&Y, channel.Y},
        {&Angle, channel.Angle},
        {&ScaleX, channel.ScaleX},
        {&ScaleY, channel.ScaleY},
        {&Alpha, (channel.Color >> 24) / 255.0},
        {&Red, static_cast<double>((channel.Color >> 16) & 0xFF)},
        {&Green, static_cast<double>((channel.Color >> 8) & 0xFF)},
        {&Blue, static_cast<double>(channel.Color & 0xFF)},
    };
    for (const auto& [curve, value] : defaults) {
        curve->AddKey(0.0, value);
        curve->AddKey(1.0, value);
    }
}

void TGMotionSeg::Apply(double time) {
    const double t = Progress(time);
    TGActiveChannel& channel = Channel();
    const double previousX = channel.X;
    const double previousY = channel.Y;
    channel.X = X.GetP(t);
    channel.Y = Y.GetP(t);
    if (AngleFollowByPath) {
        const double dx = channel.X - previousX;
        const double dy = channel.Y - previousY;
        if (std::max(std::abs(dx), std::abs(dy)) > 0.001) {
            if (std::abs(dx) < 1e-5) {
                channel.Angle = dy > 0 ? 90.0 : -90.0;
            } else {
                channel.Angle = std::atan2(dy, dx) * 180.0 / std::numbers::pi;
            }
        }
    } else {
        channel.Angle = Angle.GetP(t);
    }
    const uint32_t alpha = ByteOf(Alpha.GetP(t) * 255.0);
    uint32_t rgb = channel.Color & 0x00FFFFFF;
    if (Red.KeyCount() >= 2) {
        rgb = ByteOf(Red.GetP(t)) << 16 | ByteOf(Green.GetP(t)) << 8 | ByteOf(Blue.GetP(t));
    }
    channel.Color = alpha << 24 | rgb;
    channel.ScaleX = ScaleX.GetP(t);
    channel.ScaleY = ScaleY.GetP(t);
}

void TGMotionSeg::Import(const IGXMLNode& node) {
    TGSegment::Import(node);
    X.Closed = node.GetBoolDef("ClosedX", false);
    Y.Closed = node.GetBoolDef("ClosedY", false);
    ScaleX.Closed = node.GetBoolDef("ClosedScaleX", false);
    ScaleY.Closed = node.GetBoolDef("ClosedScaleY", false);
    Angle.Closed = node.GetBoolDef("ClosedAngle", false);
    AngleFollowByPath = node.GetBoolDef("AngleFollowByPath", false);
    const std::pair<const char*, TGCatmullRom*> curves[] = {
        {"X", &X}, {"Y", &Y}, {"ScaleX", &ScaleX}, {"ScaleY", &ScaleY}, {"Angle", &Angle}, {"Alpha", &Alpha}};
    for (const auto& [name, curve] : curves) {
        PGXMLCollection keys = node.GetCollection(name);
        for (size_t i = 0; i < keys->Count(); ++i) {
            PGXMLNode key = keys->GetItem(i);
            curve->AddKey(key->GetFloat("T"), ReadKeyValue(*key));
        }
    }
    PGXMLCollection colors = node.GetCollection("Color");
    for (size_t i = 0; i < colors->Count(); ++i) {
        PGXMLNode key = colors->GetItem(i);
        const double t = key->GetFloat("T");
        const uint32_t color = ReadColorKey(*key);
        Red.AddKey(t, (color >> 16) & 0xFF);
        Green.AddKey(t, (color >> 8) & 0xFF);
        Blue.AddKey(t, color & 0xFF);
    }
}

// ---- channels with time lines ----

TGActiveChannel::~TGActiveChannel() = default;

TGClipSeg& TGActiveChannel::AddClipSeg() {
    auto segment = std::make_unique<TGClipSeg>(*this, ResManager());
    TGClipSeg& result = *segment;
    AddSegment(std::move(segment));
    return result;
}

TGMotionSeg& TGActiveChannel::AddMotionSeg() {
    auto segment = std::make_unique<TGMotionSeg>(*this);
    TGMotionSeg& result = *segment;
    AddSegment(std::move(segment));
    return result;
}

// The new segment starts where the time line ends and captures the state found there, so
// that a motion without keys holds that state.
void TGActiveChannel::AddSegment(std::unique_ptr<TGSegment> segment) {
    PushState();
    try {
        for (const auto& existing : FSegments) {
            existing->Apply(existing->EndTime());
        }
        segment->StartTime = EndTime();
        segment->Capture();
    } catch (...) {
        PopState();
        throw;
    }
    FSegments.push_back(std::move(segment));
    PopState();
}

void TGActiveChannel::ClearSegments() {
    LoopStart = nullptr;
    LoopEnd = nullptr;
    FSegments.clear();
    ++FGeneration;
}

double TGActiveChannel::EndTime() const {
    return FSegments.empty() ? FTime : FSegments.back()->EndTime();
}

void TGActiveChannel::SetTime(double t) {
    FTime = std::min(t, EndTime());
}

void TGActiveChannel::Advance(double dt) {
    const double time = FTime;
    const uint64_t generation = FGeneration;
    bool loopEndReached = false;
    // Handlers may add segments (the list grows) or clear them (the generation changes). After
    // a clear the rest of the step is dropped and the time stays, so that segments a handler
    // appends to the emptied time line begin with the next step.
    for (size_t i = 0; i < FSegments.size(); ++i) {
        TGSegment* segment = FSegments[i].get();
        const double start = segment->StartTime;
        const double end = segment->EndTime();
        if (time <= start && start < time + dt) {
            segment->Apply(start);
            Tag = segment->Tag;
            if (segment->OnStart) {
                // A handler may clear the time line and so free the segment that holds it: the
                // call runs on a copy, whose captures outlive the segment.
                auto onStart = segment->OnStart;
                onStart(*segment);
                if (FGeneration != generation) {
                    return;
                }
            }
        }
        if (start <= time + dt && time + dt < end) {
            segment->Apply(time);
        }
        if (time <= end && end < time + dt) {
            loopEndReached = loopEndReached || segment == LoopEnd;
            segment->Apply(end);
            if (segment->OnFinish) {
                auto onFinish = segment->OnFinish;
                onFinish(*segment);
                if (FGeneration != generation) {
                    return;
                }
            }
        } else if (dt <= 0.0 && end <= start && start == time) {
            // Standing on a segment of no length: show its end state; its events come with the
            // first step that passes it.
            segment->Apply(end);
        }
    }
    FTime = time + dt;
    if (loopEndReached && LoopStart) {
        FTime = LoopStart->StartTime;
    }
}

// A time line whose last segment has no length is over as soon as its time is reached, so an
// effect made only of such segments counts as finished at once instead of a frame later.
bool TGActiveChannel::IsFinished() const {
    if (FSegments.empty()) {
        return true;
    }
    if (LoopStart) {
        return false;
    }
    const double end = EndTime();
    return FTime > end || (FTime >= end && FSegments.back()->Length <= 0.0);
}

// ---- the animotion ----

TGAnimotion::TGAnimotion(TGBaseAppData& app) : TGAnimotion(app.ResManager.get(), nullptr) {}

TGAnimotion::TGAnimotion(TGResManager* resManager, TGTimer* timer)
    : FResManager(resManager), FTimer(timer), FRoot(std::make_unique<TGActiveChannel>(resManager, nullptr)) {
    FRoot->Visible = true;
}

TGAnimotion::~TGAnimotion() = default;

double TGAnimotion::GetX() const {
    return FRoot->X;
}
double TGAnimotion::GetY() const {
    return FRoot->Y;
}
void TGAnimotion::SetX(double x) {
    FRoot->X = x;
}
void TGAnimotion::SetY(double y) {
    FRoot->Y = y;
}
bool TGAnimotion::GetVisible() const {
    return FRoot->Visible;
}
void TGAnimotion::SetVisible(bool visible) {
    FRoot->Visible = visible;
}

void TGAnimotion::CheckId(int id, const char* context) {
    if (id < 0 || id >= ChannelCount) {
        throw EGError(context,
                      Format("Range check error: channel id %d is outside 0..%d", id, ChannelCount - 1));
    }
}

TGActiveChannel& TGAnimotion::GetChannel(int id) {
    CheckId(id, "TGAnimotion.GetChannel");
    const auto index = static_cast<size_t>(id);
    if (index >= FChannels.size()) {
        FChannels.resize(index + 1);
    }
    auto& slot = FChannels[index];
    if (!slot) {
        slot = std::make_unique<TGActiveChannel>(FResManager, FRoot.get());
    }
    return *slot;
}

bool TGAnimotion::HasChannel(int id) const {
    return id >= 0 && static_cast<size_t>(id) < FChannels.size() && FChannels[static_cast<size_t>(id)];
}

TGClipSeg& TGAnimotion::AddClipSeg(int id) {
    return GetChannel(id).AddClipSeg();
}

TGMotionSeg& TGAnimotion::AddMotionSeg(int id) {
    return GetChannel(id).AddMotionSeg();
}

void TGAnimotion::ClearChannels() {
    // The root may have been hung under a channel by code; it must not point at a freed one.
    if (FRoot->Parent != nullptr) {
        FRoot->Parent = nullptr;
    }
    FChannels.clear();
}

void TGAnimotion::ClearSegments() {
    for (size_t id = 0; id < FChannels.size(); ++id) {
        if (TGActiveChannel* slot = FChannels[id].get()) {
            slot->ClearSegments();
        }
    }
}

void TGAnimotion::Import(const IGXMLNode& node) {
    PGXMLCollection channels = node.GetCollection("Channel");
    for (size_t i = 0; i < channels->Count(); ++i) {
        ImportChannel(*channels->GetItem(i));
    }
}

void TGAnimotion::ImportChannel(const IGXMLNode& node) {
    const int id = node.GetIntDef("Id", 0);
    WithLocation(node, [&] {
        CheckId(id, "TGAnimotion.Import");
        return 0;
    });
    TGActiveChannel& channel = GetChannel(id);
    channel.X = node.GetFloatDef("X", channel.X);
    channel.Y = node.GetFloatDef("Y", channel.Y);
    channel.Angle = node.GetFloatDef("Angle", channel.Angle);
    channel.ScaleX = node.GetFloatDef("ScaleX", channel.ScaleX);
    channel.ScaleY = node.GetFloatDef("ScaleY", channel.ScaleY);
    channel.Visible = node.GetBoolDef("Visible", channel.Visible);
    if (node.HasAttribute("Pivot")) {
        channel.Pivot = WithLocation(node, [&] { return StrToPivot(node.GetString("Pivot")); });
    }
    channel.SeqId = node.GetStringDef("SeqId", channel.SeqId);
    channel.Frame = node.GetIntDef("Frame", channel.Frame);
    if (node.HasAttribute("Blending")) {
        channel.Blending = WithLocation(node, [&] { return StrToBlending(node.GetString("Blending")); });
    }
    if (node.HasAttribute("Parent")) {
        const int parentId = node.GetInt("Parent");
        WithLocation(node, [&] {
            CheckId(parentId, "TGAnimotion.Import");
            return 0;
        });
        TGChannel* parent = &GetChannel(parentId);
        // Code may have linked channels into a cycle already; the walk stops after as many
        // steps as there are channels.
        int steps = 0;
        for (const TGChannel* up = parent; up; up = up->Parent) {
            if (up == &channel || ++steps > TGChannel::MaxChainLength) {
                throw EGError(
                    "TGAnimotion.Import",
                    Located(Format("Parent %d of channel %d makes a cycle of Parent links", parentId, id),
                            node));
            }
        }
        channel.Parent = parent;
    }
    channel.Color = node.GetColorDef("Color", channel.Color);

    PGXMLCollection segments = node.GetCollection("Segment");
    for (size_t i = 0; i < segments->Count(); ++i) {
        ImportSegment(channel, *segments->GetItem(i));
    }
}

void TGAnimotion::ImportSegment(TGActiveChannel& channel, const IGXMLNode& node) {
    const std::string type = node.GetString("Type");
    if (type == "Motion") {
        channel.AddMotionSeg().Import(node);
    } else if (type == "Clip") {
        channel.AddClipSeg().Import(node);
    } else {
        throw EGError("TGAnimotion.Import",
                      Located(Format("Unknown segment type \"%s\"", type.c_str()), node));
    }
}

void TGAnimotion::Render(bool update) {
    if (update && FTimer) {
        UpdateByTimer();
    }
    if (!FRoot->Visible) {
        return;
    }
    for (size_t id = 0; id < FChannels.size(); ++id) {
        if (TGActiveChannel* slot = FChannels[id].get()) {
            slot->Draw();
        }
    }
}

void TGAnimotion::Update(double dt) {
    if (FPaused) {
        return;
    }
    // The size is read again after every channel, and no reference into the list is held
    // across a call: a segment handler may create channels, and those above the one it runs
    // on advance in this same step.
    for (size_t id = 0; id < FChannels.size(); ++id) {
        if (TGActiveChannel* slot = FChannels[id].get()) {
            slot->Advance(dt);
        }
    }
    FRoot->Advance(dt);
}

void TGAnimotion::UpdateByTimer() {
    if (!FTimer) {
        throw EGError("TGAnimotion.UpdateByTimer", "The animotion has no timer");
    }
    Update(FTimer->Step);
}

void TGAnimotion::SetTime(double t) {
    for (size_t id = 0; id < FChannels.size(); ++id) {
        if (TGActiveChannel* slot = FChannels[id].get()) {
            slot->SetTime(t);
        }
    }
    FRoot->SetTime(t);
}

void TGAnimotion::AlignEnds() {
    double longest = 0.0;
    auto aligned = [](const TGActiveChannel& channel) { return !channel.LoopStart; };
    for (const auto& slot : FChannels) {
        if (slot && aligned(*slot)) {
            longest = std::max(longest, slot->EndTime() - slot->Time());
        }
    }
    for (auto& slot : FChannels) {
        if (slot && aligned(*slot)) {
            const double remaining = slot->EndTime() - slot->Time();
            if (remaining < longest - 1e-5) {
                slot->AddMotionSeg().Length = longest - remaining;
            }
        }
    }
}

bool TGAnimotion::IsFinished() const {
    for (const auto& slot : FChannels) {
        if (slot && !slot->IsFinished()) {
            return false;
        }
    }
    return FRoot->IsFinished();
}

// ---- builders ----

TGClipSeg& AddClip(IGAnimotion& animotion, int channel, int parent, const std::string& seqId, uint8_t pivot,
                   double fps, bool loopStart, bool loopEnd) {
    TGClipSeg& clip = animotion.AddClipSeg(channel);
    clip.SeqId = seqId;
    clip.Pivot = pivot;
    clip.SetFPS(fps);
    clip.SetLoopStart(loopStart);
    clip.SetLoopEnd(loopEnd);
    animotion.GetChannel(channel).Parent = &animotion.GetChannel(parent);
    return clip;
}

TGMotionSeg& AddMove(IGAnimotion& animotion, int channel, double xStart, double yStart, double xEnd,
                     double yEnd, double length, double alphaStart, double alphaEnd, double angleStart,
                     double angleEnd) {
    TGMotionSeg& move = animotion.AddMotionSeg(channel);
    const std::tuple<TGCatmullRom*, double, double> keys[] = {
        {&move.X, xStart, xEnd},
        {&move.Y, yStart, yEnd},
        {&move.Alpha, alphaStart, alphaEnd},
        {&move.Angle, angleStart, angleEnd},
    };
    for (const auto& [curve, start, end] : keys) {
        curve->AddKey(0.0, start);
        curve->AddKey(1.0, end);
    }
    move.Length = length;
    return move;
}

// ---- clocks ----

TGGameAnimotion::TGGameAnimotion(TGBaseAppData& app)
    : TGAnimotion(app.ResManager.get(), app.GameClock.get()) {}

TGInterfaceAnimotion::TGInterfaceAnimotion(TGBaseAppData& app)
    : TGAnimotion(app.ResManager.get(), app.InterfaceClock.get()) {}

} // namespace qm
