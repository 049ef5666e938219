#include "editor/windows/DetectorWindow.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <imgui.h>

#include "core/components/Component.h"
#include "core/elements/DetectorLayer.h"
#include "core/elements/EleDetector.h"
#include "core/fields/Fields.h"
#include "editor/runner/EditorSimulation.h"
#include "editor/ui/HeatmapView.h"

namespace orvilaneeditor
{

namespace
{
// Window numbers only grow, so no two windows of one run share a UI identity.
uint32_t sLastWindowNumber = 0;

// FNV-1a over the samples' bits and the grid's shape: tells a changed layer
// from the one already uploaded.
uint64_t Signature(const float* values, size_t count, uint64_t nx, uint64_t ny)
{
    uint64_t hash = 1469598103934665603ull;
    auto mix = [&hash](uint64_t word) {
        hash ^= word;
        hash *= 1099511628211ull;
    };
    mix(nx);
    mix(ny);
    for (size_t k = 0; k < count; ++k)
    {
        uint32_t bits = 0;
        std::memcpy(&bits, &values[k], sizeof(bits));
        mix(bits);
    }
    return hash;
}

bool EndsWith(const std::string& text, const char* suffix)
{
    const size_t n = std::strlen(suffix);
    return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}
} // namespace

const char* const DetectorWindow::kQuantityNames[kQuantityCount] = {
    "---", "Re(Ex)", "Im(Ex)", "Re(Ey)", "Im(Ey)", "Mod(Ex)", "Phase(Ex)", "Mod(Ey)", "Phase(Ey)"};

DetectorWindow::DetectorWindow(EditorSimulation* simulation, uint32_t detectorId)
    : mDetectorId(detectorId), mSimulation(simulation), mWindowNumber(++sLastWindowNumber)
{
    std::snprintf(mTitle, sizeof(mTitle), "New Detector Window###%u", mWindowNumber);
}

DetectorWindow::~DetectorWindow() = default;

ScaleKind DetectorWindow::QuantityScale(uint32_t quantity)
{
    switch (quantity)
    {
    case 1:
    case 2:
    case 3:
    case 4:
        return ScaleKind::Signed;
    case 6:
    case 8:
        return ScaleKind::Phase;
    default:
        return ScaleKind::Magnitude;
    }
}

ScaleKind DetectorWindow::LayerScale(const std::string& layerName)
{
    if (EndsWith(layerName, "Ph"))
        return ScaleKind::Phase;
    if (EndsWith(layerName, "Re") || EndsWith(layerName, "Im"))
        return ScaleKind::Signed;
    if (EndsWith(layerName, "Mo") || layerName == "Raytracing")
        return ScaleKind::Magnitude;
    return ScaleKind::Signed; // unknown sign: a scale that shows both
}

void DetectorWindow::FillImage(const orvilane::Fields& grid, uint32_t quantity)
{
    mRefresh = false;
    mImageRows = static_cast<uint32_t>(grid.mEx.n_rows);
    mImageColumns = static_cast<uint32_t>(grid.mEx.n_cols);
    mImage.assign(static_cast<size_t>(mImageRows) * mImageColumns, 0.0f);
    ++mImageGeneration;
    if (mImage.empty())
    {
        mImageScale = HeatmapImage::Scale(QuantityScale(quantity), nullptr, 0);
        return;
    }

    const bool usesEy = quantity == 3 || quantity == 4 || quantity == 7 || quantity == 8;
    const arma::cx_mat& m = usesEy ? grid.mEy : grid.mEx;
    // A grid whose Ey does not match Ex in shape leaves the zeros.
    if (quantity >= 1 && quantity < kQuantityCount && m.n_rows == mImageRows && m.n_cols == mImageColumns)
    {
        for (uint32_t i = 0; i < mImageRows; ++i)
            for (uint32_t j = 0; j < mImageColumns; ++j)
            {
                const std::complex<double> v = m(i, j);
                double value = 0.0;
                switch (quantity)
                {
                case 1:
                case 3:
                    value = v.real();
                    break;
                case 2:
                case 4:
                    value = v.imag();
                    break;
                case 5:
                case 7:
                    value = std::hypot(v.real(), v.imag());
                    break;
                default:
                    value = std::atan2(v.imag(), v.real());
                    break;
                }
                mImage[static_cast<size_t>(i) * mImageColumns + j] = static_cast<float>(value);
            }
    }
    mImageMaximum = *std::max_element(mImage.begin(), mImage.end());
    mImageScale = HeatmapImage::Scale(QuantityScale(quantity), mImage.data(), mImage.size());
}

const HeatmapTexture* DetectorWindow::TabTexture(const std::string& tabKey) const
{
    const auto found = mHeatmaps.find(tabKey);
    return found != mHeatmaps.end() ? &found->second.mTexture : nullptr;
}

const HeatmapTexture& DetectorWindow::Texture(const std::string& tabKey, uint64_t signature, const float* values,
                                              size_t count, uint64_t nx, uint64_t ny, SampleOrder order,
                                              ScaleRange range)
{
    CachedHeatmap& cached = mHeatmaps[tabKey];
    if (!cached.mFilled || cached.mSignature != signature)
    {
        const std::vector<uint8_t> pixels = HeatmapImage::Pixels(values, count, nx, ny, order, range);
        if (pixels.empty())
            cached.mTexture.Release();
        else
            cached.mTexture.Upload(static_cast<int>(nx), static_cast<int>(ny), pixels);
        cached.mSignature = signature;
        cached.mFilled = true;
    }
    return cached.mTexture;
}

void DetectorWindow::Show()
{
    EditorSimulation& simulation = *mSimulation;
    // While a worker runs, the components are its own: the window keeps the
    // title and chooser text it last drew and reads nothing of them.
    const bool running = simulation.IsRunInProgress();
    std::shared_ptr<orvilane::Component> component;
    if (mDetectorId != 0 && !running)
        component = simulation.FindSelectable(mDetectorId);

    const uint32_t runs = simulation.GetEmRunCounter();
    if (runs != mRunSnapshot)
    {
        mRefresh = true;
        mRunSnapshot = runs;
    }

    if (!running)
    {
        if (component)
        {
            std::snprintf(mTitle, sizeof(mTitle), "%s - [%d]###%u", component->mLabel.c_str(),
                          static_cast<int>(component->mId), mWindowNumber);
            std::snprintf(mPreview, sizeof(mPreview), "%s - [%d]", component->mLabel.c_str(),
                          static_cast<int>(component->mId));
        }
        else
        {
            std::snprintf(mTitle, sizeof(mTitle), "New Detector Window###%u", mWindowNumber);
            std::snprintf(mPreview, sizeof(mPreview), "---");
        }
    }

    ImGui::SetNextWindowSize(ImVec2(500.0f, 500.0f), ImGuiCond_Appearing);
    if (!ImGui::Begin(mTitle, &mOpen, ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings))
    {
        ImGui::End();
        return;
    }

    if (running)
        ImGui::BeginDisabled();
    if (ImGui::BeginCombo("Detector", mPreview))
    {
        for (size_t i = 0; i < simulation.mSelectables.size() && !running; ++i)
        {
            const orvilane::Component& item = *simulation.mSelectables[i].mComponent;
            char label[288];
            std::snprintf(label, sizeof(label), "%s - [%d]", item.mLabel.c_str(), static_cast<int>(item.mId));
            const bool selected = item.mId == mDetectorId;
            ImGui::PushID(static_cast<int>(i));
            if (ImGui::Selectable(label, selected))
            {
                mDetectorId = item.mId;
                mRefresh = true;
            }
            if (selected)
                ImGui::SetItemDefaultFocus();
            ImGui::PopID();
        }
        ImGui::EndCombo();
    }
    if (running)
        ImGui::EndDisabled();
    ImGui::Separator();

    // No component while a run goes on: the check of the run comes first.
    if (component && component->mValid && ImGui::BeginTabBar("MyTabBar"))
    {
        if (component->mInputFields.mDomain != orvilane::FieldDomain::None)
            ShowHeatmap(component->mInputFields, "Input Fields");
        if (component->mOutputFields.mDomain != orvilane::FieldDomain::None)
            ShowHeatmap(component->mOutputFields, "Output Fields");
        if (const auto* detector = dynamic_cast<const orvilane::EleDetector*>(component.get()))
        {
            for (size_t k = 0; k < detector->mLayers.size(); ++k)
            {
                const orvilane::DetectorLayer& layer = detector->mLayers[k];
                char tab[288];
                std::snprintf(tab, sizeof(tab), "%s###tabId%d", layer.mName.c_str(), static_cast<int>(k + 1));
                if (ImGui::BeginTabItem(tab))
                {
                    ShowLayer(*detector, layer, std::strstr(tab, "###"));
                    ImGui::EndTabItem();
                }
            }
        }
        ImGui::EndTabBar();
    }
    ImGui::End();
}

void DetectorWindow::ShowLayer(const orvilane::Component& detector, const orvilane::DetectorLayer& layer,
                               const std::string& tabKey)
{
    ImGui::Text("Position: %.3f,%.3f,%.3f  Angles: %.3f,%.3f,%.3f", detector.mWorldPosition.x,
                detector.mWorldPosition.y, detector.mWorldPosition.z, detector.mWorldRotation.x,
                detector.mWorldRotation.y, detector.mWorldRotation.z);
    ImGui::Spacing();
    ImGui::Separator();
    ImGui::Text("Size: %.3f, %.3f\n", layer.mSizeX, layer.mSizeY);

    // The hit counts keep x fastest, the field layers y fastest.
    const SampleOrder order = layer.mName == "Raytracing" ? SampleOrder::XFastest : SampleOrder::YFastest;
    const ScaleRange range = HeatmapImage::Scale(LayerScale(layer.mName), layer.mData.data(), layer.mData.size());
    const uint64_t signature =
        Signature(layer.mData.data(), layer.mData.size(), layer.mNx, layer.mNy) ^ (static_cast<uint64_t>(order) << 63);
    const HeatmapTexture& texture =
        Texture(tabKey, signature, layer.mData.data(), layer.mData.size(), layer.mNx, layer.mNy, order, range);
    const PlotSize size = HeatmapImage::PlotPixels(layer.mSizeX, layer.mSizeY);
    if (texture.Name() != 0 && size.width > 0)
    {
        HeatmapView::ShowPlot("##Heatmap", texture, size);
        ImGui::SameLine();
        HeatmapView::ShowColorScale("##HeatScale", range, static_cast<float>(size.height));
    }
    ImGui::Button("Save Data");
}

void DetectorWindow::ShowHeatmap(const orvilane::Fields& grid, const char* tabName)
{
    if (!ImGui::BeginTabItem(tabName))
        return;
    if (mLastFieldTab != tabName)
    {
        mLastFieldTab = tabName;
        mRefresh = true;
    }
    ImGui::TextUnformatted(grid.mDomain == orvilane::FieldDomain::XSpace ? "X-Space" : "K-Space");
    if (ImGui::BeginCombo("Data", kQuantityNames[mQuantity < kQuantityCount ? mQuantity : 0]))
    {
        for (uint32_t q = 0; q < kQuantityCount; ++q)
        {
            const bool selected = q == mQuantity;
            if (ImGui::Selectable(kQuantityNames[q], selected) && !selected)
            {
                mQuantity = q;
                mRefresh = true;
            }
            if (selected)
                ImGui::SetItemDefaultFocus();
        }
        ImGui::EndCombo();
    }
    if (mRefresh)
        FillImage(grid, mQuantity);

    const std::string tabKey = tabName;
    const HeatmapTexture& texture = Texture(tabKey, mImageGeneration, mImage.data(), mImage.size(), mImageRows,
                                            mImageColumns, SampleOrder::YFastest, mImageScale);
    const PlotSize size = HeatmapImage::PlotPixels(mImageRows, mImageColumns);
    if (texture.Name() != 0 && size.width > 0)
    {
        HeatmapView::ShowPlot("##Heatmap", texture, size);
        ImGui::SameLine();
        HeatmapView::ShowColorScale("##HeatScale", mImageScale, static_cast<float>(size.height));
    }
    ImGui::EndTabItem();
}

} // namespace orvilaneeditor
