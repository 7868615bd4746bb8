#include "UMetaballs.h"

#include "UGResManager.h"
#include "UGSprite.h"
#include "UGTexturePack.h"

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

// The cube's corners and edges in the usual marching-cubes numbering: corners 0-3 go round the
// bottom (z = 0) face, 4-7 round the top one; edges 0-3 join the bottom corners, 4-7 the top
// ones, 8-11 rise from corner n - 8 to corner n - 4.
constexpr int CornerOffset[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                    {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
constexpr int EdgeCorners[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                                    {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
// The six faces, each with its corners in cyclic order and its outward normal.
struct TFace {
    int Corners[4];
    int Normal[3];
};
constexpr TFace Faces[6] = {{{0, 1, 2, 3}, {0, 0, -1}}, {{4, 5, 6, 7}, {0, 0, 1}},
                            {{0, 1, 5, 4}, {0, -1, 0}}, {{3, 2, 6, 7}, {0, 1, 0}},
                            {{0, 3, 7, 4}, {-1, 0, 0}}, {{1, 2, 6, 5}, {1, 0, 0}}};

int EdgeOf(int a, int b) {
    for (int e = 0; e < 12; ++e) {
        if ((EdgeCorners[e][0] == a && EdgeCorners[e][1] == b) ||
            (EdgeCorners[e][0] == b && EdgeCorners[e][1] == a)) {
            return e;
        }
    }
    return -1;
}

// Twice the edge's midpoint, in whole numbers.
std::array<int, 3> EdgeMid2(int e) {
    const int* a = CornerOffset[EdgeCorners[e][0]];
    const int* b = CornerOffset[EdgeCorners[e][1]];
    return {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
}

// The triangles of every cube case, as edges (three per triangle), and the edges each case cuts.
// Rather than typed in, the table is worked out from the faces: on each face the cut separates
// the corners below the threshold from the others, and a face with two such corners on a
// diagonal always cuts each of them off on its own. Both cubes sharing a face decide it alike,
// so the surface closes without holes. Every face's cut is directed so that the corners below
// the threshold lie on its left seen from outside; the cuts then chain into loops round the
// cube, and each loop is fanned into triangles whose front faces those corners.
struct TCubeTables {
    std::array<uint16_t, 256> EdgeMask{};
    std::array<std::vector<int8_t>, 256> Triangles;

    TCubeTables() {
        for (int cubeCase = 0; cubeCase < 256; ++cubeCase) {
            Build(cubeCase);
        }
    }

    void Build(int cubeCase) {
        auto below = [cubeCase](int corner) { return (cubeCase >> corner) & 1; };
        std::array<int, 12> next;
        next.fill(-1);
        for (const TFace& face : Faces) {
            for (int i = 0; i < 4; ++i) {
                const int a = face.Corners[i];
                const int b = face.Corners[(i + 1) % 4];
                if (below(a) != below(b)) {
                    EdgeMask[static_cast<size_t>(cubeCase)] |= static_cast<uint16_t>(1u << EdgeOf(a, b));
                }
            }
            int belowCount = 0;
            for (int corner : face.Corners) {
                belowCount += below(corner);
            }
            if (belowCount == 0 || belowCount == 4) {
                continue;
            }
            const bool diagonal = belowCount == 2 && below(face.Corners[0]) == below(face.Corners[2]);
            for (int i = 0; i < 4; ++i) {
                const int corner = face.Corners[i];
                const int before = face.Corners[(i + 3) % 4];
                const int after = face.Corners[(i + 1) % 4];
                if (diagonal) {
                    if (below(corner)) {
                        AddCut(next, face, EdgeOf(before, corner), EdgeOf(corner, after), corner);
                    }
                } else if (below(corner) && !below(after)) {
                    // The run of corners below ends here; find where it began.
                    int start = i;
                    while (below(face.Corners[(start + 3) % 4])) {
                        start = (start + 3) % 4;
                    }
                    const int first = face.Corners[start];
                    AddCut(next, face, EdgeOf(face.Corners[(start + 3) % 4], first), EdgeOf(corner, after),
                           corner);
                }
            }
        }
        std::array<bool, 12> used{};
        for (int e = 0; e < 12; ++e) {
            if (next[static_cast<size_t>(e)] < 0 || used[static_cast<size_t>(e)]) {
                continue;
            }
            std::vector<int> loop;
            for (int v = e; !used[static_cast<size_t>(v)]; v = next[static_cast<size_t>(v)]) {
                used[static_cast<size_t>(v)] = true;
                loop.push_back(v);
            }
            for (size_t k = 1; k + 1 < loop.size(); ++k) {
                for (int v : {loop[0], loop[k], loop[k + 1]}) {
                    Triangles[static_cast<size_t>(cubeCase)].push_back(static_cast<int8_t>(v));
                }
            }
        }
    }

    // A cut from edge `from` to edge `to` across a face; `belowCorner` lies on the side below.
    static void AddCut(std::array<int, 12>& next, const TFace& face, int from, int to, int belowCorner) {
        const std::array<int, 3> a = EdgeMid2(from);
        const std::array<int, 3> b = EdgeMid2(to);
        const int* c = CornerOffset[belowCorner];
        const int d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const int w[3] = {2 * c[0] - a[0], 2 * c[1] - a[1], 2 * c[2] - a[2]};
        const int cross[3] = {d[1] * w[2] - d[2] * w[1], d[2] * w[0] - d[0] * w[2],
                              d[0] * w[1] - d[1] * w[0]};
        const int side = cross[0] * face.Normal[0] + cross[1] * face.Normal[1] + cross[2] * face.Normal[2];
        if (side > 0) {
            next[static_cast<size_t>(from)] = to;
        } else {
            next[static_cast<size_t>(to)] = from;
        }
    }
};

const TCubeTables& CubeTables() {
    static const TCubeTables tables;
    return tables;
}

// Values this close count as equal when a vertex is placed on an edge.
constexpr double Epsilon = 0.00001;

} // namespace

uint16_t MarchingCubesEdgeMask(int cubeCase) {
    return CubeTables().EdgeMask.at(static_cast<size_t>(cubeCase));
}

const std::vector<int8_t>& MarchingCubesTriangles(int cubeCase) {
    return CubeTables().Triangles.at(static_cast<size_t>(cubeCase));
}

TMetaballSurface::TMetaballSurface(TGResManager* resManager, std::string textureName)
    : FResManager(resManager), FTextureName(std::move(textureName)) {
    SetGrid(1, 1, 1);
}

TMetaballSurface::~TMetaballSurface() = default;

size_t TMetaballSurface::Index(int i, int j, int k) const {
    return (static_cast<size_t>(k) * static_cast<size_t>(FCountY + 1) + static_cast<size_t>(j)) *
               static_cast<size_t>(FCountX + 1) +
           static_cast<size_t>(i);
}

void TMetaballSurface::SetGrid(int countX, int countY, int countZ) {
    FCountX = std::max(countX, 1);
    FCountY = std::max(countY, 1);
    FCountZ = std::max(countZ, 1);
    FPoints.assign(static_cast<size_t>(FCountX + 1) * static_cast<size_t>(FCountY + 1) *
                       static_cast<size_t>(FCountZ + 1),
                   TMetaballPoint{});
    PlacePoints();
}

void TMetaballSurface::SetSize(double sizeX, double sizeY, double sizeZ) {
    FSizeX = sizeX;
    FSizeY = sizeY;
    FSizeZ = sizeZ;
    PlacePoints();
}

void TMetaballSurface::PlacePoints() {
    const double dx = FSizeX / FCountX;
    const double dy = FSizeY / FCountY;
    const double dz = FSizeZ / FCountZ;
    for (int k = 0; k <= FCountZ; ++k) {
        for (int j = 0; j <= FCountY; ++j) {
            for (int i = 0; i <= FCountX; ++i) {
                TMetaballPoint& point = FPoints[Index(i, j, k)];
                point.X = static_cast<float>(i * dx);
                point.Y = static_cast<float>(j * dy);
                point.Z = static_cast<float>(k * dz - FSizeZ / 2);
            }
        }
    }
    FFieldChanged = true;
}

void TMetaballSurface::Animate(double /*dt*/) {}

void TMetaballSurface::ClearBalls() {
    std::fill(Balls.begin(), Balls.end(), TMetaball{});
}

void TMetaballSurface::ComputeField(double dt) {
    ++FFrameCounter;
    if (FFrameCounter % 2 != 0) {
        FAccumulated += dt;
        return;
    }
    dt += FAccumulated;
    FAccumulated = 0.0;
    Animate(dt);
    CollectSources();
    SumSources();
    ComputeNormals();
    ++FFieldComputations;
    FFieldChanged = true;
}

// Balls on the same spot (frost puts a weaker twin on every ball) add up into one source, and
// balls without strength add nothing: the field is the same with half the work or less.
void TMetaballSurface::CollectSources() {
    FSources.clear();
    for (const TMetaball& ball : Balls) {
        const double weight = 0.9 * ball.Strength * ball.Strength;
        if (!ball.Active || weight == 0.0) {
            continue;
        }
        if (!FSources.empty() && FSources.back().X == ball.X && FSources.back().Y == ball.Y &&
            FSources.back().Z == ball.Z) {
            FSources.back().Weight += weight;
        } else {
            FSources.push_back({ball.X, ball.Y, ball.Z, weight});
        }
    }
}

// The grid's points lie on lines along each axis, so a source's squared distance to a point is
// the sum of three per-axis squares, worked out once per row, column and layer.
void TMetaballSurface::SumSources() {
    const size_t nx = static_cast<size_t>(FCountX + 1);
    const size_t ny = static_cast<size_t>(FCountY + 1);
    const size_t nz = static_cast<size_t>(FCountZ + 1);
    const size_t count = FSources.size();
    FSquares.resize(count * (nx + ny + nz));
    for (size_t s = 0; s < count; ++s) {
        const TFieldSource& source = FSources[s];
        double* square = &FSquares[s * (nx + ny + nz)];
        for (size_t i = 0; i < nx; ++i) {
            const double x = FPoints[i].X - source.X;
            square[i] = x * x;
        }
        for (size_t j = 0; j < ny; ++j) {
            const double y = FPoints[j * nx].Y - source.Y;
            square[nx + j] = y * y;
        }
        for (size_t k = 0; k < nz; ++k) {
            const double z = FPoints[k * nx * ny].Z - source.Z;
            square[nx + ny + k] = z * z;
        }
    }
    size_t p = 0;
    for (size_t k = 0; k < nz; ++k) {
        for (size_t j = 0; j < ny; ++j) {
            for (size_t i = 0; i < nx; ++i, ++p) {
                double value = 0.0;
                for (size_t s = 0; s < count; ++s) {
                    const double* square = &FSquares[s * (nx + ny + nz)];
                    // A point right on a ball's centre would get an infinite value, and its
                    // neighbours' normals none at all.
                    value +=
                        FSources[s].Weight / std::max(square[i] + square[nx + j] + square[nx + ny + k], 1e-6);
                }
                FPoints[p].Value = value;
            }
        }
    }
}

void TMetaballSurface::ComputeNormals() {
    for (int k = 1; k < FCountZ; ++k) {
        for (int j = 1; j < FCountY; ++j) {
            for (int i = 1; i < FCountX; ++i) {
                const double nx = FPoints[Index(i - 1, j, k)].Value - FPoints[Index(i + 1, j, k)].Value;
                const double ny = FPoints[Index(i, j - 1, k)].Value - FPoints[Index(i, j + 1, k)].Value;
                const double nz = FPoints[Index(i, j, k - 1)].Value - FPoints[Index(i, j, k + 1)].Value;
                const double squared = nx * nx + ny * ny + nz * nz;
                const double scale = squared < 0.00001 ? 1.0 : 1.0 / std::sqrt(squared);
                FPoints[Index(i, j, k)].Normal = {static_cast<float>(nx * scale),
                                                  static_cast<float>(ny * scale),
                                                  static_cast<float>(nz * scale)};
            }
        }
    }
}

int TMetaballSurface::BuildTriangles() {
    const TCubeTables& tables = CubeTables();
    FVertices.clear();
    FVertexKeys.clear();
    FCut = false;
    FFieldChanged = false;
    FBuiltOrigin = Origin;
    FBuiltColor = Color;
    FBuiltThreshold = Threshold;
    const size_t strideY = static_cast<size_t>(FCountX + 1);
    const size_t strideZ = strideY * static_cast<size_t>(FCountY + 1);
    size_t cornerStep[8];
    for (int c = 0; c < 8; ++c) {
        cornerStep[c] = static_cast<size_t>(CornerOffset[c][0]) +
                        static_cast<size_t>(CornerOffset[c][1]) * strideY +
                        static_cast<size_t>(CornerOffset[c][2]) * strideZ;
    }
    for (int k = 0; k < FCountZ; ++k) {
        for (int j = 0; j < FCountY; ++j) {
            for (int i = 0; i < FCountX; ++i) {
                const size_t base = Index(i, j, k);
                int cubeCase = 0;
                for (int c = 0; c < 8; ++c) {
                    if (FPoints[base + cornerStep[c]].Value < Threshold) {
                        cubeCase |= 1 << c;
                    }
                }
                const std::vector<int8_t>& triangles = tables.Triangles[static_cast<size_t>(cubeCase)];
                if (triangles.empty()) {
                    continue;
                }
                TMetaballVertex edgeVertex[12];
                uint32_t edgeKey[12];
                const uint16_t mask = tables.EdgeMask[static_cast<size_t>(cubeCase)];
                for (int e = 0; e < 12; ++e) {
                    if (mask & (1u << e)) {
                        const size_t a = base + cornerStep[EdgeCorners[e][0]];
                        const size_t b = base + cornerStep[EdgeCorners[e][1]];
                        edgeVertex[e] = EdgeVertex(FPoints[a], FPoints[b]);
                        // The edge by its lower point and its direction, the same from every cube.
                        const size_t low = std::min(a, b);
                        const size_t step = std::max(a, b) - low;
                        const uint32_t axis = step == 1 ? 0u : step == strideY ? 1u : 2u;
                        edgeKey[e] = static_cast<uint32_t>(low) * 3u + axis;
                    }
                }
                for (size_t t = 0; t < triangles.size(); t += 3) {
                    if (FVertices.size() + 3 > static_cast<size_t>(MaxVertices)) {
                        FCut = true;
                        return static_cast<int>(FVertices.size() / 3);
                    }
                    for (size_t v = 0; v < 3; ++v) {
                        const auto e = static_cast<size_t>(triangles[t + v]);
                        FVertices.push_back(edgeVertex[e]);
                        FVertexKeys.push_back(edgeKey[e]);
                    }
                }
            }
        }
    }
    return static_cast<int>(FVertices.size() / 3);
}

TMetaballVertex TMetaballSurface::EdgeVertex(const TMetaballPoint& a, const TMetaballPoint& b) const {
    double mu = 0.0;
    if (std::abs(Threshold - a.Value) < Epsilon) {
        mu = 0.0;
    } else if (std::abs(Threshold - b.Value) < Epsilon) {
        mu = 1.0;
    } else if (std::abs(a.Value - b.Value) >= Epsilon) {
        mu = (Threshold - a.Value) / (b.Value - a.Value);
    }
    const double x = a.X + mu * (b.X - a.X);
    const double y = a.Y + mu * (b.Y - a.Y);
    const double nx = a.Normal[0] + mu * (b.Normal[0] - a.Normal[0]);
    const double ny = a.Normal[1] + mu * (b.Normal[1] - a.Normal[1]);
    return {static_cast<float>(x + Origin.X),
            static_cast<float>(y + Origin.Y),
            0.0f,
            Color,
            static_cast<float>(std::abs(nx * 0.5 + 0.5)),
            static_cast<float>(std::abs(ny * 0.5 + 0.5))};
}

// The field changes every second frame only, so the other frames draw the triangles they have.
void TMetaballSurface::Draw() {
    if (FFieldChanged || Origin.X != FBuiltOrigin.X || Origin.Y != FBuiltOrigin.Y || Color != FBuiltColor ||
        Threshold != FBuiltThreshold) {
        BuildTriangles();
    }
    DrawVertices();
}

// The whole list goes to the device in one call: the device joins draws under one state anyway,
// so cutting it into small batches would only cost calls.
void TMetaballSurface::DrawVertices() {
    if (!FDevice || !FResManager || FVertices.empty()) {
        return;
    }
    const TGSprite& sprite = FResManager->GetSeq(FTextureName).GetSprite(0);
    const TGRect rect = sprite.GetTextureMapRect();
    const double width = sprite.Pack().TextureWidth();
    const double height = sprite.Pack().TextureHeight();
    // Half a texel inside the frame, so that filtering never reaches a neighbour in the atlas.
    const double u0 = (rect.Left + 0.5) / width;
    const double du = (rect.Width() - 1.0) / width;
    const double v0 = (rect.Top + 0.5) / height;
    const double dv = (rect.Height() - 1.0) / height;

    const int count = static_cast<int>(FVertices.size());
    TGStateGuard guard(*FDevice);
    PGVertexBuffer buffer = FDevice->CommonVertexBuffer(vfXYZDiffuseTex1, count, sizeof(TMetaballVertex));
    auto* out = reinterpret_cast<TMetaballVertex*>(buffer->Lock(count, true));
    for (const TMetaballVertex& vertex : FVertices) {
        TMetaballVertex mapped = vertex;
        mapped.U = static_cast<float>(u0 + vertex.U * du);
        mapped.V = static_cast<float>(v0 + vertex.V * dv);
        *out++ = mapped;
    }
    buffer->Unlock();
    FDevice->State.VertexBuffer = buffer;
    FDevice->State.BlendMode = bmDefault;
    FDevice->State.Stages[0].Texture = sprite.Pack().Texture(sprite.GetTextureMap());
    FDevice->State.Stages[0].Filter = tfLinear;
    FDevice->State.Stages[0].ColorOp = Color == 0xFFFFFFFFu ? coTexture : coModulate;
    FDevice->DrawTriangles(count / 3);
}

} // namespace qm
