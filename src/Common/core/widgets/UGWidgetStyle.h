#pragma once

#include "UGVisual.h"
#include "UGXMLNode.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qm {

// The sounds a widget of a style plays; empty names play nothing.
struct TGStyleSound {
    std::string OnClick;
    std::string OnMouseEnter;
    std::string OnMouseLeave;
};

struct TGRegionPoint {
    int32_t X = 0;
    int32_t Y = 0;
};

// A hit polygon in pixels relative to a widget's top-left corner, filled by the nonzero
// winding rule.
class TGPolygonRegion {
public:
    TGPolygonRegion() = default;
    explicit TGPolygonRegion(std::vector<TGRegionPoint> points) : FPoints(std::move(points)) {}

    // One "x,y" vertex per line; blank lines are skipped, the last line need not end with a line
    // feed. A line that is not two integers raises an error naming the line.
    static TGPolygonRegion Parse(const std::string& text);

    // Whether the pixel (x, y) belongs to the polygon: its centre (x + 0.5, y + 0.5) has a
    // nonzero winding number.
    bool Contains(int32_t x, int32_t y) const;
    const std::vector<TGRegionPoint>& Points() const { return FPoints; }

private:
    std::vector<TGRegionPoint> FPoints;
};

// A named look shared by widgets: visuals by name, sounds, inner styles for the parts of a
// composite widget, and an optional hit region.
class TGWidgetStyle {
public:
    TGWidgetStyle(const TGVisualContextRec& context, const IGXMLNode& node,
                  const std::function<TGWidgetStyle&(const std::string&)>& styleByName);

    // Raises "Unknown visual "%s" for style "%s"".
    TGVisual& GetVisual(const std::string& name) const;
    bool HasVisual(const std::string& name) const;
    TGVisual* FindVisual(const std::string& name) const;
    // Raises "Unknown inner widget name "%s" in style "%s"".
    TGWidgetStyle& GetInnerStyle(const std::string& innerWidgetName) const;
    bool HasInnerStyle(const std::string& innerWidgetName) const;
    // True when the style has no region.
    bool ContainsPoint(int32_t x, int32_t y) const;

    const std::string& Name() const { return FName; }
    const std::string& DefaultWidget() const { return FDefaultWidget; }
    const TGStyleSound& Sound() const { return FSound; }
    const std::vector<std::unique_ptr<TGVisual>>& Visuals() const { return FVisuals; }
    bool HasRegion() const { return FHasRegion; }
    const TGPolygonRegion& Region() const { return FRegion; }

private:
    std::string FName;
    std::string FDefaultWidget;
    TGStyleSound FSound;
    std::vector<std::unique_ptr<TGVisual>> FVisuals;
    std::vector<std::pair<std::string, TGWidgetStyle*>> FInnerStyles;
    bool FHasRegion = false;
    TGPolygonRegion FRegion;
};

// Every `WidgetStyle` of the configuration root, read once in document order.
class TGWidgetStyleManager {
public:
    // Reads the styles of context.Config (none when it has no root).
    explicit TGWidgetStyleManager(const TGVisualContextRec& context);
    ~TGWidgetStyleManager();
    TGWidgetStyleManager(const TGWidgetStyleManager&) = delete;
    TGWidgetStyleManager& operator=(const TGWidgetStyleManager&) = delete;

    // Adds the styles of another element's `WidgetStyle` children (after those read so far).
    void ReadStyles(const IGXMLNode& root);

    // Raises "Unknown widget style name: "%s"".
    TGWidgetStyle& GetWidgetStyle(const std::string& name) const;
    TGWidgetStyle* FindWidgetStyle(const std::string& name) const;
    // The first style whose DefaultWidget is the type name; raises "Unknown default style for
    // widget: "%s"".
    TGWidgetStyle& GetDefaultWidgetStyle(const std::string& typeName) const;
    TGWidgetStyle* FindDefaultWidgetStyle(const std::string& typeName) const;

    const std::vector<std::unique_ptr<TGWidgetStyle>>& Styles() const { return FStyles; }
    const TGVisualContextRec& Context() const { return FContext; }

private:
    TGVisualContextRec FContext;
    std::vector<std::unique_ptr<TGWidgetStyle>> FStyles;
};

} // namespace qm
