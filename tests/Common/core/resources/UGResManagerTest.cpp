#include "UGResManager.h"
#include "TestHelpers.h"
#include "UGError.h"
#include "UGNewXMLNode.h"
#include "UGSprite.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

namespace qm {
namespace {

// Resources of made-up types: "TestBase" with the children "TestChildA" and "TestChildB".
// A resource lists the sequences named in its "Seqs" attribute; "Fail" makes creation fail.
class TTestResource : public TGResource {
public:
    TTestResource(const TGResContextRec& context, const TGResourceDef& def) : TGResource(context, def) {
        if (def.GetBoolDef("Fail", false)) {
            throw EGError("TTestResource.Create", "asked to fail: " + def.Id);
        }
        std::string names = def.GetStringDef("Seqs", "");
        size_t start = 0;
        while (start < names.size()) {
            size_t comma = names.find(',', start);
            size_t end = comma == std::string::npos ? names.size() : comma;
            FSequences.push_back(std::make_unique<TGSequence>(names.substr(start, end - start)));
            start = end + 1;
        }
        ++Alive;
    }
    ~TTestResource() override { --Alive; }
    void CollectSequences(std::vector<TGSequence*>& out) const override {
        for (const auto& sequence : FSequences) {
            out.push_back(sequence.get());
        }
    }
    static int Alive;

private:
    std::vector<std::unique_ptr<TGSequence>> FSequences;
};
int TTestResource::Alive = 0;

void RegisterTestTypes() {
    auto create = [](const TGResContextRec& context,
                     const TGResourceDef& def) -> std::unique_ptr<TGResource> {
        return std::make_unique<TTestResource>(context, def);
    };
    TGResourceRegistry& registry = TGResourceRegistry::Instance();
    registry.Register("TestBase", "", create);
    registry.Register("TestChildA", "TestBase", create);
    registry.Register("TestChildB", "TestBase", create);
}

class ResManagerTest : public ::testing::Test {
protected:
    void Load(const std::string& config, const std::string& fonts = "<Fonts/>") {
        RegisterTestTypes();
        ASSERT_TRUE(document.load_string(config.c_str()));
        TGResContextRec context;
        context.Config = CreateXMLSnapshot(document.document_element(), "test.xml");
        fontFile.LoadFromString(fonts);
        context.Fonts = &fontFile;
        manager = std::make_unique<TGResManager>(context);
    }
    std::vector<std::string> Ids(const std::string& set) {
        std::vector<std::string> ids;
        for (const TGResourceDef& def : manager->UpdateResources(set)) {
            ids.push_back(def.Id);
        }
        return ids;
    }

    pugi::xml_document document;
    TGNewXMLNode fontFile{"Fonts"};
    std::unique_ptr<TGResManager> manager;
};

const char* const Config = R"(<Config>
  <Resource Id="MenuBack" Type="TestChildA" Seqs="menu/back,Intro"/>
  <Resource Id="MenuButtons" Type="TestChildB" Seqs="menu/button"/>
  <Resource Id="Shared" Type="TestChildA" Seqs="intro,shared/logo"/>
  <Resource Id="Broken" Type="TestChildA" Fail="1"/>
  <ResourceSet Name="Menu">
    <Include ResType="TestBase" Path="Menu"/>
    <Include ResType="TestChildA" Path="Shared"/>
  </ResourceSet>
  <ResourceSet Name="Map">
    <Exclude ResType="TestBase" Path="Broken"/>
    <Include ResType="TestChildA"/>
  </ResourceSet>
  <ResourceSet Name="OnlyB"><Include ResType="TestChildB"/></ResourceSet>
  <ResourceSet Name="Bad"><Include ResType="TestChildA" Path="Broken"/></ResourceSet>
  <ResourceSet Name="Unknown"><Include ResType="NoSuchType"/></ResourceSet>
</Config>)";

TEST_F(ResManagerTest, SetsTakeTheirTypesAndTheirDescendantsAndExcludesComeLast) {
    Load(Config);
    EXPECT_EQ(Ids("Menu"), (std::vector<std::string>{"MenuBack", "MenuButtons", "Shared"}));
    EXPECT_EQ(Ids("OnlyB"), (std::vector<std::string>{"MenuButtons"}));
    // The exclude is written before the include and still removes what the include added.
    EXPECT_EQ(Ids("Map"), (std::vector<std::string>{"MenuBack", "Shared"}));
    EXPECT_TRUE(Ids("").empty());
}

TEST_F(ResManagerTest, ErrorsNameTheFileTheSetTheTypeTheIdAndTheSequence) {
    Load(Config);
    struct {
        std::function<void()> Call;
        const char* Text;
    } cases[] = {
        {[&] { manager->UpdateResources("Nowhere"); },
         "TGResManager.UpdateResources: test.xml: Config: ResourceSet \"Nowhere\" not found"},
        {[&] { manager->UpdateResources("Unknown"); },
         "TGResource.ResolveClass: test.xml: Config/ResourceSet/Include: Resource type \"NoSuchType\" "
         "not registered"},
        {[&] { manager->LookupResource("Nothing"); },
         "TGResManager.LookupResource: test.xml: Config: no Resource with Id \"Nothing\""},
        {[&] { manager->GetSeq("menu/back"); }, "TGResManager.GetSeq: Sequence \"menu/back\" not found"},
        {[&] { manager->GetItem(TGResourceRegistry::Instance().ResolveClass("TestChildB"), "MenuBack"); },
         "TGResManager.GetItem: TestChildB \"MenuBack\" not found"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(test::ErrorText(c.Call), c.Text);
    }
}

TEST_F(ResManagerTest, SwitchingKeepsSharedResourcesAndFreesTheRest) {
    Load(Config);
    manager->SetResourceSet("Menu");
    ASSERT_EQ(manager->Count(), 3u);
    EXPECT_EQ(TTestResource::Alive, 3);
    uint32_t updates = manager->UpdateCount();

    manager->SetResourceSet("OnlyB");
    ASSERT_EQ(manager->Count(), 1u);
    EXPECT_EQ(manager->At(0).Id(), "MenuButtons");
    EXPECT_EQ(TTestResource::Alive, 1);
    EXPECT_GT(manager->UpdateCount(), updates);

    manager->SetResourceSet("Menu");
    manager->SetResourceSet("Menu"); // the same name again does nothing
    EXPECT_EQ(TTestResource::Alive, 3);
    manager->LoadResource("Shared");
    EXPECT_EQ(manager->Count(), 3u) << "already loaded";

    manager->SetResourceSet("");
    EXPECT_EQ(manager->Count(), 0u);
    EXPECT_EQ(TTestResource::Alive, 0);
    EXPECT_FALSE(manager->HasSeq("intro"));
}

TEST_F(ResManagerTest, ASharedResourceIsTheSameObjectAcrossSets) {
    Load(R"(<Config>
      <Resource Id="Common" Type="TestChildA" Seqs="common"/>
      <Resource Id="First" Type="TestChildA"/>
      <Resource Id="Second" Type="TestChildB"/>
      <ResourceSet Name="A"><Include ResType="TestChildA"/></ResourceSet>
      <ResourceSet Name="B"><Include ResType="TestChildA" Path="Common"/><Include ResType="TestChildB"/></ResourceSet>
    </Config>)");
    manager->SetResourceSet("A");
    TGResource* common = &manager->At(0);
    TGSequence* sequence = &manager->GetSeq("COMMON");
    manager->SetResourceSet("B");
    ASSERT_EQ(manager->Count(), 2u);
    EXPECT_EQ(&manager->At(0), common);
    EXPECT_EQ(&manager->GetSeq("common"), sequence);
    EXPECT_EQ(manager->At(1).Id(), "Second");
}

TEST_F(ResManagerTest, TheFirstLoadedPoolWinsASequenceNameInAnyLetterCase) {
    Load(Config);
    manager->SetResourceSet("Menu");
    // "Intro" of MenuBack and "intro" of Shared: MenuBack was loaded first.
    TGSequence& intro = manager->GetSeq("INTRO");
    EXPECT_EQ(intro.Name(), "Intro");
    EXPECT_TRUE(manager->HasSeq("Shared/Logo"));
}

TEST_F(ResManagerTest, AFailedSwitchLeavesNoFreedSequenceInTheIndexAndARetryStartsAgain) {
    Load(Config);
    manager->SetResourceSet("Menu");
    EXPECT_THROW(manager->SetResourceSet("Bad"), EGError);
    EXPECT_FALSE(manager->HasSeq("menu/back")) << "the index holds only what is loaded";
    EXPECT_EQ(TTestResource::Alive, static_cast<int>(manager->Count()));
    EXPECT_THROW(manager->SetResourceSet("Bad"), EGError) << "the same name is tried again";
    manager->SetResourceSet("Menu");
    EXPECT_EQ(manager->Count(), 3u);
    EXPECT_TRUE(manager->HasSeq("menu/back"));
}

TEST_F(ResManagerTest, LoadResourceAddsOneResourceUntilTheNextChange) {
    Load(Config);
    manager->SetResourceSet("OnlyB");
    manager->LoadResource("Shared");
    EXPECT_TRUE(manager->HasSeq("shared/logo"));
    EXPECT_THROW(manager->LoadResource("Broken"), EGError);
    EXPECT_EQ(manager->Count(), 2u) << "a failed load adds nothing";
    EXPECT_THROW(manager->LoadResource("NotDefined"), EGError);
    manager->SetResourceSet("Menu");
    manager->SetResourceSet("OnlyB");
    EXPECT_FALSE(manager->HasSeq("shared/logo"));
}

TEST_F(ResManagerTest, FontDefinitionsComeFromTheFontFileAfterTheConfiguration) {
    Load(R"(<Config>
      <Resource Id="One" Type="TestChildA"/>
      <ResourceSet Name="All"><Include ResType="TestBase"/></ResourceSet>
    </Config>)",
         R"(<Fonts><Resource Id="Two" Type="TestChildB"/></Fonts>)");
    EXPECT_EQ(Ids("All"), (std::vector<std::string>{"One", "Two"}));
    EXPECT_THROW(manager->LookupResource("Two"), EGError) << "the font file is not searched by id";
    EXPECT_TRUE(manager->HasResourceDef("One"));
    EXPECT_FALSE(manager->HasResourceDef("Two")) << "as LookupResource";
    EXPECT_FALSE(manager->HasResourceDef("one")) << "ids compare exactly";
}

} // namespace
} // namespace qm
