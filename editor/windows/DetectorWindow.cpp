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

const DetectorWindow::CachedHeatmap& DetectorWindow::Heatmap(const std::string& tabKey, const HeatmapSource& source,
                                                             ScaleKind scaleKind, const ScaleRange* fixedRange)
{
    CachedHeatmap& cached = mHeatmaps[tabKey];
    if (cached.mFilled && cached.mSource == source)
        return cached;
    cached.mRange = fixedRange != nullptr ? *fixedRange : HeatmapImage::Scale(scaleKind, source.values, source.count);
    const std::vector<uint8_t> pixels =
        HeatmapImage::Pixels(source.values, source.count, source.nx, source.ny, source.order, cached.mRange);
    if (pixels.empty())
        cached.mTexture.Release();
    else
        cached.mTexture.Upload(static_cast<int>(source.nx), static_cast<int>(source.ny), pixels);
    cached.mSource = source;
    cached.mFilled = true;
    ++mRebuildCount;
    return cached;
}

ImVec2 DetectorWindow::FirstSize()
{
    const ImGuiStyle& style = ImGui::GetStyle();
    const float plot = static_cast<float>(HeatmapImage::kPlotSide);
    const float width = style.WindowPadding.x * 2.0f + plot + style.ItemSpacing.x + HeatmapView::WidestScaleWidth() +
                        style.ScrollbarSize;
    // Above the plot: the chooser, a separator, the tab bar, the pose line,
    // spacing, a separator and the two lines of the size; below it the button.
    const float frame = ImGui::GetFrameHeight();
    const float line = ImGui::GetTextLineHeight();
    const float gap = style.ItemSpacing.y;
    const float content = 3.0f * frame + 3.0f * line + plot + 2.0f * 1.0f + 9.0f * gap;
    const float titleBar = ImGui::GetFontSize() + style.FramePadding.y * 2.0f;
    return ImVec2(std::ceil(width), std::ceil(titleBar + style.WindowPadding.y * 2.0f + content));
}

void DetectorWindow::PlaceAt(ImVec2 position)
{
    mPosition = position;
    mPlacePending = true;
    mPlaced = true;
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
    mResultRuns = (static_cast<uint64_t>(runs) << 32) | simulation.GetResultRunCounter();

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

    if (mPlacePending)
    {
        ImGui::SetNextWindowPos(mPosition);
        ImGui::SetNextWindowSize(FirstSize());
        mPlacePending = false;
    }
    else
        ImGui::SetNextWindowSize(FirstSize(), ImGuiCond_Appearing);
    mPlaced = true;
    const bool shown = ImGui::Begin(mTitle, &mOpen, ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings);
    mPosition = ImGui::GetWindowPos();
    if (!shown)
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
    // Layers change only in runs, which the run counters count.
    const HeatmapSource source{&detector, layer.mData.data(), layer.mData.size(), layer.mNx, layer.mNy,
                               order,     mResultRuns};
    const CachedHeatmap& heatmap = Heatmap(tabKey, source, LayerScale(layer.mName), nullptr);
    const PlotSize size = HeatmapImage::PlotPixels(layer.mSizeX, layer.mSizeY);
    if (heatmap.mTexture.Name() != 0 && size.width > 0)
    {
        HeatmapView::ShowPlot("##Heatmap", heatmap.mTexture, size);
        ImGui::SameLine();
        HeatmapView::ShowColorScale("##HeatScale", heatmap.mRange, static_cast<float>(size.height));
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
    const HeatmapSource source{this,          mImage.data(),         mImage.size(),   mImageRows,
                               mImageColumns, SampleOrder::YFastest, mImageGeneration};
    const HeatmapTexture& texture = Heatmap(tabKey, source, QuantityScale(mQuantity), &mImageScale).mTexture;
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
