#include "UGResManager.h"

#include "UGError.h"
#include "UGNewXMLNode.h"
#include "UGSprite.h"
#include "UGStrings.h"

#include <algorithm>

namespace qm {

bool TGResourceDef::HasAttribute(const std::string& name) const {
    return Node ? Node->HasAttribute(name) : PlainNode && PlainNode->HasAttribute(name);
}

std::string TGResourceDef::GetString(const std::string& name) const {
    if (Node) {
        return Node->GetString(name);
    }
    if (!PlainNode) {
        throw EGError(Format("Attribute \"%s\" not found", name.c_str()));
    }
    return PlainNode->GetString(name);
}

std::string TGResourceDef::GetStringDef(const std::string& name, const std::string& def) const {
    return HasAttribute(name) ? GetString(name) : def;
}

bool TGResourceDef::GetBoolDef(const std::string& name, bool def) const {
    return Node ? Node->GetBoolDef(name, def) : PlainNode ? PlainNode->GetBoolDef(name, def) : def;
}

double TGResourceDef::GetFloat(const std::string& name) const {
    if (Node) {
        return Node->GetFloat(name);
    }
    if (!PlainNode) {
        throw EGError(Format("Attribute \"%s\" not found", name.c_str()));
    }
    return PlainNode->GetFloat(name);
}

double TGResourceDef::GetFloatDef(const std::string& name, double def) const {
    return HasAttribute(name) ? GetFloat(name) : def;
}

int32_t TGResourceDef::GetInt(const std::string& name) const {
    if (Node) {
        return Node->GetInt(name);
    }
    if (!PlainNode) {
        throw EGError(Format("Attribute \"%s\" not found", name.c_str()));
    }
    return PlainNode->GetInt(name);
}

int32_t TGResourceDef::GetIntDef(const std::string& name, int32_t def) const {
    return HasAttribute(name) ? GetInt(name) : def;
}

std::vector<TGResourceDef> TGResourceDef::Children(const std::string& tag) const {
    std::vector<TGResourceDef> result;
    if (Node) {
        PGXMLCollection children = Node->GetCollection(tag);
        for (size_t i = 0; i < children->Count(); ++i) {
            result.push_back({Id, Type, children->GetItem(i), nullptr});
        }
    } else if (PlainNode) {
        const TGNewXMLCollection& children = PlainNode->GetCollection(tag);
        for (size_t i = 0; i < children.Count(); ++i) {
            result.push_back({Id, Type, nullptr, &children.GetItem(i)});
        }
    }
    return result;
}

std::string TGResourceDef::Location() const {
    // Element paths carry no index, so the Id tells which of the many resources it is.
    if (Node) {
        return Format("%s \"%s\"", Node->GetLocation().c_str(), Id.c_str());
    }
    return Format("lang/Fonts: Resource \"%s\"", Id.c_str());
}

bool TGResourceClass::IsOrDerivesFrom(const TGResourceClass* other) const {
    for (const TGResourceClass* cls = this; cls; cls = cls->Parent) {
        if (cls == other) {
            return true;
        }
    }
    return false;
}

TGResourceRegistry& TGResourceRegistry::Instance() {
    static TGResourceRegistry registry;
    return registry;
}

const TGResourceClass& TGResourceRegistry::Register(
    const std::string& typeName, const std::string& parentTypeName,
    std::function<std::unique_ptr<TGResource>(const TGResContextRec&, const TGResourceDef&)> create) {
    if (const TGResourceClass* existing = Find(typeName)) {
        return *existing;
    }
    auto cls = std::make_unique<TGResourceClass>();
    cls->TypeName = typeName;
    cls->Parent = parentTypeName.empty() ? nullptr : &ResolveClass(parentTypeName);
    cls->Create = std::move(create);
    FClasses.push_back(std::move(cls));
    return *FClasses.back();
}

const TGResourceClass* TGResourceRegistry::Find(const std::string& typeName) const {
    for (const auto& cls : FClasses) {
        if (cls->TypeName == typeName) {
            return cls.get();
        }
    }
    return nullptr;
}

const TGResourceClass& TGResourceRegistry::ResolveClass(const std::string& typeName) const {
    const TGResourceClass* cls = Find(typeName);
    if (!cls) {
        throw EGError("TGResource.ResolveClass",
                      Format("Resource type \"%s\" not registered", typeName.c_str()));
    }
    return *cls;
}

namespace {

// The class of a type named in the data, with an error saying where the name was written.
const TGResourceClass& ResolveClassAt(const std::string& typeName, const std::string& location) {
    if (const TGResourceClass* cls = TGResourceRegistry::Instance().Find(typeName)) {
        return *cls;
    }
    throw EGError("TGResource.ResolveClass",
                  Format("%s: Resource type \"%s\" not registered", location.c_str(), typeName.c_str()));
}

} // namespace

const TGResourceClass& TGResManager::ResolveDefinitionClass(const TGResourceDef& def) {
    return ResolveClassAt(def.Type, def.Location());
}

const TGResourceClass& TGResManager::ResolveRuleClass(const PGXMLNode& rule) {
    return ResolveClassAt(rule->GetString("ResType"), rule->GetLocation());
}

std::string TGResManager::ConfigLocation() const {
    return FContext.Config ? FContext.Config->GetLocation() : std::string("no configuration");
}

TGResource::TGResource(const TGResContextRec& context, const TGResourceDef& def)
    : FId(def.Id), FClass(&TGResourceRegistry::Instance().ResolveClass(def.Type)), FContext(context) {}

TGResource::~TGResource() = default;

TGResManager::TGResManager(TGResContextRec context) : FContext(std::move(context)) {
    FContext.ResManager = this;
}

TGResManager::~TGResManager() {
    FSequenceIndex.clear();
    // Freed in load order, as they were loaded.
    for (auto& resource : FResources) {
        resource.reset();
    }
    FResources.clear();
}

std::vector<TGResourceDef> TGResManager::AllDefinitions() const {
    std::vector<TGResourceDef> result;
    if (FContext.Config) {
        PGXMLCollection resources = FContext.Config->GetCollection("Resource");
        for (size_t i = 0; i < resources->Count(); ++i) {
            PGXMLNode node = resources->GetItem(i);
            result.push_back({node->GetString("Id"), node->GetString("Type"), node, nullptr});
        }
    }
    if (FContext.Fonts) {
        const TGNewXMLCollection& resources = FContext.Fonts->GetCollection("Resource");
        for (size_t i = 0; i < resources.Count(); ++i) {
            const TGNewXMLNode& node = resources.GetItem(i);
            result.push_back({node.GetString("Id"), node.GetString("Type"), nullptr, &node});
        }
    }
    return result;
}

std::vector<TGResourceDef> TGResManager::UpdateResources(const std::string& setName) const {
    std::vector<TGResourceDef> list;
    if (setName.empty()) {
        return list;
    }
    PGXMLNode set;
    PGXMLCollection sets =
        FContext.Config ? FContext.Config->GetCollection("ResourceSet") : EmptyXMLCollection();
    for (size_t i = 0; i < sets->Count(); ++i) {
        if (sets->GetItem(i)->GetString("Name") == setName) {
            set = sets->GetItem(i);
        }
    }
    if (!set) {
        throw EGError("TGResManager.UpdateResources",
                      Format("%s: ResourceSet \"%s\" not found", ConfigLocation().c_str(), setName.c_str()));
    }
    std::vector<TGResourceDef> definitions = AllDefinitions();
    std::vector<const TGResourceClass*> classes;
    for (const TGResourceDef& def : definitions) {
        classes.push_back(&ResolveDefinitionClass(def));
    }
    auto matches = [&](const PGXMLNode& rule, size_t index, const TGResourceClass& wanted) {
        std::string path = rule->GetStringDef("Path", "");
        return (path.empty() || definitions[index].Id.compare(0, path.size(), path) == 0) &&
               classes[index]->IsOrDerivesFrom(&wanted);
    };
    std::vector<const TGResourceClass*> listClasses;
    PGXMLCollection includes = set->GetCollection("Include");
    for (size_t r = 0; r < includes->Count(); ++r) {
        PGXMLNode rule = includes->GetItem(r);
        const TGResourceClass& wanted = ResolveRuleClass(rule);
        for (size_t i = 0; i < definitions.size(); ++i) {
            if (!matches(rule, i, wanted)) {
                continue;
            }
            bool present = false;
            for (size_t k = 0; k < list.size(); ++k) {
                present = present || (listClasses[k] == classes[i] && list[k].Id == definitions[i].Id);
            }
            if (!present) {
                list.push_back(definitions[i]);
                listClasses.push_back(classes[i]);
            }
        }
    }
    PGXMLCollection excludes = set->GetCollection("Exclude");
    for (size_t r = 0; r < excludes->Count(); ++r) {
        PGXMLNode rule = excludes->GetItem(r);
        const TGResourceClass& wanted = ResolveRuleClass(rule);
        for (size_t i = 0; i < definitions.size(); ++i) {
            if (!matches(rule, i, wanted)) {
                continue;
            }
            for (size_t k = list.size(); k-- > 0;) {
                if (listClasses[k] == classes[i] && list[k].Id == definitions[i].Id) {
                    list.erase(list.begin() + static_cast<std::ptrdiff_t>(k));
                    listClasses.erase(listClasses.begin() + static_cast<std::ptrdiff_t>(k));
                }
            }
        }
    }
    return list;
}

std::unique_ptr<TGResource> TGResManager::Create(const TGResourceDef& def) const {
    const TGResourceClass& cls = ResolveDefinitionClass(def);
    if (!cls.Create) {
        throw EGError("TGResManager.Create",
                      Format("%s: resource \"%s\" has the abstract type \"%s\"", def.Location().c_str(),
                             def.Id.c_str(), def.Type.c_str()));
    }
    return cls.Create(FContext, def);
}

void TGResManager::SetResourceSet(const std::string& setName) {
    if (FCurrentSetValid && setName == FCurrentSet) {
        return;
    }
    ++FUpdateCount;
    try {
        std::vector<TGResourceDef> list = UpdateResources(setName);
        auto inList = [&](const std::string& id) {
            return std::any_of(list.begin(), list.end(),
                               [&](const TGResourceDef& def) { return def.Id == id; });
        };
        // The index must never point at a freed sequence, even for a moment.
        FSequenceIndex.clear();
        std::vector<std::unique_ptr<TGResource>> kept;
        for (auto& resource : FResources) {
            if (inList(resource->Id())) {
                kept.push_back(std::move(resource));
            } else {
                resource.reset();
            }
        }
        FResources = std::move(kept);
        for (const TGResourceDef& def : list) {
            bool loaded = std::any_of(FResources.begin(), FResources.end(),
                                      [&](const auto& resource) { return resource->Id() == def.Id; });
            if (!loaded) {
                FResources.push_back(Create(def));
            }
        }
        FCurrentSet = setName;
        FCurrentSetValid = true;
    } catch (...) {
        // The set is half made: the next request, even for the same name, starts again.
        FCurrentSet = setName;
        FCurrentSetValid = false;
        RebuildSequenceIndex();
        throw;
    }
    RebuildSequenceIndex();
}

TGResourceDef TGResManager::LookupResource(const std::string& id) const {
    if (FContext.Config) {
        PGXMLCollection resources = FContext.Config->GetCollection("Resource");
        for (size_t i = 0; i < resources->Count(); ++i) {
            PGXMLNode node = resources->GetItem(i);
            if (node->GetString("Id") == id) {
                return {id, node->GetString("Type"), node, nullptr};
            }
        }
    }
    throw EGError("TGResManager.LookupResource",
                  Format("%s: no Resource with Id \"%s\"", ConfigLocation().c_str(), id.c_str()));
}

bool TGResManager::HasResourceDef(const std::string& id) const {
    if (!FContext.Config) {
        return false;
    }
    PGXMLCollection resources = FContext.Config->GetCollection("Resource");
    for (size_t i = 0; i < resources->Count(); ++i) {
        if (resources->GetItem(i)->GetString("Id") == id) {
            return true;
        }
    }
    return false;
}

void TGResManager::LoadResource(const std::string& id) {
    for (const auto& resource : FResources) {
        if (resource->Id() == id) {
            return;
        }
    }
    std::unique_ptr<TGResource> resource = Create(LookupResource(id));
    FResources.push_back(std::move(resource));
    ++FUpdateCount;
    RebuildSequenceIndex();
}

TGResource& TGResManager::GetItem(const TGResourceClass& cls, const std::string& name) const {
    for (const auto& resource : FResources) {
        if (resource->Id() == name && resource->Class().IsOrDerivesFrom(&cls)) {
            return *resource;
        }
    }
    throw EGError("TGResManager.GetItem", Format("%s \"%s\" not found", cls.TypeName.c_str(), name.c_str()));
}

TGSequence& TGResManager::GetSeq(const std::string& name) const {
    auto it = FSequenceIndex.find(LowerAscii(name));
    if (it == FSequenceIndex.end()) {
        throw EGError("TGResManager.GetSeq", Format("Sequence \"%s\" not found", name.c_str()));
    }
    return *it->second;
}

bool TGResManager::HasSeq(const std::string& name) const {
    return FSequenceIndex.count(LowerAscii(name)) != 0;
}

void TGResManager::RebuildSequenceIndex() {
    FSequenceIndex.clear();
    std::vector<TGSequence*> sequences;
    for (const auto& resource : FResources) {
        sequences.clear();
        resource->CollectSequences(sequences);
        for (TGSequence* sequence : sequences) {
            FSequenceIndex.emplace(LowerAscii(sequence->Name()), sequence);
        }
    }
}

} // namespace qm
