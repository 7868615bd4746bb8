// Writes the seed corpora of the harnesses from the default data folder, the PNG test suite and
// the hand-written seeds kept beside the harnesses:
//   quillmark-fuzz-seeds DATA_FOLDER PNG_SUITE_FOLDER SEED_FOLDER OUTPUT_FOLDER
// Each harness gets OUTPUT_FOLDER/<harness>/. Nothing is written into the data folder: caches and
// archives are made in a temporary folder.
#include "FuzzSupport.h"
#include "TestOgg.h"
#include "TestSounds.h"
#include "UGCompress.h"
#include "UGConfigPreprocessor.h"
#include "UGError.h"
#include "UGFileSystem.h"
#include "UGGraphicsFile.h"
#include "UGNewXMLNode.h"
#include "UGResManager.h"
#include "UGSeqPool.h"
#include "UGStrings.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

namespace {

using namespace qm;
namespace fs = std::filesystem;

// Larger seeds slow every execution down and teach the fuzzer nothing a small picture does not.
constexpr uintmax_t MaxSeedBytes = 256 * 1024;

class TCorpus {
public:
    TCorpus(const fs::path& root, const std::string& harness) : FFolder(root / harness) {
        fs::create_directories(FFolder);
    }
    void Add(const std::string& name, const std::string& bytes) {
        std::string safe = name;
        std::replace_if(
            safe.begin(), safe.end(), [](char c) { return c == '/' || c == '\\'; }, '_');
        std::ofstream out(FFolder / safe, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        ++FCount;
    }
    size_t Count() const { return FCount; }

private:
    fs::path FFolder;
    size_t FCount = 0;
};

std::vector<fs::path> FilesUnder(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file() && it->file_size() <= MaxSeedBytes) {
            files.push_back(it->path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

bool EndsWith(const fs::path& path, const char* ending) {
    return LowerAscii(path.filename().string()).ends_with(ending);
}

std::string Relative(const fs::path& file, const fs::path& folder) {
    return fs::relative(file, folder).generic_string();
}

void CopyFolder(const fs::path& from, TCorpus& corpus) {
    for (const fs::path& file : FilesUnder(from)) {
        corpus.Add(file.filename().string(), ReadWholeFile(file));
    }
}

void ImageSeeds(const fs::path& data, const fs::path& suite, TCorpus& corpus) {
    for (const fs::path& file : FilesUnder(data / "gfx")) {
        if (HasImageExtension(file.filename().string())) {
            const std::string name = Relative(file, data);
            corpus.Add(name, name + "\n" + ReadWholeFile(file));
        }
    }
    for (const fs::path& file : FilesUnder(suite)) {
        if (EndsWith(file, ".png")) {
            const std::string name = "gfx/suite/" + file.filename().string();
            corpus.Add(name, name + "\n" + ReadWholeFile(file));
        }
    }
}

bool IsLanguageFile(const fs::path& file, const fs::path& data) {
    return Relative(file, data).starts_with("lang/");
}

void ConfigSeeds(const fs::path& data, TCorpus& xml, TCorpus& caches, const fs::path& scratch) {
    for (const fs::path& file : FilesUnder(data)) {
        if (!EndsWith(file, ".xml")) {
            continue;
        }
        const std::string name = Relative(file, data);
        if (IsLanguageFile(file, data)) {
            TGNewXMLNode node("Document");
            node.LoadFromString(ReadWholeFile(file), name);
            caches.Add(name + ".cr", std::string(1, '\1') + ZCompress(node.SaveToString(), 1));
            continue;
        }
        xml.Add(name, ReadWholeFile(file));
        if (file.parent_path() == data) {
            // Its includes are not in the harness's folder: the whole text, included parts in
            // place, is the seed that reaches the snapshot.
            xml.Add(name + ".whole", TGConfigPreprocessor(data, false).ProcessFile(file));
            const fs::path cache = scratch / (file.filename().string() + ".cr");
            TGConfigPreprocessor(data, false).Process(file, cache, true, true);
            caches.Add(name + ".cr", std::string(1, '\0') + ReadWholeFile(cache));
        }
    }
}

// The whole font file, and each image font of it alone.
void ImageFontSeeds(const fs::path& data, TCorpus& corpus) {
    const fs::path fonts = data / "lang" / "Fonts.xml";
    const std::string text = ReadWholeFile(fonts);
    corpus.Add("Fonts.xml", text);
    pugi::xml_document document;
    document.load_string(text.c_str());
    int index = 0;
    for (pugi::xml_node resource : document.document_element().children("Resource")) {
        if (std::string(resource.attribute("Type").value()) != "ImageFont") {
            continue;
        }
        std::ostringstream out;
        out << "<Fonts>";
        resource.print(out, "", pugi::format_raw);
        out << "</Fonts>";
        corpus.Add(Format("font%02d.xml", index++), out.str());
    }
}

// One archive per image folder of the data, each built from a copy named as the harness names it.
void GfxSeeds(const fs::path& data, TCorpus& corpus, const fs::path& scratch) {
    std::vector<fs::path> folders{scratch / "sample"};
    fuzz::WriteSampleArt(folders.front());
    std::error_code ec;
    for (fs::recursive_directory_iterator it(data / "gfx", ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_directory()) {
            folders.push_back(it->path());
        }
    }
    for (const fs::path& folder : folders) {
        const fs::path copy = scratch / "gfxdata" / "gfx" / "art";
        fs::remove_all(scratch / "gfxdata");
        fs::create_directories(copy);
        uintmax_t total = 0;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            if (entry.is_regular_file() && HasImageExtension(entry.path().filename().string())) {
                total += entry.file_size();
                fs::copy_file(entry.path(), copy / entry.path().filename());
            }
        }
        // Every execution decodes the whole archive, so only the smaller folders make seeds.
        if (total == 0 || total > MaxSeedBytes / 4) {
            continue;
        }
        const fs::path archive = BuildGfxArchive(scratch / "gfxdata", "gfx", "art");
        corpus.Add(Relative(folder, folder.parent_path().parent_path()) + ".gfx", ReadWholeFile(archive));
    }
}

// The bundle a pool leaves behind, built from the sample art exactly as the harness defines it.
void BundleSeeds(TCorpus& corpus, const fs::path& scratch) {
    RegisterSeqPoolClass();
    const fs::path data = scratch / "bundledata";
    const fs::path user = scratch / "bundleuser";
    fuzz::WriteSampleArt(data / "gfx" / "art");
    fuzz::TNullDevice device;
    fs::path bundle;
    {
        std::unique_ptr<TGResource> pool = fuzz::CreatePool(device, fuzz::SamplePoolXml, data, user);
        bundle = dynamic_cast<TGSeqPool&>(*pool).BundleFile();
    }
    corpus.Add("sample.bun", ZDecompress(ReadWholeFile(bundle)));
}

// The sound files of the data folder by their kind, and two small ones made here, so that the
// harnesses have seeds before the data folder has sounds.
void SoundSeeds(const fs::path& data, TCorpus& wave, TCorpus& module, TCorpus& ogg) {
    wave.Add("tone.wav", test::MakeToneWave(0.05, 8000));
    ogg.Add("stereo.ogg", test::MakeToneOgg(0.3, 2, 44100));
    ogg.Add("mono-22050.ogg", test::MakeToneOgg(0.2, 1, 22050));
    module.Add("patterns.mod", test::MakeTestModule({64, 32, 16}));
    for (const fs::path& file : FilesUnder(data)) {
        std::string extension = LowerAscii(file.extension().string());
        if (extension == ".wav") {
            wave.Add(Relative(file, data), ReadWholeFile(file));
        } else if (extension == ".xm" || extension == ".mod" || extension == ".s3m" || extension == ".it") {
            module.Add(Relative(file, data), ReadWholeFile(file));
        } else if (extension == ".ogg") {
            ogg.Add(Relative(file, data), ReadWholeFile(file));
        }
    }
}

std::string XmlText(const pugi::xml_document& document) {
    std::ostringstream out;
    document.save(out, "  ");
    return out.str();
}

// The game configuration whole, and each level alone with the rest of the configuration but the
// other levels, so that most seeds are small.
void LevelSeeds(const fs::path& data, TCorpus& corpus) {
    const std::string whole = TGConfigPreprocessor(data, false).ProcessFile(data / "GameConfig.xml");
    corpus.Add("GameConfig.xml", whole);
    pugi::xml_document config;
    if (!config.load_string(whole.c_str())) {
        throw EGError("quillmark-fuzz-seeds", "the default GameConfig.xml does not parse");
    }
    const pugi::xml_node root = config.document_element();
    int index = 0;
    for (const char* part : {"Level", "SecretLevelField"}) {
        for (pugi::xml_node kept : root.children(part)) {
            pugi::xml_document slice;
            pugi::xml_node sliceRoot = slice.append_copy(root);
            for (pugi::xml_node child = sliceRoot.first_child(); child;) {
                const pugi::xml_node next = child.next_sibling();
                const std::string name = child.name();
                if (name == "Level" || name == "SecretLevelField") {
                    sliceRoot.remove_child(child);
                }
                child = next;
            }
            sliceRoot.append_copy(kept);
            corpus.Add(Format("%s%02d.xml", part, ++index), XmlText(slice));
        }
    }
}

// Widget types of the game, which the engine alone does not know, stand in the seeds as the
// engine's nearest one.
void EngineTypesOnly(pugi::xml_node node) {
    static const char* const known[] = {"Widget",   "Image",     "Screen",          "Dialog",
                                        "Button",   "Animotion", "Label",           "ScrollBar",
                                        "CheckBox", "EditBox",   "ScrollBarSlider", "EditBoxContent"};
    if (pugi::xml_attribute type = node.attribute("Type");
        type && std::string_view(node.name()) == "Widget") {
        const std::string value = type.value();
        if (std::find(std::begin(known), std::end(known), value) == std::end(known)) {
            type.set_value(value.ends_with("Screen") ? "Screen" : "Dialog");
        }
    }
    for (pugi::xml_node child : node.children()) {
        EngineTypesOnly(child);
    }
}

void CollectEffects(const pugi::xml_node node, const std::string& name, TCorpus& corpus, int& index) {
    for (pugi::xml_node child : node.children()) {
        const std::string tag = child.name();
        if (tag == "ShowEffect" || tag == "HideEffect") {
            pugi::xml_document effect;
            effect.append_copy(child);
            corpus.Add(Format("%s.%02d.xml", name.c_str(), ++index), XmlText(effect));
        } else {
            CollectEffects(child, name, corpus, index);
        }
    }
}

// Every screen of the data's widget files alone, and every show and hide effect alone.
void WidgetSeeds(const fs::path& data, TCorpus& screens, TCorpus& effects) {
    for (const fs::path& file : FilesUnder(data / "config")) {
        if (!EndsWith(file, ".xml")) {
            continue;
        }
        // The files hold several elements at the top, as the preprocessor assembles them.
        std::string body = ReadWholeFile(file);
        if (body.starts_with("<?xml") && body.find("?>") != std::string::npos) {
            body.erase(0, body.find("?>") + 2);
        }
        const std::string text = "<Root>" + body + "</Root>";
        pugi::xml_document document;
        if (!document.load_string(text.c_str())) {
            continue;
        }
        const std::string name = Relative(file, data);
        int index = 0;
        for (pugi::xml_node widget : document.document_element().children("Widget")) {
            pugi::xml_document screen;
            EngineTypesOnly(screen.append_copy(widget));
            screens.Add(Format("%s.%02d.xml", name.c_str(), ++index), XmlText(screen));
        }
        int effectIndex = 0;
        CollectEffects(document.document_element(), name, effects, effectIndex);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s DATA_FOLDER PNG_SUITE_FOLDER SEED_FOLDER OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    // Absolute, since the preprocessor takes relative names against the data folder itself.
    const fs::path data = fs::absolute(argv[1]);
    const fs::path suite = fs::absolute(argv[2]);
    const fs::path seeds = fs::absolute(argv[3]);
    const fs::path output = fs::absolute(argv[4]);
    try {
        const fs::path scratch = fuzz::TScratch::Instance().Fresh();
        TCorpus inputScript(output, "input_script");
        CopyFolder(seeds / "input_script", inputScript);
        TCorpus image(output, "image");
        ImageSeeds(data, suite, image);
        TCorpus configXml(output, "config_xml");
        CopyFolder(seeds / "config_xml", configXml);
        TCorpus configCache(output, "config_cache");
        ConfigSeeds(data, configXml, configCache, scratch);
        TCorpus language(output, "language");
        for (const fs::path& file : FilesUnder(data / "lang")) {
            if (EndsWith(file, ".xml")) {
                language.Add(file.filename().string(), ReadWholeFile(file));
            }
        }
        TCorpus imageFont(output, "image_font");
        ImageFontSeeds(data, imageFont);
        TCorpus gfx(output, "gfx_archive");
        GfxSeeds(data, gfx, scratch);
        TCorpus bundle(output, "bundle");
        BundleSeeds(bundle, scratch);
        TCorpus animotionXml(output, "animotion_xml");
        CopyFolder(seeds / "animotion_xml", animotionXml);
        TCorpus fieldText(output, "field_text");
        CopyFolder(seeds / "field_text", fieldText);
        TCorpus save(output, "save");
        CopyFolder(seeds / "save", save);
        TCorpus wave(output, "wave");
        TCorpus module(output, "module");
        TCorpus ogg(output, "ogg");
        SoundSeeds(data, wave, module, ogg);
        TCorpus song(output, "song");
        for (const fs::path& file : FilesUnder(data / "music")) {
            if (EndsWith(file, ".song")) {
                song.Add(file.filename().string(), ReadWholeFile(file));
            }
        }
        TCorpus levelCheck(output, "level_check");
        LevelSeeds(data, levelCheck);
        TCorpus widgetScreen(output, "widget_screen");
        TCorpus effectXml(output, "effect_xml");
        WidgetSeeds(data, widgetScreen, effectXml);
        // The hand-written animotions, each as the one animotion of a show effect.
        for (const fs::path& file : FilesUnder(seeds / "animotion_xml")) {
            std::string body = ReadWholeFile(file);
            if (body.starts_with("<?xml") && body.find("?>") != std::string::npos) {
                body.erase(0, body.find("?>") + 2);
            }
            effectXml.Add("animotion." + file.filename().string(),
                          "<ShowEffect Type=\"AniEffect\">" + body + "</ShowEffect>");
        }
        for (const TCorpus* corpus : {&inputScript, &image, &configXml, &configCache, &language, &imageFont,
                                      &gfx, &bundle, &animotionXml, &wave, &module, &ogg, &song, &fieldText,
                                      &levelCheck, &widgetScreen, &effectXml}) {
            if (corpus->Count() == 0) {
                throw EGError("quillmark-fuzz-seeds", "a harness got no seeds; is the data folder built?");
            }
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quillmark-fuzz-seeds: %s\n", error.what());
        return 1;
    }
    return 0;
}
