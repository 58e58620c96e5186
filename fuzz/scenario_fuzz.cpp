// Scenarios of any shape: reading one ends in a scenario or a one-line error, never a crash, a
// hang, or an error that breaks the line.

#include "vmac/scenario.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    auto result = talvora::vmac::parseScenario(text);
    if (result.scenario == std::nullopt && result.error.empty())
        std::abort(); // a refusal must say why
    if (result.error.find('\n') != std::string::npos || result.error.find('\x1b') != std::string::npos)
        std::abort(); // and on one clean line
    if (result.scenario && !(result.scenario->duration >= 0 && result.scenario->duration <= 3600))
        std::abort(); // a scenario that is read always ends
    return 0;
}
