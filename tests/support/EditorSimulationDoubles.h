#pragma once

#include <atomic>
#include <memory>
#include <system_error>
#include <thread>

#include "editor/runner/EditorSimulation.h"

namespace orvilaneeditor::test
{

// A runner whose worker thread can never be started, as when the system has
// no thread left to give.
class NoThreadSimulation : public EditorSimulation
{
public:
    using EditorSimulation::EditorSimulation;

protected:
    std::unique_ptr<std::thread> StartThread(WorkerBody) override
    {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    }
};

// A runner whose worker waits at a gate before the real run body; Abort
// opens it (after asking the kernels to stop), as does the destructor.
class GatedSimulation : public EditorSimulation
{
public:
    using EditorSimulation::EditorSimulation;
    ~GatedSimulation() override
    {
        gate = true;
        StopWorker();
    }
    void AbortSimulation() override
    {
        EditorSimulation::AbortSimulation();
        gate = true;
    }
    std::atomic<bool> gate{false};

protected:
    std::unique_ptr<std::thread> StartThread(WorkerBody body) override
    {
        return std::make_unique<std::thread>([this, body] {
            while (!gate)
                std::this_thread::yield();
            (this->*body)();
        });
    }
};

} // namespace orvilaneeditor::test
