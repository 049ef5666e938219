#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <imgui.h>

#include "editor/ui/HeatmapImage.h"
#include "editor/ui/HeatmapTexture.h"

namespace orvilane
{
class Component;
class DetectorLayer;
class Fields;
} // namespace orvilane

namespace orvilaneeditor
{

class EditorSimulation;

// One result window: a chooser of the component, then its kept input and
// output fields as heatmaps of a chosen quantity and, for a detector, each of
// its result layers. Drawn and destroyed on the UI thread; its textures are
// freed with it, so it must go before the GL context does.
class DetectorWindow
{
public:
    static constexpr uint32_t kQuantityCount = 9;
    // Names of the quantities a field image can show, by index.
    static const char* const kQuantityNames[kQuantityCount];

    // simulation (the runner that holds the results) may be null only for a
    // window that is never shown.
    DetectorWindow(EditorSimulation* simulation, uint32_t detectorId);
    ~DetectorWindow();
    DetectorWindow(const DetectorWindow&) = delete;
    DetectorWindow& operator=(const DetectorWindow&) = delete;

    void Show();
    // One field tab named tabName over grid.
    void ShowHeatmap(const orvilane::Fields& grid, const char* tabName);
    // Rebuilds the image, its size and its maximum from grid's Ex (quantities
    // 1, 2, 5, 6) or Ey (3, 4, 7, 8); quantity 0 and unknown ones leave zeros.
    // Clears the refresh flag.
    void FillImage(const orvilane::Fields& grid, uint32_t quantity);

    // The colour scale a quantity's values call for.
    static ScaleKind QuantityScale(uint32_t quantity);
    // The colour scale of a detector layer, told by its name.
    static ScaleKind LayerScale(const std::string& layerName);

    // The texture last drawn for a tab ("Input Fields", "Output Fields", or
    // "###tabId<n>" of a layer), or null.
    const HeatmapTexture* TabTexture(const std::string& tabKey) const;
    // How many times a heatmap's picture and scale were remade from its values.
    uint64_t RebuildCount() const { return mRebuildCount; }

    // A size that shows a 400-pixel plot and its widest colour scale whole,
    // with the layer tab's lines above the plot; needs a current UI context.
    static ImVec2 FirstSize();
    // The window opens at position (screen pixels, top-left corner), sized
    // FirstSize, in its next Show.
    void PlaceAt(ImVec2 position);
    // False until PlaceAt or the first Show (which then leaves the place to the UI).
    bool Placed() const { return mPlaced; }
    // Where the window is: its first place until shown, then where the UI has it.
    ImVec2 Position() const { return mPosition; }
    // The title last begun with; its "###" part, the window's identity in the UI, never changes.
    const char* Title() const { return mTitle; }

    uint32_t mDetectorId = 0;
    EditorSimulation* mSimulation = nullptr;
    bool mOpen = true;
    // The window's identity in the UI; unique for the program's lifetime.
    uint32_t mWindowNumber = 0;
    uint32_t mQuantity = 0;
    // Row i (x), column j (y) at i * mImageColumns + j.
    std::vector<float> mImage;
    uint32_t mImageRows = 0;
    uint32_t mImageColumns = 0;
    float mImageMaximum = 0.0f;
    std::string mLastFieldTab;
    uint32_t mRunSnapshot = 0;
    bool mRefresh = true;

private:
    // What a tab's picture is made from. The values are not looked at: the
    // runs that rewrite results, the grid's identity and shape tell a change.
    struct HeatmapSource
    {
        const void* owner = nullptr; // the component, or this window for its field image
        const float* values = nullptr;
        size_t count = 0;
        uint64_t nx = 0;
        uint64_t ny = 0;
        SampleOrder order = SampleOrder::XFastest;
        uint64_t generation = 0; // result runs, or the field image's fills

        bool operator==(const HeatmapSource& o) const
        {
            return owner == o.owner && values == o.values && count == o.count && nx == o.nx && ny == o.ny &&
                   order == o.order && generation == o.generation;
        }
    };

    // A texture and its scale kept per tab, remade when their source changes.
    struct CachedHeatmap
    {
        HeatmapTexture mTexture;
        ScaleRange mRange;
        HeatmapSource mSource;
        bool mFilled = false;
    };

    void ShowLayer(const orvilane::Component& detector, const orvilane::DetectorLayer& layer,
                   const std::string& tabKey);
    // The cached heatmap of tabKey, remade from source when it differs from the
    // one it was made from; scaleKind gives the range of a remade one, unless
    // the caller's fixed range is given.
    const CachedHeatmap& Heatmap(const std::string& tabKey, const HeatmapSource& source, ScaleKind scaleKind,
                                 const ScaleRange* fixedRange);

    // Title and chooser text of the last frame drawn without a run going on.
    char mTitle[320] = "";
    char mPreview[288] = "---";
    uint64_t mImageGeneration = 0;
    ScaleRange mImageScale;
    std::map<std::string, CachedHeatmap> mHeatmaps;
    uint64_t mRebuildCount = 0;
    uint64_t mResultRuns = 0; // both run counters as of this frame's Show
    ImVec2 mPosition{0.0f, 0.0f};
    bool mPlacePending = false;
    bool mPlaced = false;
};

} // namespace orvilaneeditor
