#pragma once

namespace orvilane
{

// How a kernel run ended. A refused run counts as failed.
enum class RunStatus
{
    Completed,           // every enabled source was followed to its end
    CompletedWithErrors, // followed to its end, but errors were logged on the way
    Stopped,             // a stop request ended it early
    Failed,              // an error ended it early (logged where it happened)
};

} // namespace orvilane
