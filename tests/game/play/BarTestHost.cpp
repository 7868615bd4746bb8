#include "BarTestHost.h"

#include "PlayTestHost.h"

namespace qm::test {

TBarTestHost::TBarTestHost() : Environment(MakeEnvironment()), Clock(Ticks, 1.0) {}

int TBarTestHost::FrameCount(const std::string& name) {
    auto found = Frames.find(name);
    return found == Frames.end() ? 0 : found->second;
}

std::unique_ptr<ITimeBarIce> TBarTestHost::CreateTimeBarIce(double seconds) {
    auto ice = std::make_unique<TRecordingIce>();
    Ices.push_back(ice.get());
    IceSeconds.push_back(seconds);
    return ice;
}

} // namespace qm::test
