// Draws the editor's icon atlas: an 8 x 8 grid of square cells on a transparent
// background, icon i in column i % 8 and row i / 8 from the top-left.
// Usage: orvilane_draw_icon_atlas <output.png>
//
// Each icon is a list of shapes given as signed distance functions in cell
// pixels (x right, y down, 0 to 64); a pixel's coverage is the distance
// clamped to one pixel around the edge, which anti-aliases every shape. Shapes
// keep a margin of at least kMargin pixels from the cell's border so that
// linear filtering never bleeds one icon into the next.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

#include <stb_image_write.h>

namespace
{

constexpr int kGrid = 8;
constexpr int kCell = 64;
constexpr int kSize = kGrid * kCell;
constexpr float kMargin = 5.0f;
constexpr float kPi = 3.14159265f;

struct Color
{
    float r, g, b, a;
};

const Color kInk{0.17f, 0.17f, 0.19f, 1.0f};
const Color kPaper{0.98f, 0.98f, 0.98f, 1.0f};
const Color kLightGrey{0.82f, 0.83f, 0.85f, 1.0f};
const Color kBlue{0.18f, 0.45f, 0.82f, 1.0f};
const Color kLightBlue{0.70f, 0.82f, 0.96f, 1.0f};
const Color kGreen{0.20f, 0.60f, 0.28f, 1.0f};
const Color kOrange{0.92f, 0.42f, 0.12f, 1.0f};
const Color kFolder{0.93f, 0.74f, 0.33f, 1.0f};
const Color kFolderFront{0.99f, 0.85f, 0.50f, 1.0f};
const Color kRed{0.83f, 0.18f, 0.16f, 1.0f};
const Color kAmber{0.97f, 0.72f, 0.10f, 1.0f};
const Color kWhite{1.0f, 1.0f, 1.0f, 1.0f};

struct P
{
    float x, y;
};

P operator+(P a, P b) { return {a.x + b.x, a.y + b.y}; }
P operator-(P a, P b) { return {a.x - b.x, a.y - b.y}; }
P operator*(float s, P a) { return {s * a.x, s * a.y}; }
float Dot(P a, P b) { return a.x * b.x + a.y * b.y; }
float Length(P a) { return std::sqrt(Dot(a, a)); }

// Signed distance: negative inside.
using Shape = std::function<float(P)>;

Shape Circle(P c, float r)
{
    return [=](P p) { return Length(p - c) - r; };
}

// Axis-aligned box from (x0, y0) to (x1, y1) with rounded corners.
Shape Box(float x0, float y0, float x1, float y1, float radius = 0.0f)
{
    const P c{(x0 + x1) / 2, (y0 + y1) / 2};
    const P h{(x1 - x0) / 2 - radius, (y1 - y0) / 2 - radius};
    return [=](P p) {
        const P d{std::fabs(p.x - c.x) - h.x, std::fabs(p.y - c.y) - h.y};
        const P outside{std::max(d.x, 0.0f), std::max(d.y, 0.0f)};
        return Length(outside) + std::min(std::max(d.x, d.y), 0.0f) - radius;
    };
}

float SegmentDistance(P p, P a, P b)
{
    const P pa = p - a;
    const P ba = b - a;
    const float len2 = Dot(ba, ba);
    const float t = len2 > 0.0f ? std::clamp(Dot(pa, ba) / len2, 0.0f, 1.0f) : 0.0f;
    return Length(pa - t * ba);
}

// A stroke of the given width along a polyline, with round caps and joins.
Shape Polyline(std::vector<P> points, float width)
{
    return [=](P p) {
        float d = 1e9f;
        for (size_t k = 0; k + 1 < points.size(); ++k)
            d = std::min(d, SegmentDistance(p, points[k], points[k + 1]));
        return d - width / 2;
    };
}

Shape Segment(P a, P b, float width)
{
    return Polyline({a, b}, width);
}

// Closed polygon (any winding, may be concave).
Shape Polygon(std::vector<P> v)
{
    return [=](P p) {
        float d = Dot(p - v[0], p - v[0]);
        float s = 1.0f;
        for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i, ++i)
        {
            const P e = v[j] - v[i];
            const P w = p - v[i];
            const float t = std::clamp(Dot(w, e) / Dot(e, e), 0.0f, 1.0f);
            const P b = w - t * e;
            d = std::min(d, Dot(b, b));
            const bool c0 = p.y >= v[i].y;
            const bool c1 = p.y < v[j].y;
            const bool c2 = e.x * w.y > e.y * w.x;
            if ((c0 && c1 && c2) || (!c0 && !c1 && !c2))
                s = -s;
        }
        return s * std::sqrt(d);
    };
}

// The outline of a shape, centred on its edge.
Shape Outline(Shape shape, float width)
{
    return [=](P p) { return std::fabs(shape(p)) - width / 2; };
}

Shape Union(Shape a, Shape b)
{
    return [=](P p) { return std::min(a(p), b(p)); };
}

std::vector<P> Arc(P c, float r, float fromDegrees, float toDegrees, int steps)
{
    std::vector<P> points;
    for (int k = 0; k <= steps; ++k)
    {
        const float a = (fromDegrees + (toDegrees - fromDegrees) * k / steps) * kPi / 180.0f;
        points.push_back({c.x + r * std::cos(a), c.y + r * std::sin(a)});
    }
    return points;
}

// Premultiplied RGBA in floats.
class Canvas
{
public:
    Canvas() : mPixels(static_cast<size_t>(kSize) * kSize * 4, 0.0f) {}

    void SetCell(int index)
    {
        mX0 = (index % kGrid) * kCell;
        mY0 = (index / kGrid) * kCell;
    }

    void Fill(const Shape& shape, const Color& color) { Paint(shape, &color); }
    void Erase(const Shape& shape) { Paint(shape, nullptr); }

    // Fill with an outline of the given width in ink.
    void FillOutlined(const Shape& shape, const Color& color, float width)
    {
        Fill(shape, color);
        Fill(Outline(shape, width), kInk);
    }

    bool Write(const char* path) const
    {
        std::vector<unsigned char> bytes(mPixels.size());
        for (size_t i = 0; i < mPixels.size(); i += 4)
        {
            const float a = mPixels[i + 3];
            for (int k = 0; k < 3; ++k)
            {
                const float straight = a > 0.0f ? mPixels[i + k] / a : 0.0f;
                bytes[i + k] = ToByte(straight);
            }
            bytes[i + 3] = ToByte(a);
        }
        return stbi_write_png(path, kSize, kSize, 4, bytes.data(), kSize * 4) != 0;
    }

private:
    static unsigned char ToByte(float v) { return static_cast<unsigned char>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); }

    void Paint(const Shape& shape, const Color* color)
    {
        for (int y = 0; y < kCell; ++y)
        {
            for (int x = 0; x < kCell; ++x)
            {
                const P p{x + 0.5f, y + 0.5f};
                // Nothing may reach into the margin.
                if (p.x < kMargin || p.y < kMargin || p.x > kCell - kMargin || p.y > kCell - kMargin)
                    continue;
                const float coverage = std::clamp(0.5f - shape(p), 0.0f, 1.0f);
                if (coverage <= 0.0f)
                    continue;
                float* px = &mPixels[(static_cast<size_t>(mY0 + y) * kSize + (mX0 + x)) * 4];
                if (color == nullptr)
                {
                    for (int k = 0; k < 4; ++k)
                        px[k] *= 1.0f - coverage;
                    continue;
                }
                const float a = color->a * coverage;
                px[0] = color->r * a + px[0] * (1.0f - a);
                px[1] = color->g * a + px[1] * (1.0f - a);
                px[2] = color->b * a + px[2] * (1.0f - a);
                px[3] = a + px[3] * (1.0f - a);
            }
        }
    }

    std::vector<float> mPixels;
    int mX0 = 0;
    int mY0 = 0;
};

void DrawNew(Canvas& c)
{
    const Shape page = Polygon({{15, 7}, {39, 7}, {50, 18}, {50, 57}, {15, 57}});
    c.FillOutlined(page, kPaper, 3.0f);
    c.Fill(Polyline({{39, 8}, {39, 18}, {49, 18}}, 3.0f), kInk);
    c.Fill(Segment({32, 30}, {32, 48}, 4.5f), kGreen);
    c.Fill(Segment({23, 39}, {41, 39}, 4.5f), kGreen);
}

void DrawSave(Canvas& c)
{
    c.Fill(Polygon({{9, 9}, {47, 9}, {55, 17}, {55, 55}, {9, 55}}), kBlue);
    c.Fill(Box(18, 9, 44, 24, 1.5f), kLightGrey);
    c.Fill(Box(35, 12, 40, 21, 1.0f), kInk);
    c.Fill(Box(16, 33, 48, 55, 2.0f), kPaper);
    c.Fill(Segment({21, 40}, {43, 40}, 2.0f), kLightGrey);
    c.Fill(Segment({21, 47}, {43, 47}, 2.0f), kLightGrey);
    c.Fill(Outline(Polygon({{9, 9}, {47, 9}, {55, 17}, {55, 55}, {9, 55}}), 2.5f), kInk);
}

void DrawOpen(Canvas& c)
{
    c.FillOutlined(Polygon({{8, 14}, {25, 14}, {30, 20}, {52, 20}, {52, 50}, {8, 50}}), kFolder, 2.5f);
    c.FillOutlined(Polygon({{16, 28}, {58, 28}, {50, 50}, {8, 50}}), kFolderFront, 2.5f);
}

void DrawEmRun(Canvas& c)
{
    // A travelling wave on its axis.
    c.Fill(Segment({8, 32}, {52, 32}, 2.5f), kInk);
    c.Fill(Polygon({{58, 32}, {49, 26}, {49, 38}}), kInk);
    std::vector<P> wave;
    for (int k = 0; k <= 60; ++k)
    {
        const float x = 8.0f + 40.0f * k / 60.0f;
        wave.push_back({x, 32.0f - 15.0f * std::sin(2.0f * kPi * (x - 8.0f) / 20.0f)});
    }
    c.Fill(Polyline(wave, 4.0f), kBlue);
}

void DrawRtRun(Canvas& c)
{
    // Three parallel rays focused by a lens.
    const P focus{56, 32};
    for (float y : {17.0f, 32.0f, 47.0f})
    {
        c.Fill(Segment({7, y}, {30, y}, 3.0f), kOrange);
        c.Fill(Segment({30, y}, focus, 3.0f), kOrange);
    }
    const Shape lens = [](P p) {
        // An ellipse, approximately: scaled circle distance.
        const P q{(p.x - 30.0f) / 7.0f, (p.y - 32.0f) / 22.0f};
        return (Length(q) - 1.0f) * 7.0f;
    };
    c.Fill(lens, kLightBlue);
    c.Fill(Outline(lens, 2.5f), kInk);
}

void DrawWin(Canvas& c)
{
    c.FillOutlined(Box(8, 11, 56, 53, 3.0f), kPaper, 3.0f);
    c.Fill(Box(8, 11, 56, 21, 3.0f), kInk);
    c.Fill(Box(8, 16, 56, 21), kInk);
    c.Fill(Circle({49, 16}, 2.2f), kPaper);
    c.Fill(Box(14, 27, 30, 47, 1.0f), kLightBlue);
    c.Fill(Segment({35, 29}, {50, 29}, 2.5f), kLightGrey);
    c.Fill(Segment({35, 36}, {50, 36}, 2.5f), kLightGrey);
    c.Fill(Segment({35, 43}, {46, 43}, 2.5f), kLightGrey);
}

void DrawResults(Canvas& c)
{
    c.Fill(Box(16, 36, 24, 52, 1.0f), kBlue);
    c.Fill(Box(28, 26, 36, 52, 1.0f), kGreen);
    c.Fill(Box(40, 14, 48, 52, 1.0f), kOrange);
    c.Fill(Polyline({{9, 9}, {9, 55}, {56, 55}}, 3.0f), kInk);
}

void DrawSettings(Canvas& c)
{
    const P centre{32, 32};
    Shape gear = Circle(centre, 16.0f);
    for (int k = 0; k < 8; ++k)
    {
        const float a = k * kPi / 4.0f;
        const P dir{std::cos(a), std::sin(a)};
        const P n{-dir.y, dir.x};
        const P inner = centre + 12.0f * dir;
        const P outer = centre + 22.0f * dir;
        gear = Union(gear, Polygon({inner + 4.5f * n, outer + 3.5f * n, outer - 3.5f * n, inner - 4.5f * n}));
    }
    c.Fill(gear, kInk);
    c.Erase(Circle(centre, 7.0f));
}

void DrawResetCamera(Canvas& c)
{
    const P centre{32, 33};
    c.Fill(Polyline(Arc(centre, 18.0f, -30.0f, 250.0f, 64), 4.5f), kInk);
    // Arrow head at the arc's start, pointing along it (clockwise on screen).
    const float a = -30.0f * kPi / 180.0f;
    const P tip = centre + 18.0f * P{std::cos(a), std::sin(a)};
    const P along{std::sin(a), -std::cos(a)};
    const P out{std::cos(a), std::sin(a)};
    c.Fill(Polygon({tip - 8.0f * along, tip + 7.5f * out + 2.0f * along, tip - 7.5f * out + 2.0f * along}),
           kInk);
    c.Fill(Circle(centre, 4.0f), kBlue);
}

void DrawFocusSelected(Canvas& c)
{
    const P centre{32, 32};
    c.Fill(Outline(Circle(centre, 15.0f), 3.0f), kInk);
    c.Fill(Segment({32, 8}, {32, 22}, 3.0f), kInk);
    c.Fill(Segment({32, 42}, {32, 56}, 3.0f), kInk);
    c.Fill(Segment({8, 32}, {22, 32}, 3.0f), kInk);
    c.Fill(Segment({42, 32}, {56, 32}, 3.0f), kInk);
    c.Fill(Circle(centre, 4.5f), kRed);
}

// An isometric cube with one face (0 front/left, 1 top, 2 right) highlighted.
void DrawCube(Canvas& c, int highlighted)
{
    const P top{32, 8}, left{11, 20}, right{53, 20}, middle{32, 32};
    const P bottomLeft{11, 44}, bottomRight{53, 44}, bottom{32, 56};
    const Shape faces[3] = {Polygon({left, middle, bottom, bottomLeft}), Polygon({top, right, middle, left}),
                            Polygon({middle, right, bottomRight, bottom})};
    for (int k = 0; k < 3; ++k)
        c.Fill(faces[k], k == highlighted ? kBlue : kLightGrey);
    for (int k = 0; k < 3; ++k)
        c.Fill(Outline(faces[k], 2.5f), kInk);
}

void DrawError(Canvas& c)
{
    c.Fill(Circle({32, 32}, 24.0f), kRed);
    c.Fill(Segment({23, 23}, {41, 41}, 6.0f), kWhite);
    c.Fill(Segment({41, 23}, {23, 41}, 6.0f), kWhite);
}

void DrawWarning(Canvas& c)
{
    const Shape triangle = Polygon({{32, 9}, {57, 53}, {7, 53}});
    c.Fill([triangle](P p) { return triangle(p) - 2.0f; }, kAmber);
    c.Fill(Segment({32, 23}, {32, 38}, 5.5f), kInk);
    c.Fill(Circle({32, 46}, 3.3f), kInk);
}

void DrawDelete(Canvas& c)
{
    c.Fill(Outline(Box(25, 8, 39, 15, 2.0f), 3.0f), kInk);
    c.Fill(Box(11, 13, 53, 19, 1.5f), kInk);
    c.Fill(Polygon({{15, 22}, {49, 22}, {46, 57}, {18, 57}}), kInk);
    for (float x : {24.0f, 32.0f, 40.0f})
        c.Erase(Segment({x, 28}, {x, 51}, 3.0f));
}

void DrawClone(Canvas& c)
{
    c.FillOutlined(Box(9, 9, 37, 41, 3.0f), kLightGrey, 3.0f);
    c.FillOutlined(Box(25, 23, 55, 55, 3.0f), kPaper, 3.0f);
    c.Fill(Segment({40, 31}, {40, 47}, 4.0f), kGreen);
    c.Fill(Segment({32, 39}, {48, 39}, 4.0f), kGreen);
}

void DrawArrow(Canvas& c, bool up)
{
    auto flip = [up](P p) { return up ? p : P{p.x, 64.0f - p.y}; };
    c.Fill(Segment(flip({32, 56}), flip({32, 26}), 8.0f), kInk);
    c.Fill(Polygon({flip({32, 7}), flip({52, 31}), flip({12, 31})}), kInk);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s <output.png>\n", argv[0]);
        return 2;
    }
    const std::vector<std::function<void(Canvas&)>> icons = {
        DrawNew,                                  // 0 New
        DrawSave,                                 // 1 Save
        DrawOpen,                                 // 2 Open
        DrawEmRun,                                // 3 EM run
        DrawRtRun,                                // 4 RT run
        DrawWin,                                  // 5 Win
        DrawResults,                              // 6 Results
        DrawSettings,                             // 7 Settings
        DrawResetCamera,                          // 8 ResetCamera
        DrawFocusSelected,                        // 9 Focus Selected
        [](Canvas& c) { DrawCube(c, 0); },        // 10 Front View
        [](Canvas& c) { DrawCube(c, 1); },        // 11 Top View
        [](Canvas& c) { DrawCube(c, 2); },        // 12 Right View
        DrawError,                                // 13 error
        DrawWarning,                              // 14 warning
        DrawDelete,                               // 15 Delete
        DrawClone,                                // 16 Clone
        [](Canvas& c) { DrawArrow(c, true); },    // 17 MoveUp
        [](Canvas& c) { DrawArrow(c, false); },   // 18 MoveDown
    };
    Canvas canvas;
    for (size_t i = 0; i < icons.size(); ++i)
    {
        canvas.SetCell(static_cast<int>(i));
        icons[i](canvas);
    }
    if (!canvas.Write(argv[1]))
    {
        std::fprintf(stderr, "could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
