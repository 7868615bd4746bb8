// Image-font descriptions as the language's font file holds them: "Resource" elements of type
// ImageFont with their letters, widths or cuts, indents and kerning pairs. Every glyph sheet the
// input names is a blank picture of a fixed size, so the arithmetic of measuring and drawing runs
// on the numbers of the description.
#include "FuzzSupport.h"
#include "UDictionary.h"
#include "UGFont.h"
#include "UGNewXMLNode.h"
#include "UGResManager.h"
#include "UGSprite.h"
#include "UGTexturePack.h"
#include "UGXMLNode.h"

#include <pugixml.hpp>

#include <memory>
#include <set>
#include <vector>

namespace {

using namespace qm;

constexpr int SheetWidth = 240;
constexpr int SheetHeight = 24;
constexpr size_t MaxSheets = 8;

// Stands in for the sequence pools: one blank sheet for each SeqId of the font file.
class TFuzzSheets : public TGResource {
public:
    TFuzzSheets(const TGResContextRec& context, const TGResourceDef& def)
        : TGResource(context, def), FPack(*context.Device, false, pfA8R8G8B8, 256, 256) {
        std::set<std::string> names;
        const TGNewXMLCollection& resources = context.Fonts->GetCollection("Resource");
        for (size_t i = 0; i < resources.Count() && names.size() < MaxSheets; ++i) {
            if (resources.GetItem(i).HasAttribute("SeqId")) {
                names.insert(resources.GetItem(i).GetString("SeqId"));
            }
        }
        for (const std::string& name : names) {
            auto sequence = std::make_unique<TGSequence>(name);
            sequence->Add(std::make_unique<TGSprite>(*context.Device, SheetWidth, SheetHeight, FPack, false));
            FSequences.push_back(std::move(sequence));
        }
    }
    void CollectSequences(std::vector<TGSequence*>& out) const override {
        for (const auto& sequence : FSequences) {
            out.push_back(sequence.get());
        }
    }

private:
    TGTexturePack FPack;
    std::vector<std::unique_ptr<TGSequence>> FSequences;
};

constexpr char CoreConfig[] = R"(<Core>
  <Resource Id="FuzzSheets" Type="FuzzSheets"/>
  <ResourceSet Name="Text"><Include ResType="FuzzSheets"/><Include ResType="ImageFont"/></ResourceSet>
</Core>)";

void DrawWith(TGFont& font, const std::string& text) {
    font.MeasureString(text);
    font.DrawString(text, 0xFFFFFFFFu, 10.0, 20.0);
    font.DrawStringEx(text, {0xFFFF0000u, 0xFF00FF00u}, 400.0, 300.0, 200.0, 1, 2.0, 0.5);
    font.DrawStringEx(text, {}, 790.0, 590.0, 0.0, 2, 0.25, -3.0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool registered = [] {
        RegisterFontClasses();
        TGResourceRegistry::Instance().Register(
            "FuzzSheets", "", [](const TGResContextRec& context, const TGResourceDef& def) {
                return std::unique_ptr<TGResource>(std::make_unique<TFuzzSheets>(context, def));
            });
        return true;
    }();
    (void)registered;

    fuzz::TNullDevice device;
    TDictionary dictionary;
    TGNewXMLNode fonts("Fonts");
    if (!fuzz::ReadsOrFails([&] { fonts.LoadFromString(fuzz::Bytes(data, size), "Fonts.xml"); })) {
        return 0;
    }
    pugi::xml_document document;
    document.load_string(CoreConfig);
    TGResContextRec context;
    context.Device = &device.Device();
    context.Config = CreateXMLSnapshot(document.document_element(), "Core.xml");
    context.Fonts = &fonts;
    context.Dictionary = &dictionary;
    context.DataFolder = fuzz::TScratch::Instance().Path();
    fuzz::ReadsOrFails([&] {
        TGResManager manager(context);
        manager.SetResourceSet("Text");
        for (size_t i = 0; i < manager.Count(); ++i) {
            auto* font = dynamic_cast<TGImageFont*>(&manager.At(i));
            if (!font) {
                continue;
            }
            std::string ownLetters;
            for (const TGImageGlyph& glyph : font->Glyphs()) {
                if (glyph.Char < 0x80) {
                    ownLetters += static_cast<char>(glyph.Char);
                }
            }
            fuzz::ReadsOrFails([&] { DrawWith(*font, ownLetters); });
            fuzz::ReadsOrFails([&] { DrawWith(*font, "Quillmark 1234567890 AVAWAY"); });
            fuzz::ReadsOrFails([&] { font->LineHeight(); });
        }
    });
    return 0;
}
