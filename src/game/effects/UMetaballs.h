#pragma once

// Frost and other liquid-looking surfaces: metaballs summed on a small 3D grid, whose iso-surface
// is cut out cube by cube (marching cubes) and drawn as textured triangles seen from the front.
// The texture coordinates come from the surface normal, so the texture acts as a sphere map and
// the surface looks lit and glossy wherever its slope changes.

#include "UGGraphicsDevice.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qm {

class TGResManager;

struct TMetaball {
    double Strength = 0.0;
    // Relative to the surface's origin; z runs from -SizeZ / 2 to SizeZ / 2.
    float X = 0.0f;
    float Y = 0.0f;
    float Z = 0.0f;
    bool Active = false;
};

struct TMetaballPoint {
    float X = 0.0f;
    float Y = 0.0f;
    float Z = 0.0f;
    std::array<float, 3> Normal = {0.0f, 0.0f, 0.0f};
    double Value = 0.0;
};

// One vertex as the device draws it (vfXYZDiffuseTex1, 24 bytes).
struct TMetaballVertex {
    float X = 0.0f;
    float Y = 0.0f;
    float Z = 0.0f;
    uint32_t Color = 0;
    float U = 0.0f;
    float V = 0.0f;
};
static_assert(sizeof(TMetaballVertex) == 24);

class TMetaballSurface {
public:
    // The most vertices one frame's surface may have; triangles beyond it are left out.
    static constexpr int MaxVertices = 12000;
    static constexpr int TrianglesPerDraw = 10;

    // `textureName` names the sequence whose first frame textures the surface; with no resource
    // manager the surface computes and builds its triangles but draws nothing.
    TMetaballSurface(TGResManager* resManager, std::string textureName);
    virtual ~TMetaballSurface();
    TMetaballSurface(const TMetaballSurface&) = delete;
    TMetaballSurface& operator=(const TMetaballSurface&) = delete;

    // Grid cells per axis (each at least 1); the positions are computed again.
    void SetGrid(int countX, int countY, int countZ);
    // The grid's extent in pixels.
    void SetSize(double sizeX, double sizeY, double sizeZ);
    void SetDevice(TGGraphicsDevice* device) { FDevice = device; }

    // Moves the balls between two field computations; nothing by default.
    virtual void Animate(double dt);
    // Every ball's strength, position and flag to 0 (the list keeps its length).
    virtual void ClearBalls();
    // A free four-component value kept with the surface for subclasses that animate.
    virtual void SetParams(const std::array<double, 4>& params) { FParams = params; }
    // Builds the triangles of the current field and draws them.
    virtual void Draw();

    // The field is computed on every second call only; the time of the skipped call is added
    // to the next.
    void ComputeField(double dt);
    // The marching cubes: fills Vertices() (a triangle list) from the current field, stopping
    // at MaxVertices. Returns the number of triangles.
    int BuildTriangles();

    uint32_t Color = 0xFFFFFFFFu;
    TGPointD Origin;
    double Threshold = 1.0;
    std::vector<TMetaball> Balls;

    int CountX() const { return FCountX; }
    int CountY() const { return FCountY; }
    int CountZ() const { return FCountZ; }
    double SizeX() const { return FSizeX; }
    double SizeY() const { return FSizeY; }
    double SizeZ() const { return FSizeZ; }
    const TMetaballPoint& Point(int i, int j, int k) const { return FPoints[Index(i, j, k)]; }
    // Sets one point's field value by hand (a field not made of balls).
    void SetValue(int i, int j, int k, double value) {
        FPoints[Index(i, j, k)].Value = value;
        FFieldChanged = true;
    }
    const std::vector<TMetaballVertex>& Vertices() const { return FVertices; }
    // For each vertex, the grid edge it lies on (the same number from every cube that shares
    // the edge): how the triangles join up.
    const std::vector<uint32_t>& VertexKeys() const { return FVertexKeys; }
    // True when the last build met the vertex limit and left triangles out.
    bool WasCut() const { return FCut; }
    // How many times the field was computed (every second ComputeField call).
    int FieldComputations() const { return FFieldComputations; }
    const std::array<double, 4>& Params() const { return FParams; }

private:
    size_t Index(int i, int j, int k) const;
    void PlacePoints();
    void CollectSources();
    void SumSources();
    void ComputeNormals();
    void DrawVertices();
    TMetaballVertex EdgeVertex(const TMetaballPoint& a, const TMetaballPoint& b) const;

    TGResManager* FResManager;
    std::string FTextureName;
    TGGraphicsDevice* FDevice = nullptr;
    int FCountX = 1;
    int FCountY = 1;
    int FCountZ = 1;
    double FSizeX = 1.0;
    double FSizeY = 1.0;
    double FSizeZ = 1.0;
    std::vector<TMetaballPoint> FPoints;
    // The balls that add to the field, as the last computation summed them.
    struct TFieldSource {
        float X;
        float Y;
        float Z;
        double Weight;
    };
    std::vector<TFieldSource> FSources;
    // Per source, the squared distances along x to every grid column, then along y, then z.
    std::vector<double> FSquares;
    std::vector<TMetaballVertex> FVertices;
    std::vector<uint32_t> FVertexKeys;
    bool FCut = false;
    // What the triangles were built from.
    bool FFieldChanged = true;
    TGPointD FBuiltOrigin;
    uint32_t FBuiltColor = 0;
    double FBuiltThreshold = 0.0;
    int FFrameCounter = 0;
    double FAccumulated = 0.0;
    int FFieldComputations = 0;
    std::array<double, 4> FParams = {0.0, 0.0, 0.0, 0.0};
};

// The cube cases of the marching cubes (bit n set: corner n lies below the threshold): the edges
// each case cuts, and its triangles as edge numbers, three per triangle.
uint16_t MarchingCubesEdgeMask(int cubeCase);
const std::vector<int8_t>& MarchingCubesTriangles(int cubeCase);

// The surface frost is drawn with.
class TIceSurface : public TMetaballSurface {
public:
    using TMetaballSurface::TMetaballSurface;
};

} // namespace qm
