// Writes COUNT lines "TAG n <padding>" to the debug log, as a busy process
// would; used by the test of two processes logging at once.
#include <cstdlib>
#include <string>

#include "core/DebugLog.h"

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    const std::string tag = argv[1];
    const int count = std::atoi(argv[2]);
    const std::string padding(200, tag[0]);
    for (int i = 0; i < count; ++i)
        pellucor::Tav_DebugLog(tag + " " + std::to_string(i) + " " + padding);
    return 0;
}
