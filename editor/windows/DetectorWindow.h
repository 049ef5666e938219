#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

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
    // A texture kept per tab, remade when what it shows changes.
    struct CachedHeatmap
    {
        HeatmapTexture mTexture;
        uint64_t mSignature = 0;
        bool mFilled = false;
    };

    void ShowLayer(const orvilane::Component& detector, const orvilane::DetectorLayer& layer,
                   const std::string& tabKey);
    // The cached texture of tabKey, rebuilt from values when signature differs.
    const HeatmapTexture& Texture(const std::string& tabKey, uint64_t signature, const float* values, size_t count,
                                  uint64_t nx, uint64_t ny, SampleOrder order, ScaleRange range);

    // Title and chooser text of the last frame drawn without a run going on.
    char mTitle[320] = "";
    char mPreview[288] = "---";
    uint64_t mImageGeneration = 0;
    ScaleRange mImageScale;
    std::map<std::string, CachedHeatmap> mHeatmaps;
};

} // namespace orvilaneeditor
