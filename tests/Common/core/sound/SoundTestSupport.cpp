#include "SoundTestSupport.h"

#include "UGXMLNode.h"

#include <cmath>
#include <pugixml.hpp>

namespace qm::test {

double Rms(const std::vector<int16_t>& samples, double fromSeconds, double toSeconds) {
    auto first = static_cast<size_t>(fromSeconds * AudioRate) * AudioChannels;
    auto last = std::min(samples.size(), static_cast<size_t>(toSeconds * AudioRate) * AudioChannels);
    if (last <= first) {
        return 0.0;
    }
    double sum = 0.0;
    for (size_t i = first; i < last; ++i) {
        sum += double(samples[i]) * samples[i];
    }
    return std::sqrt(sum / double(last - first));
}

TSoundRig::TSoundRig(const std::string& soundXml,
                     const std::vector<std::pair<std::string, std::string>>& files, int soundVolume,
                     int musicVolume, int ambientVolume) {
    for (const auto& [name, bytes] : files) {
        Folder.Write(name, bytes);
    }
    pugi::xml_document document;
    std::string text = "<CoreConfig>" + soundXml + "</CoreConfig>";
    if (!document.load_string(text.c_str())) {
        throw std::runtime_error("bad test configuration: " + text);
    }
    PGXMLNode config = CreateXMLSnapshot(document.document_element(), "Sounds.xml");
    Engine = std::make_unique<TGBassEngine>(config, Output, Ticks, Folder.Path(), soundVolume, musicVolume,
                                            ambientVolume);
}

void TSoundRig::Load() {
    Engine->LoadSounds(nullptr);
    Engine->Update();
}

void TSoundRig::Run(double seconds) {
    constexpr int FrameMs = 10;
    constexpr int FramesPerTick = AudioRate * FrameMs / 1000;
    for (int tick = 0; tick < static_cast<int>(std::lround(seconds * 1000 / FrameMs)); ++tick) {
        std::vector<int16_t> block = Output.Render(FramesPerTick);
        Recording.insert(Recording.end(), block.begin(), block.end());
        Ticks.Advance(FrameMs);
        Engine->Update();
    }
}

} // namespace qm::test
