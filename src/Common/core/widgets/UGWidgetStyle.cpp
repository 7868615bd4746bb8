#include "UGWidgetStyle.h"

#include "UGError.h"
#include "UGStrings.h"

#include <charconv>

namespace qm {

namespace {

std::string Trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return "";
    }
    size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

bool ParseInt(const std::string& text, int32_t& value) {
    std::string t = Trimmed(text);
    if (t.empty()) {
        return false;
    }
    const char* begin = t.data();
    if (*begin == '+') {
        ++begin;
    }
    auto [end, error] = std::from_chars(begin, t.data() + t.size(), value);
    return error == std::errc() && end == t.data() + t.size();
}

} // namespace

// --- TGPolygonRegion ---

TGPolygonRegion TGPolygonRegion::Parse(const std::string& text) {
    std::vector<TGRegionPoint> points;
    std::string rest = Trimmed(text);
    size_t start = 0;
    int lineNumber = 0;
    while (start <= rest.size()) {
        size_t end = rest.find('\n', start);
        std::string line =
            Trimmed(rest.substr(start, end == std::string::npos ? std::string::npos : end - start));
        ++lineNumber;
        if (!line.empty()) {
            size_t comma = line.find(',');
            TGRegionPoint point;
            if (comma == std::string::npos || !ParseInt(line.substr(0, comma), point.X) ||
                !ParseInt(line.substr(comma + 1), point.Y)) {
                throw EGError("TGWidgetStyle.ReadRegion",
                              Format("Invalid region point \"%s\" on line %d", line.c_str(), lineNumber));
            }
            points.push_back(point);
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return TGPolygonRegion(std::move(points));
}

bool TGPolygonRegion::Contains(int32_t x, int32_t y) const {
    if (FPoints.size() < 3) {
        return false;
    }
    // Winding number of the pixel centre: each edge crossing the horizontal line through it
    // counts +1 upwards when the point lies left of the edge, -1 downwards when right of it.
    const double px = x + 0.5;
    const double py = y + 0.5;
    int winding = 0;
    for (size_t i = 0; i < FPoints.size(); ++i) {
        const TGRegionPoint& a = FPoints[i];
        const TGRegionPoint& b = FPoints[(i + 1) % FPoints.size()];
        const double side = (b.X - a.X) * (py - a.Y) - (px - a.X) * (b.Y - a.Y);
        if (a.Y <= py) {
            if (b.Y > py && side > 0.0) {
                ++winding;
            }
        } else if (b.Y <= py && side < 0.0) {
            --winding;
        }
    }
    return winding != 0;
}

// --- TGWidgetStyle ---

TGWidgetStyle::TGWidgetStyle(const TGVisualContextRec& context, const IGXMLNode& node,
                             const std::function<TGWidgetStyle&(const std::string&)>& styleByName)
    : FName(node.GetString("Name")), FDefaultWidget(node.GetStringDef("DefaultWidget", "")) {
    PGXMLCollection inner = node.GetCollection("InnerStyle");
    for (size_t i = 0; i < inner->Count(); ++i) {
        PGXMLNode item = inner->GetItem(i);
        FInnerStyles.emplace_back(item->GetString("InnerWidget"), &styleByName(item->GetString("Style")));
    }
    PGXMLCollection sounds = node.GetCollection("Sound");
    if (sounds->Count() > 0) {
        PGXMLNode sound = sounds->GetItem(0);
        FSound.OnClick = sound->GetStringDef("OnClick", "");
        FSound.OnMouseEnter = sound->GetStringDef("OnMouseEnter", "");
        FSound.OnMouseLeave = sound->GetStringDef("OnMouseLeave", "");
    }
    PGXMLCollection visuals = node.GetCollection("Visual");
    for (size_t i = 0; i < visuals->Count(); ++i) {
        FVisuals.push_back(CreateVisual(context, *visuals->GetItem(i)));
    }
    PGXMLCollection regions = node.GetCollection("Region");
    if (regions->Count() > 0) {
        PGXMLNode region = regions->GetItem(0);
        try {
            FRegion = TGPolygonRegion::Parse(region->GetText());
        } catch (const EGError& error) {
            throw ErrorAtElement(error, *region);
        }
        FHasRegion = true;
    }
}

TGVisual* TGWidgetStyle::FindVisual(const std::string& name) const {
    for (const auto& visual : FVisuals) {
        if (visual->Name() == name) {
            return visual.get();
        }
    }
    return nullptr;
}

TGVisual& TGWidgetStyle::GetVisual(const std::string& name) const {
    if (TGVisual* visual = FindVisual(name)) {
        return *visual;
    }
    throw EGError("TGWidgetStyle.GetVisual",
                  Format("Unknown visual \"%s\" for style \"%s\"", name.c_str(), FName.c_str()));
}

bool TGWidgetStyle::HasVisual(const std::string& name) const {
    return FindVisual(name) != nullptr;
}

TGWidgetStyle& TGWidgetStyle::GetInnerStyle(const std::string& innerWidgetName) const {
    for (const auto& [name, style] : FInnerStyles) {
        if (name == innerWidgetName) {
            return *style;
        }
    }
    throw EGError("TGWidgetStyle.GetInnerStyle", Format("Unknown inner widget name \"%s\" in style \"%s\"",
                                                        innerWidgetName.c_str(), FName.c_str()));
}

bool TGWidgetStyle::HasInnerStyle(const std::string& innerWidgetName) const {
    for (const auto& inner : FInnerStyles) {
        if (inner.first == innerWidgetName) {
            return true;
        }
    }
    return false;
}

bool TGWidgetStyle::ContainsPoint(int32_t x, int32_t y) const {
    return !FHasRegion || FRegion.Contains(x, y);
}

// --- TGWidgetStyleManager ---

TGWidgetStyleManager::TGWidgetStyleManager(const TGVisualContextRec& context) : FContext(context) {
    RegisterEngineVisualClasses();
    if (FContext.Config) {
        ReadStyles(*FContext.Config);
    }
}

TGWidgetStyleManager::~TGWidgetStyleManager() = default;

void TGWidgetStyleManager::ReadStyles(const IGXMLNode& root) {
    PGXMLCollection styles = root.GetCollection("WidgetStyle");
    for (size_t i = 0; i < styles->Count(); ++i) {
        PGXMLNode node = styles->GetItem(i);
        try {
            FStyles.push_back(std::make_unique<TGWidgetStyle>(
                FContext, *node,
                [this](const std::string& name) -> TGWidgetStyle& { return GetWidgetStyle(name); }));
        } catch (const EGError& error) {
            throw ErrorAtElement(error, *node);
        }
    }
}

TGWidgetStyle* TGWidgetStyleManager::FindWidgetStyle(const std::string& name) const {
    for (const auto& style : FStyles) {
        if (style->Name() == name) {
            return style.get();
        }
    }
    return nullptr;
}

TGWidgetStyle& TGWidgetStyleManager::GetWidgetStyle(const std::string& name) const {
    if (TGWidgetStyle* style = FindWidgetStyle(name)) {
        return *style;
    }
    throw EGError("TGWidgetStyleManager.GetWidgetStyle",
                  Format("Unknown widget style name: \"%s\"", name.c_str()));
}

TGWidgetStyle* TGWidgetStyleManager::FindDefaultWidgetStyle(const std::string& typeName) const {
    for (const auto& style : FStyles) {
        if (style->DefaultWidget() == typeName) {
            return style.get();
        }
    }
    return nullptr;
}

TGWidgetStyle& TGWidgetStyleManager::GetDefaultWidgetStyle(const std::string& typeName) const {
    if (TGWidgetStyle* style = FindDefaultWidgetStyle(typeName)) {
        return *style;
    }
    throw EGError("TGWidgetStyleManager.GetDefaultWidgetStyle",
                  Format("Unknown default style for widget: \"%s\"", typeName.c_str()));
}

} // namespace qm
