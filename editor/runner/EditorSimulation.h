#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/simulation/KernelElectromagnetic.h"
#include "core/simulation/KernelRaytracing.h"
#include "core/simulation/SimulationSetup.h"
#include "editor/platform/ProcessMemory.h"
#include "editor/runner/RayLineGroup.h"
#include "editor/runner/Selectable.h"
#include "editor/runner/SimulationSettings.h"

namespace orvilane
{
class Component;
class Source;
} // namespace orvilane

namespace orvilaneeditor
{

// The editor's side of the simulation core: the setup being edited, both
// kernels, one Selectable per component, the selection, the unsaved flag, the
// raytracing preview lines and the one worker thread of full runs.
// Every operation runs on the UI thread. While a worker exists that has not
// been joined, every changing operation is refused with a logged error and
// leaves the setup, the selectables and the preview as they were.
class EditorSimulation
{
public:
    explicit EditorSimulation(const SimulationSettings* settings);
    // Stops and joins a running worker before anything it reads is destroyed.
    virtual ~EditorSimulation();
    EditorSimulation(const EditorSimulation&) = delete;
    EditorSimulation& operator=(const EditorSimulation&) = delete;

    void NewSimulation();
    // False when the file could not be loaded; the editor then holds an empty
    // setup named "New Simulation", unsaved false.
    bool LoadSimulation(const char* path);
    // Unsaved is cleared only when the file was written and then saveSideFiles,
    // when given, returned true (it runs once the setup is named after path);
    // set when the file was written but saveSideFiles returned false.
    bool SaveSimulation(const char* path, const std::function<bool()>& saveSideFiles = {});
    // The file the setup was last loaded from or saved to; empty for a new setup.
    std::string FilePath() const;

    // rebuild false: the component is new and joins the setup's lists first.
    void AddComponent(const std::shared_ptr<orvilane::Component>& component, bool rebuild);
    // 0 <= index < number of selectables (the caller's duty).
    void RemoveSelectable(int index);
    void SwapSelectables(int a, int b);
    // The selection is the editor's alone (no worker reads it): allowed during a run.
    void SetSelected(int index) { mSelected = index; }
    Selectable* GetSelected();
    std::shared_ptr<orvilane::Component> FindSelectable(uint32_t id) const;
    void RebuildSelectables();
    // record points into mSelectables. rebuild remakes the drawables; the
    // record is then placed and the preview refreshed.
    void UpdateSelectable(Selectable* record, bool rebuild);
    // Every record in list order, then one refresh for all of them.
    void UpdateAllSelectables(bool rebuild);
    // Runs changes with their refreshes held back, then refreshes once if any
    // change asked for it: one preview for an edit made of several calls.
    // Nests; only the outermost batch refreshes.
    void Batch(const std::function<void()>& changes);

    // Synchronous grid trace with recorded paths, then one line per run of
    // equal wavelength in mRayLines. A setup with a non-finite placement is
    // not traced: the preview is cleared and the reason logged once per set
    // of such placements.
    void UpdateRaytracingPreview();

    // Start a full run on the worker; true when it started (the caller then
    // shows the progress modal). False (logged, nothing started) when a worker
    // is still joinable or the thread could not be started; nothing is thrown.
    bool RunElectromagneticSimulation();
    bool RunRaytracingFullSimulation();
    // Asks both kernels to stop, also a run that has not begun yet; returns at once.
    virtual void AbortSimulation();
    // Joins the worker when it is joinable, then gives back what the run freed;
    // safe to repeat.
    void JoinWorker();
    // AbortSimulation, then JoinWorker: the shutdown path.
    void StopWorker();

    // True while a worker exists that has not been joined: until then the
    // setup's components are the worker's, and windows neither read nor write them.
    bool IsRunInProgress() const { return mWorker && mWorker->joinable(); }
    float GetProgress();
    bool IsSimulationFinished();
    // True from a start until the worker body has returned (the join is then
    // immediate): the UI waits for this without blocking.
    bool IsWorkerRunning();
    // How the last run ended; read after the worker has ended.
    orvilane::RunStatus GetRunStatus();
    uint32_t GetEmRunCounter();
    // Runs of either kernel that rewrote the components' results, previews included.
    uint32_t GetResultRunCounter();
    float GetElapsedSeconds() const;

    std::unique_ptr<std::thread> mWorker;
    orvilane::KernelRaytracing mKernelRaytracing;
    orvilane::KernelElectromagnetic mKernelElectromagnetic;
    orvilane::SimulationSetup mSetup;
    const SimulationSettings* mSettings;
    int32_t mSelected = -1;
    float mProgress = 0.0f;
    bool mFinished = true;
    std::vector<RayLineGroup> mRayLines;
    std::atomic<int64_t> mStartTime{0}; // steady clock, nanoseconds
    std::mutex mProgressMutex;
    // Set by AbortSimulation until the next start: a kernel clears its own stop
    // flag when its run begins, so the worker re-asserts this one.
    std::atomic<bool> mAbortRequested{false};
    std::vector<Selectable> mSelectables;
    uint32_t mEmRunCounter = 0;
    uint32_t mResultRunCounter = 0; // under mProgressMutex, like mEmRunCounter
    bool mUnsaved = false;
    // Called after a worker is joined and after New, when a run's grids have
    // just been freed: hands free allocator memory back to the system. Empty:
    // nothing is called (the memory benchmark's allocator-defaults variant).
    std::function<void()> mReleaseMemory = ReleaseFreeMemory;
    bool mWorkerRunning = false;                                     // guarded by mProgressMutex
    orvilane::RunStatus mRunStatus = orvilane::RunStatus::Completed; // guarded by mProgressMutex

protected:
    using WorkerBody = void (EditorSimulation::*)();
    // Starts the worker thread; throws std::system_error when it cannot.
    virtual std::unique_ptr<std::thread> StartThread(WorkerBody body);
    // The preview's kernel run, on the UI thread.
    virtual void RunPreviewKernel(const orvilane::RaytracingOptions& options);

private:
    // True, with a logged error naming call, while a worker is not joined.
    bool RefusedDuringRun(const char* call) const;
    bool StartWorker(WorkerBody body, const char* message);
    void RunElectromagneticSimulation_WorkerThread();
    void RunRaytracingFullSimulation_WorkerThread();
    void OnProgress(float progress, bool finished);
    // The worker body's last step: the run's outcome, and the worker has ended.
    void EndWorker(orvilane::RunStatus status, bool electromagnetic);
    void RequestKernelStops();
    // World transform and drawables placed from the component.
    void PlaceSelectable(Selectable& record);
    // The common tail of every change: preview recomputed or cleared, unsaved
    // set; inside a batch it only asks for that at the batch's end.
    void Refresh();
    void RefreshNow();
    void ClearPreview();
    Renderable CreateMeshFromSource(const std::shared_ptr<orvilane::Source>& source);

    int mBatchDepth = 0;
    bool mRefreshPending = false;
    // The non-finite placements the preview last reported; empty once traced again.
    std::vector<std::string> mNonFiniteReported;
};

} // namespace orvilaneeditor
