// The pellucor command as the user starts it. An upload runs in this
// process, which links only the upload library and Qt Core; every other
// command, and the windows, run in the full program (pellucor-main, beside
// this one in a build tree, in ../libexec when installed), which this
// process becomes by exec (same process id, same arguments). Loading the
// media, vision and window libraries is most of a short upload's start-up.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "cli/Commands.h"

namespace {
std::filesystem::path fullProgram()
{
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::filesystem::path dir = ec ? std::filesystem::path(".") : self.parent_path();
    const std::filesystem::path beside = dir / "pellucor-main";
    const std::filesystem::path installed = dir.parent_path() / "libexec" / "pellucor-main";
    return access(beside.c_str(), X_OK) == 0 || access(installed.c_str(), X_OK) != 0 ? beside : installed;
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "upload") == 0)
        return pellucor::RunUploadCommand(argc - 1, argv + 1);
    const std::filesystem::path program = fullProgram();
    execv(program.c_str(), argv);
    std::cerr << "pellucor: cannot start " << program.string() << ": " << std::strerror(errno) << "\n";
    return 127;
}
