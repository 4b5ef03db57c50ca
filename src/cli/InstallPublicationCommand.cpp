// pellucor install-publication: the last step of a process.bat that was
// left for the user to run. Checks the publication the script completed
// in its staging directory and puts it in place of the output whole.
#include "cli/Commands.h"

#include <iostream>

#include "media/MediaCheck.h"
#include "publish/StagedPublication.h"

namespace pellucor {

int RunInstallPublicationCommand(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: pellucor install-publication STAGING_DIR OUTPUT_DIR\n"
                     "Puts a publication that its process.bat completed in place of the output directory.\n";
        return 2;
    }
    std::string err;
    if (!StagedPublication::Check(argv[1], CheckMediaPlays, err)
        || !StagedPublication::InstallDir(argv[1], argv[2], err)) {
        std::cerr << "pellucor install-publication: " << err << "\n";
        return 1;
    }
    std::cout << "Published: " << StagedPublication::Resolve(argv[2]) << "index.htm" << std::endl;
    return 0;
}

}  // namespace pellucor
