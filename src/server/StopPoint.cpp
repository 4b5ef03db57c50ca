#include "server/StopPoint.h"

#include <csignal>
#include <cstdlib>
#include <cstring>

namespace pellucor {

void StopPoint(const char* step)
{
    static const char* const wanted = std::getenv("PELLUCOR_SERVER_STOP_AT");
    if (wanted && std::strcmp(wanted, step) == 0)
        std::raise(SIGKILL);
}

}  // namespace pellucor
