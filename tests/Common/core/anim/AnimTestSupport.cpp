#include "AnimTestSupport.h"

#include "BlankArt.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

namespace qm::test {

TAnimArt::TAnimArt() {
    FDevice.SetMode(800, 600, 1.0);
    FManager = MakeBlankArt(FDevice, FFonts, "AnimTestArt",
                            {{"anim/Strip", 50, 4, 2}, {"anim/Box", 1, 20, 10}}, 256);
}

TAnimArt::~TAnimArt() = default;

const TAnimArt::Vertex* TAnimArt::LastQuad() {
    return reinterpret_cast<const Vertex*>(
        FDevice.CommonVertexBuffer(vfXYZDiffuseTex1, 4, sizeof(Vertex))->Data());
}

void TAnimArt::NewFrame() {
    FDevice.ClearScene();
}

PGXMLNode ParseXml(const std::string& text) {
    pugi::xml_document document;
    pugi::xml_parse_result parsed = document.load_string(text.c_str());
    EXPECT_TRUE(parsed) << parsed.description();
    return CreateXMLSnapshot(document.document_element(), "test.xml");
}

} // namespace qm::test
