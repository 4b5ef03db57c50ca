// Benchmark driver for the style expansion.
//   style_bench generate ROOT       writes the lecture and style under ROOT
//   style_bench expand ROOT OUT     publishes them into OUT for disk and
//                                   prints the expansion time in seconds
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "BenchLecture.h"
#include "core/SlideEngine.h"
#include "core/TavUtils.h"
#include "style/StyleEngine.h"

using namespace pellucor;

namespace {

double cpuSeconds(bool user)
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    const timeval& t = user ? u.ru_utime : u.ru_stime;
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

int expand(const std::string& root, const std::string& out)
{
    Tav_SetUnattended(true);
    PublishSettings settings;
    settings.LecName = "talk";
    settings.MediaDir = Tav_DirSlash(root + "/media");
    settings.LecDir = settings.MediaDir;
    settings.StyleDir = Tav_DirSlash(root + "/style");
    settings.OutDir = Tav_DirSlash(out);
    BasicEngineHost host;
    SlideEngine loaded(settings, &host);
    std::string err;
    if (!loaded.LoadSlideInfo(true, false, err)) {
        std::fprintf(stderr, "load failed: %s\n", err.c_str());
        return 1;
    }
    const PageLayout layout;
    StyleEngine engine(loaded.SI, loaded.S, layout, &host);
    const double user0 = cpuSeconds(true), sys0 = cpuSeconds(false);
    const auto start = std::chrono::steady_clock::now();
    const bool ok = engine.ProcessStyleDirectory(true);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (!ok) {
        std::fprintf(stderr, "expansion failed: %s\n", engine.StyleError.c_str());
        return 1;
    }
    std::fprintf(stderr, "%d slides, %d parts; cpu user %.3f s, system %.3f s\n", loaded.SI.SlideCount(),
                 loaded.SI.PartCount(), cpuSeconds(true) - user0, cpuSeconds(false) - sys0);
    std::printf("%.6f\n", took.count());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string cmd = argc > 1 ? argv[1] : "";
    if (cmd == "generate" && argc == 3) {
        std::string err;
        if (!GenerateBenchLecture(argv[2], err)) {
            std::fprintf(stderr, "%s\n", err.c_str());
            return 1;
        }
        return 0;
    }
    if (cmd == "expand" && argc == 4)
        return expand(argv[2], argv[3]);
    std::fprintf(stderr, "usage: style_bench generate ROOT | style_bench expand ROOT OUT\n");
    return 2;
}
