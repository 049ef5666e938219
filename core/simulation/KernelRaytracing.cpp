#include "core/simulation/KernelRaytracing.h"

#include <cmath>
#include <exception>
#include <limits>

#include "core/sources/ConfigSource.h"
#include "core/components/Element.h"
#include "core/geometry/RayGeometry.h"
#include "core/geometry/VectorMath.h"
#include "core/sources/IRayGenerator.h"
#include "core/base/Log.h"
#include "core/base/RunLog.h"
#include "core/simulation/SimulationSetup.h"
#include "core/sources/Source.h"

namespace orvilane
{

namespace
{
constexpr double kEscapeLength = 20.0;

float Fraction(int done, int total)
{
    return total > 0 ? static_cast<float>(done) / static_cast<float>(total) : 0.0f;
}

// Hands a run's record to every element of the setup while it lives.
class RunLogAttachment
{
public:
    RunLogAttachment(SimulationSetup& setup, RunLog& record) : mSetup(setup) { Attach(&record); }
    ~RunLogAttachment() { Attach(nullptr); }
    RunLogAttachment(const RunLogAttachment&) = delete;
    RunLogAttachment& operator=(const RunLogAttachment&) = delete;

private:
    void Attach(RunLog* record)
    {
        for (const auto& element : mSetup.mElements)
        {
            if (element)
                element->SetRunLog(record);
        }
    }
    SimulationSetup& mSetup;
};

// What a bounce asks, in the setup's order: a surface of an element, or (no
// surface) an element that adds meetings of its own.
struct Target
{
    Element* element;
    uint32_t index;
    const SurfaceBase* surface;
};

std::vector<Target> TargetsOf(const SimulationSetup& setup)
{
    std::vector<Target> targets;
    for (const auto& entry : setup.mElements)
    {
        Element* element = entry.get();
        if (element == nullptr || !element->mEnabled)
            continue;
        if (element->HasOwnMeetings())
        {
            targets.push_back({element, 0, nullptr});
            continue;
        }
        for (size_t i = 0; i < element->mSurfaces.size(); ++i)
        {
            if (element->mSurfaces[i])
                targets.push_back({element, static_cast<uint32_t>(i), element->mSurfaces[i].get()});
        }
    }
    return targets;
}
} // namespace

RunStatus KernelRaytracing::Run(SimulationSetup& setup, const RaytracingOptions& options)
{
    if (mBusy.exchange(true))
    {
        Log::Error("Trying to use KernelRaytracing while it was busy. Aborting.");
        return RunStatus::Failed;
    }
    const uint64_t errorsBefore = Log::ThreadErrors();
    if (!setup.CheckPlacementsForRun())
    {
        ClearRays(); // a preview shows nothing rather than the last run's rays
        mBusy.store(false);
        if (options.progress)
            options.progress(0.0f, true);
        return RunStatus::Failed;
    }
    RunStatus status = RunStatus::Failed;
    int done = 0;
    int total = 0;
    // Messages that would come once per ray come once per element and run,
    // with their ray counts at the end.
    RunLog record;
    try
    {
        const RunLogAttachment attachment(setup, record);
        {
            std::lock_guard<std::mutex> lock(mStopMutex);
            mStop = false;
        }
        {
            std::lock_guard<std::mutex> lock(mRaysMutex);
            mRays.clear();
        }
        for (const auto& element : setup.mElements)
        {
            if (!element)
                continue;
            element->ClearResults();
            element->Validate();
        }
        // Summed wide and saturated: each generator's count may be as large as INT_MAX.
        long long wide = 0;
        for (const auto& source : setup.mSources)
        {
            if (!source || !source->mRayGenerator)
                continue;
            source->mRayGenerator->mRayCounter = 0;
            if (source->mEnabled)
                wide += source->mRayGenerator->GetNumberOfRays(options.mode);
        }
        total = static_cast<int>(std::min<long long>(wide, std::numeric_limits<int>::max()));
        status = Trace(setup, options, record, done, total);
    }
    catch (const std::exception& e)
    {
        Log::Error("Raytracing run ended by an error: %s", e.what());
        record.Finish();
        if (options.progress)
            options.progress(Fraction(done, total), true);
    }
    mBusy.store(false);
    if (status == RunStatus::Completed && Log::ThreadErrors() != errorsBefore)
        return RunStatus::CompletedWithErrors;
    return status;
}

RunStatus KernelRaytracing::Trace(SimulationSetup& setup, const RaytracingOptions& options, RunLog& record,
                                  int& done, int total)
{
    size_t unrecorded = 0; // traced beyond the recording limit
    // Before the last progress call, which may let another thread report the run as done.
    auto reportEnd = [&unrecorded, &record] {
        if (unrecorded > 0)
            Log::Warning("%zu ray paths were traced but not recorded (at most %zu are kept)", unrecorded,
                         kMaxRecordedPaths);
        record.Finish();
    };
    const std::vector<Target> targets = TargetsOf(setup);
    for (const auto& source : setup.mSources)
    {
        if (!source || !source->mEnabled || !source->mRayGenerator)
            continue;
        const std::shared_ptr<ConfigSource> config = std::dynamic_pointer_cast<ConfigSource>(source->mConfig);
        IRayGenerator& generator = *source->mRayGenerator;
        for (std::optional<Ray> next = generator.GetNextRay(config, options.mode); next;
             next = generator.GetNextRay(config, options.mode))
        {
            if (StopRequested())
            {
                reportEnd();
                if (options.progress)
                    options.progress(Fraction(done, total), true);
                return RunStatus::Stopped;
            }
            if (options.progress)
                options.progress(Fraction(done, total), false);

            record.NextRay();
            Ray ray = std::move(*next);
            const Element* previous = nullptr;
            uint32_t previousSurface = 0;
            for (int bounce = 0; bounce < options.maxBounces; ++bounce)
            {
                // The current point and direction as every element sees them.
                const glm::dvec3 origin = RoundToSingle(ray.mPoints.back());
                const glm::dvec3 direction = RoundToSingle(ray.mDirections.back());
                // Strictly nearer only, so of equal distances the element listed
                // first wins, and within an element the surface listed first. A
                // distance that is not a number cannot be ordered and is dropped.
                Element* nearest = nullptr;
                uint32_t nearestSurface = 0;
                RayMeeting nearestMeeting;
                RayMeeting meeting;
                for (const Target& target : targets)
                {
                    const double within = nearest == nullptr ? SurfaceBase::kAnyDistance : nearestMeeting.distance;
                    uint32_t surface = target.index;
                    if (target.surface != nullptr)
                    {
                        // Only the surface just left is left out; the element's other
                        // surfaces (a lens's exit cap) still take part.
                        if ((target.element == previous && surface == previousSurface) ||
                            !target.surface->Meet(origin, direction, meeting, within) || std::isnan(meeting.distance))
                            continue;
                    }
                    else
                    {
                        const int64_t skip =
                            target.element == previous ? static_cast<int64_t>(previousSurface) : -1;
                        if (!target.element->MeetRay(ray, origin, direction, skip, surface, meeting, within))
                            continue;
                    }
                    if (nearest == nullptr || meeting.distance < nearestMeeting.distance)
                    {
                        nearest = target.element;
                        nearestSurface = surface;
                        nearestMeeting = meeting;
                    }
                }
                if (nearest == nullptr)
                {
                    const glm::dvec3 leaving = ray.mDirections.back();
                    ray.mPoints.push_back(ray.mPoints.back() + kEscapeLength * leaving);
                    ray.mDirections.push_back(leaving);
                    break;
                }
                previous = nearest;
                previousSurface = nearestSurface;
                const ElementHit hit{nearest, nearestSurface, ToArma(nearestMeeting.point),
                                     ToArma(nearestMeeting.normal), nearestMeeting.distance};
                const bool goesOn = nearest->ProcessRay(ray, hit);
                if (!goesOn)
                    break;
                if (bounce == options.maxBounces - 1)
                    RunLog::Warning(&record, this, "Max number of bounces (%d) reached!", options.maxBounces);
            }
            if (options.recordPaths)
            {
                std::lock_guard<std::mutex> lock(mRaysMutex);
                if (mRays.size() < kMaxRecordedPaths)
                    mRays.push_back(std::move(ray));
                else
                    ++unrecorded;
            }
            if (done < std::numeric_limits<int>::max())
                ++done;
        }
    }
    reportEnd();
    if (options.progress)
        options.progress(1.0f, true);
    return RunStatus::Completed;
}

bool KernelRaytracing::StopRequested()
{
    std::lock_guard<std::mutex> lock(mStopMutex);
    return mStop;
}

std::vector<Ray> KernelRaytracing::GetRays()
{
    std::lock_guard<std::mutex> lock(mRaysMutex);
    return mRays;
}

void KernelRaytracing::ClearRays()
{
    std::lock_guard<std::mutex> lock(mRaysMutex);
    mRays.clear();
}

void KernelRaytracing::RequestStop(bool stop)
{
    std::lock_guard<std::mutex> lock(mStopMutex);
    mStop = stop;
}

} // namespace orvilane
