#pragma once

#include "UGGraphicsDevice.h"
#include "UGNewXMLNode.h"
#include "UGResManager.h"

#include <memory>
#include <string>
#include <vector>

namespace qm::test {

struct TBlankSequence {
    std::string Name;
    int Frames = 1;
    int Width = 1;
    int Height = 1;
};

// A resource manager on `device` whose only resource, of the type `typeName`, holds blank
// sequences of the given sizes in one texture pack of packSize x packSize: enough for code that
// looks pictures up and draws them on the null renderer. A type keeps the sequences it was first
// made with.
std::unique_ptr<TGResManager> MakeBlankArt(TGGraphicsDevice& device, TGNewXMLNode& fonts,
                                           const std::string& typeName, std::vector<TBlankSequence> sequences,
                                           int packSize);

} // namespace qm::test
