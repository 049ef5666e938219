#pragma once

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

} // namespace orvilaneeditor::test
