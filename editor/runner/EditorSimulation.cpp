#include "editor/runner/EditorSimulation.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <system_error>
#include <utility>

#include "core/base/Log.h"
#include "core/components/Element.h"
#include "core/elements/EleBlockerBase.h"
#include "core/elements/EleIdealLens.h"
#include "core/sources/ConfigSource.h"
#include "core/sources/Source.h"
#include "core/surfaces/SurfaceBase.h"
#include "editor/render/Line.h"
#include "editor/render/Mesh.h"
#include "editor/render/MeshGenerator.h"

namespace orvilaneeditor
{

namespace
{
int64_t SteadyNowNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Four arrows across the lens face from its centre: outwards for a converging
// lens, heads turned inwards for a diverging one.
std::shared_ptr<Line> MakeIdealLensMarker(float meshWidth, double focalDistance)
{
    const float length = meshWidth * 0.5f * 1.4f;
    const float headLength = 0.15f * length;
    const float headWidth = 0.75f * headLength;
    const bool inverted = focalDistance < 0.0;
    std::shared_ptr<Line> line = MakeSharedLine();
    const glm::vec3 centre(0.0f);
    const glm::vec3 x(1.0f, 0.0f, 0.0f);
    const glm::vec3 y(0.0f, 1.0f, 0.0f);
    line->AddSegment(centre, y, x, length, headWidth, headLength, inverted);
    line->AddSegment(centre, -y, x, length, headWidth, headLength, inverted);
    line->AddSegment(centre, x, y, length, headWidth, headLength, inverted);
    line->AddSegment(centre, -x, y, length, headWidth, headLength, inverted);
    line->Setup();
    return line;
}
} // namespace

EditorSimulation::EditorSimulation(const SimulationSettings* settings) : mSettings(settings) {}

EditorSimulation::~EditorSimulation()
{
    StopWorker();
}

bool EditorSimulation::RefusedDuringRun(const char* call) const
{
    if (!IsRunInProgress())
        return false;
    orvilane::Log::Error("A simulation is still running: %s was refused", call);
    return true;
}

void EditorSimulation::NewSimulation()
{
    if (RefusedDuringRun("NewSimulation"))
        return;
    mSelected = -1;
    ClearPreview();
    mKernelRaytracing.ClearRays();
    mNonFiniteReported.clear();
    mSetup.New();
    mSelectables.clear();
    mUnsaved = false;
    if (mReleaseMemory)
        mReleaseMemory();
}

bool EditorSimulation::LoadSimulation(const char* path)
{
    if (RefusedDuringRun("LoadSimulation"))
        return false;
    NewSimulation();
    mSetup.Load(path);
    const bool loaded = !mSetup.mName.empty() && mSetup.mName == path;
    if (!loaded)
    {
        // What is shown is the empty setup the failed load left behind.
        mSetup.New();
    }
    RebuildSelectables();
    mUnsaved = false;
    return loaded;
}

bool EditorSimulation::SaveSimulation(const char* path, const std::function<bool()>& saveSideFiles)
{
    if (RefusedDuringRun("SaveSimulation"))
        return false;
    if (!mSetup.Save(path))
        return false;
    // Side files name themselves after the setup, whose name is now path. A
    // setup whose side file is missing is not saved, whatever it was before.
    if (saveSideFiles && !saveSideFiles())
    {
        mUnsaved = true;
        return false;
    }
    mUnsaved = false;
    return true;
}

std::string EditorSimulation::FilePath() const
{
    // The name is "New Simulation" until a load or a save gives it the file's path.
    return mSetup.mName == "New Simulation" ? std::string() : mSetup.mName;
}

void EditorSimulation::AddComponent(const std::shared_ptr<orvilane::Component>& component, bool rebuild)
{
    if (!component || RefusedDuringRun("AddComponent"))
        return;
    if (!rebuild)
    {
        if (auto element = std::dynamic_pointer_cast<orvilane::Element>(component))
            mSetup.mElements.push_back(element);
        else if (auto source = std::dynamic_pointer_cast<orvilane::Source>(component))
            mSetup.mSources.push_back(source);
    }
    Batch([&] {
        mSelectables.emplace_back(component, nullptr);
        UpdateSelectable(&mSelectables.back(), true);
        mSelected = -1;
        Refresh();
    });
}

void EditorSimulation::RemoveSelectable(int index)
{
    if (RefusedDuringRun("RemoveSelectable") || index < 0 || static_cast<size_t>(index) >= mSelectables.size())
        return;
    mSelected = -1;
    mSetup.RemoveComponent(mSelectables[static_cast<size_t>(index)].mComponent);
    mSelectables.erase(mSelectables.begin() + index);
    // Detaching moved the removed component's children to the world frame:
    // their drawables follow.
    for (Selectable& record : mSelectables)
        PlaceSelectable(record);
    Refresh();
}

void EditorSimulation::SwapSelectables(int a, int b)
{
    if (RefusedDuringRun("SwapSelectables"))
        return;
    const size_t count = mSelectables.size();
    if (a < 0 || b < 0 || static_cast<size_t>(a) >= count || static_cast<size_t>(b) >= count)
        return;
    std::swap(mSelectables[static_cast<size_t>(a)], mSelectables[static_cast<size_t>(b)]);
}

Selectable* EditorSimulation::GetSelected()
{
    if (mSelected >= 0 && static_cast<size_t>(mSelected) < mSelectables.size())
        return &mSelectables[static_cast<size_t>(mSelected)];
    return nullptr;
}

std::shared_ptr<orvilane::Component> EditorSimulation::FindSelectable(uint32_t id) const
{
    for (const Selectable& record : mSelectables)
    {
        if (record.mComponent && record.mComponent->mId == id)
            return record.mComponent;
    }
    return nullptr;
}

void EditorSimulation::RebuildSelectables()
{
    if (RefusedDuringRun("RebuildSelectables"))
        return;
    // The whole setup is traced once, after its last component is placed.
    Batch([this] {
        mSelectables.clear();
        // Copies of the lists: adding never changes them, but a copy keeps the
        // walk independent of what UpdateSelectable does.
        const auto sources = mSetup.mSources;
        const auto elements = mSetup.mElements;
        for (const auto& source : sources)
            AddComponent(source, true);
        for (const auto& element : elements)
            AddComponent(element, true);
    });
}

void EditorSimulation::UpdateSelectable(Selectable* record, bool rebuild)
{
    if (record == nullptr || !record->mComponent || RefusedDuringRun("UpdateSelectable"))
        return;
    orvilane::Component& component = *record->mComponent;
    if (rebuild)
    {
        if (auto* element = dynamic_cast<orvilane::Element*>(&component))
        {
            record->mRenderable = MeshGenerator::GenerateMeshesFromSurfaces(element->mSurfaces);
            Renderable& renderable = record->mRenderable;
            if (auto* blocker = dynamic_cast<orvilane::EleBlockerBase*>(element))
            {
                if (!renderable.mMeshes.empty() && renderable.mMeshes[0])
                {
                    Mesh& mesh = *renderable.mMeshes[0];
                    mesh.CreateTexture(256, 256, mesh.mSize, [blocker](float x, float y) {
                        return static_cast<float>(
                            blocker->GetTransmission(static_cast<double>(x), static_cast<double>(y)));
                    });
                }
                renderable.mKind = Renderable::kBlocker;
            }
            else if (auto* lens = dynamic_cast<orvilane::EleIdealLens*>(element))
            {
                renderable.mKind = Renderable::kIdealLens;
                const float width =
                    !renderable.mMeshes.empty() && renderable.mMeshes[0] ? renderable.mMeshes[0]->mSize.x : 0.0f;
                const double focal = lens->mConfigIdealLens ? lens->mConfigIdealLens->mFocalDistance : 0.0;
                renderable.Add(nullptr, MakeIdealLensMarker(width, focal));
            }
            else
                renderable.mKind = Renderable::kElement;
        }
        else if (auto source = std::dynamic_pointer_cast<orvilane::Source>(record->mComponent))
            record->mRenderable = CreateMeshFromSource(source);
    }
    PlaceSelectable(*record);
    Refresh();
}

void EditorSimulation::UpdateAllSelectables(bool rebuild)
{
    if (RefusedDuringRun("UpdateAllSelectables"))
        return;
    Batch([this, rebuild] {
        for (Selectable& record : mSelectables)
            UpdateSelectable(&record, rebuild);
    });
}

void EditorSimulation::Batch(const std::function<void()>& changes)
{
    if (RefusedDuringRun("Batch"))
        return;
    ++mBatchDepth;
    try
    {
        if (changes)
            changes();
    }
    catch (...)
    {
        if (--mBatchDepth == 0)
            mRefreshPending = false;
        throw;
    }
    if (--mBatchDepth == 0 && mRefreshPending)
        RefreshNow();
}

void EditorSimulation::PlaceSelectable(Selectable& record)
{
    if (!record.mComponent)
        return;
    orvilane::Component& component = *record.mComponent;
    component.UpdateWorldTransform();
    Renderable& renderable = record.mRenderable;
    const std::vector<std::shared_ptr<orvilane::SurfaceBase>> surfaces = component.mSurfaces;
    const size_t count = renderable.mMeshes.size();
    if (surfaces.size() != count)
    {
        const glm::mat4 model = ToGlmMat4(component.mWorldMatrix);
        for (size_t i = 0; i < count; ++i)
        {
            if (renderable.mMeshes[i])
                renderable.mMeshes[i]->SetModelMatrix(model, 1.0f);
            if (i < renderable.mLines.size() && renderable.mLines[i])
                renderable.mLines[i]->SetTransform(component);
        }
        return;
    }
    for (size_t i = 0; i < count; ++i)
    {
        if (!surfaces[i])
            continue;
        if (renderable.mMeshes[i])
            renderable.mMeshes[i]->SetModelMatrix(ToGlmMat4(surfaces[i]->mWorldMatrix), 1.0f);
        if (i < renderable.mLines.size() && renderable.mLines[i])
            renderable.mLines[i]->SetTransform(*surfaces[i]);
    }
}

void EditorSimulation::Refresh()
{
    if (mBatchDepth > 0)
    {
        mRefreshPending = true;
        return;
    }
    RefreshNow();
}

void EditorSimulation::RefreshNow()
{
    mRefreshPending = false;
    if (mSettings != nullptr && mSettings->autorun)
        UpdateRaytracingPreview();
    else
    {
        mKernelRaytracing.ClearRays();
        mRayLines.clear();
    }
    mUnsaved = true;
}

void EditorSimulation::ClearPreview()
{
    mKernelRaytracing.ClearRays();
    mRayLines.clear();
}

void EditorSimulation::UpdateRaytracingPreview()
{
    if (RefusedDuringRun("UpdateRaytracingPreview"))
        return;
    const std::vector<std::string> nonFinite = mSetup.NonFinitePlacements();
    if (!nonFinite.empty())
    {
        ClearPreview();
        // Said once per set of offending placements, not at every edit that leaves them so.
        if (nonFinite != mNonFiniteReported)
        {
            std::string list;
            for (const std::string& text : nonFinite)
                list += (list.empty() ? "" : "; ") + text;
            orvilane::Log::Warning("The raytracing preview traces nothing while a placement is not finite: %s",
                                   list.c_str());
        }
        mNonFiniteReported = nonFinite;
        return;
    }
    mNonFiniteReported.clear();

    orvilane::RaytracingOptions options;
    options.mode = 0;
    options.recordPaths = true;
    options.maxBounces = mSettings != nullptr ? static_cast<int>(mSettings->maxBounces) : 100;
    RunPreviewKernel(options);
    {
        std::lock_guard<std::mutex> lock(mProgressMutex);
        ++mResultRunCounter;
    }

    mRayLines.clear();
    const std::vector<orvilane::Ray> rays = mKernelRaytracing.GetRays();
    RayLineGroup current(-1.0);
    size_t skipped = 0;
    auto flush = [this](RayLineGroup& group) {
        if (!group.mLine->mPoints.empty())
        {
            group.mLine->Setup();
            mRayLines.push_back(std::move(group));
        }
    };
    for (const orvilane::Ray& ray : rays)
    {
        // Written so that a NaN wavelength starts a group of its own.
        if (!(std::fabs(ray.mWavelength - current.mWavelength) <= 1e-9))
        {
            flush(current);
            current = RayLineGroup(ray.mWavelength);
        }
        if (ray.mPoints.size() < 2)
        {
            ++skipped;
            continue;
        }
        std::vector<float>& points = current.mLine->mPoints;
        for (size_t i = 0; i + 1 < ray.mPoints.size(); ++i)
        {
            AppendVertex(points, glm::vec3(ray.mPoints[i]));
            AppendVertex(points, glm::vec3(ray.mPoints[i + 1]));
        }
    }
    flush(current);
    // One line per preview: a line per ray flooded standard output.
    if (skipped > 0)
        std::printf("ERROR!!! %zu rays with fewer than two points skipped\n", skipped);
}

bool EditorSimulation::RunElectromagneticSimulation()
{
    return StartWorker(&EditorSimulation::RunElectromagneticSimulation_WorkerThread,
                       "Running Electromagnetic simulation ...");
}

bool EditorSimulation::RunRaytracingFullSimulation()
{
    return StartWorker(&EditorSimulation::RunRaytracingFullSimulation_WorkerThread,
                       "Running Full Raytracing simulation ...");
}

bool EditorSimulation::StartWorker(WorkerBody body, const char* message)
{
    if (mWorker && mWorker->joinable())
    {
        orvilane::Log::Error("A simulation is still running: the new run was not started");
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(mProgressMutex);
        mFinished = false;
        mProgress = 0.0f;
        mWorkerRunning = true;
        mRunStatus = orvilane::RunStatus::Completed;
    }
    orvilane::Log::Info(0, "%s", message);
    mWorker.reset();
    mAbortRequested = false;
    mStartTime = SteadyNowNanoseconds();
    try
    {
        mWorker = StartThread(body);
    }
    catch (const std::system_error& error)
    {
        mWorker.reset();
        {
            std::lock_guard<std::mutex> lock(mProgressMutex);
            mFinished = true;
            mWorkerRunning = false;
        }
        // Logged without the progress lock: listeners take locks of their own.
        orvilane::Log::Error("The simulation thread could not be started: %s", error.what());
        return false;
    }
    return true;
}

std::unique_ptr<std::thread> EditorSimulation::StartThread(WorkerBody body)
{
    return std::make_unique<std::thread>(body, this);
}

void EditorSimulation::RunPreviewKernel(const orvilane::RaytracingOptions& options)
{
    mKernelRaytracing.Run(mSetup, options);
}

void EditorSimulation::OnProgress(float progress, bool finished)
{
    // An abort that came before the kernel cleared its stop flag is not lost.
    if (mAbortRequested)
        RequestKernelStops();
    std::lock_guard<std::mutex> lock(mProgressMutex);
    mProgress = progress;
    mFinished = finished;
}

void EditorSimulation::RunElectromagneticSimulation_WorkerThread()
{
    mStartTime = SteadyNowNanoseconds();
    orvilane::RunStatus status = orvilane::RunStatus::Stopped;
    if (mAbortRequested)
        OnProgress(0.0f, true); // aborted before it began
    else
        status = mKernelElectromagnetic.Run(mSetup,
                                            [this](float progress, bool finished) { OnProgress(progress, finished); });
    EndWorker(status, true);
}

void EditorSimulation::EndWorker(orvilane::RunStatus status, bool electromagnetic)
{
    std::lock_guard<std::mutex> lock(mProgressMutex);
    if (electromagnetic)
        ++mEmRunCounter;
    ++mResultRunCounter;
    mRunStatus = status;
    mWorkerRunning = false;
}

void EditorSimulation::RunRaytracingFullSimulation_WorkerThread()
{
    mStartTime = SteadyNowNanoseconds();
    orvilane::RaytracingOptions options;
    options.mode = 1;
    options.recordPaths = false;
    options.maxBounces = mSettings != nullptr ? static_cast<int>(mSettings->maxBounces) : 100;
    options.progress = [this](float progress, bool finished) { OnProgress(progress, finished); };
    orvilane::RunStatus status = orvilane::RunStatus::Stopped;
    if (mAbortRequested)
        OnProgress(0.0f, true); // aborted before it began
    else
        status = mKernelRaytracing.Run(mSetup, options);
    EndWorker(status, false);
}

void EditorSimulation::AbortSimulation()
{
    mAbortRequested = true;
    RequestKernelStops();
}

void EditorSimulation::RequestKernelStops()
{
    mKernelElectromagnetic.RequestStop();
    mKernelRaytracing.RequestStop(true);
}

void EditorSimulation::JoinWorker()
{
    if (!mWorker || !mWorker->joinable())
        return;
    mWorker->join();
    if (mReleaseMemory)
        mReleaseMemory();
}

void EditorSimulation::StopWorker()
{
    if (mWorker && mWorker->joinable())
    {
        AbortSimulation();
        mWorker->join();
    }
}

float EditorSimulation::GetProgress()
{
    std::lock_guard<std::mutex> lock(mProgressMutex);
    return mProgress;
}

bool EditorSimulation::IsSimulationFinished()
{
    std::lock_guard<std::mutex> lock(mProgressMutex);
    return mFinished;
}

bool EditorSimulation::IsWorkerRunning()
{
    std::lock_guard<std::mutex> lock(mProgressMutex);
    return mWorkerRunning;
}

orvilane::RunStatus EditorSimulation::GetRunStatus()
{
    std::lock_guard<std::mutex> lock(mProgressMutex);
    return mRunStatus;
}

uint32_t EditorSimulation::GetEmRunCounter()
{
    std::lock_guard<std::mutex> lock(mProgressMutex);
    return mEmRunCounter;
}

uint32_t EditorSimulation::GetResultRunCounter()
{
    std::lock_guard<std::mutex> lock(mProgressMutex);
    return mResultRunCounter;
}

float EditorSimulation::GetElapsedSeconds() const
{
    return static_cast<float>(static_cast<double>(SteadyNowNanoseconds() - mStartTime.load()) / 1e9);
}

Renderable EditorSimulation::CreateMeshFromSource(const std::shared_ptr<orvilane::Source>& source)
{
    Renderable renderable;
    renderable.mKind = Renderable::kDefault;
    if (!source)
    {
        orvilane::Log::Error("unknown source: cannnot create mesh");
        return renderable;
    }
    auto mesh = std::make_shared<Mesh>();
    std::shared_ptr<Line> line = MakeSharedLine();
    const float size = source->GetDisplaySize();
    mesh->CreateRectangle(size, size);
    mesh->SetModelMatrix(ToGlmMat4(source->mWorldMatrix), 1.0f);

    auto config = std::dynamic_pointer_cast<orvilane::ConfigSource>(source->mConfig);
    if (source->mFieldGenerator && config)
    {
        // The picture is sampled in the source's own frame at a fixed
        // resolution; the source's own record is left as it is.
        auto pictureConfig = std::make_shared<orvilane::ConfigSource>(*config);
        pictureConfig->mSamplingPoints = 251;
        pictureConfig->mSamplingWindowSize = size;
        const orvilane::Fields fields = source->mFieldGenerator->GenerateFields(pictureConfig);
        const float maxAmp =
            static_cast<float>(std::abs(pictureConfig->mAmplitudeEx) + std::abs(pictureConfig->mAmplitudeEy));
        const glm::vec4 c0(0.0f, 0.0f, 0.0f, 255.0f);
        const glm::vec4 c1(0.0f, 255.0f, 0.0f, 255.0f);
        mesh->CreateTextureRGBA(251, 251, glm::vec2(size, size), [&](float x, float y) {
            const double a = std::abs(fields.InterpolateEx(x, y));
            const double b = std::abs(fields.InterpolateEy(x, y));
            float t = static_cast<float>((a + b) / static_cast<double>(maxAmp));
            t = t > 0.0f ? std::min(t, 1.0f) : 0.0f; // NaN and negatives become 0
            return c0 + (c1 - c0) * t;
        });
    }
    line->CreateRectangle(size, size);
    line->SetTransform(*source);
    renderable.mKind = Renderable::kSource;
    renderable.Add(mesh, line);
    return renderable;
}

} // namespace orvilaneeditor
