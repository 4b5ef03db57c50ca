// The pellucor executable: subcommands run headless.
#include <cstring>
#include <iostream>
#include <string>

#include "app/Commands.h"

namespace {
void usage(std::ostream& out)
{
    out << "Usage: pellucor COMMAND [options]\n"
           "\n"
           "Commands:\n"
           "  publish LECTURE_DIR [options]\n"
           "             publish a lecture for disk and/or the web, unattended\n"
           "  slide-info LECTURE_DIR [--name NAME] [--media DIR]\n"
           "             load a lecture and print its slide table\n"
           "  import-slides FILE --out DIR [--size 640x480]\n"
           "             export a presentation's slides as GIF pictures with titles\n"
           "\n"
           "Run 'pellucor COMMAND --help' for the options of a command.\n";
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        usage(argc < 2 ? std::cerr : std::cout);
        return argc < 2 ? 2 : 0;
    }
    const std::string cmd = argv[1];
    if (cmd == "publish")
        return RunPublishCommand(argc - 1, argv + 1);
    if (cmd == "slide-info")
        return RunSlideInfoCommand(argc - 1, argv + 1);
    if (cmd == "import-slides")
        return RunImportSlidesCommand(argc - 1, argv + 1);
    if (cmd == "upload")
        return RunUploadCommand(argc - 1, argv + 1);
    std::cerr << "pellucor: unknown command '" << cmd << "'\n";
    usage(std::cerr);
    return 2;
}
