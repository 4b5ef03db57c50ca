// pellucor package: zips a published lecture for a learning platform, as a
// SCORM 1.2 or SCORM 2004 package or an IMS Common Cartridge 1.1.
#include "cli/Commands.h"

#include <iostream>

#include "core/CommandLine.h"
#include "course/LecturePackage.h"

namespace pellucor {

int RunPackageCommand(int argc, char** argv)
{
    CommandLine cl(argc, argv, "package",
                   "Zip a published lecture for a learning platform. In a SCORM package the lecture resumes where the "
                   "student stopped and reports itself completed once every part has been played to 90%.",
                   {{"published_dir", "The published lecture (the folder holding its index.htm)."},
                    {"out", "The package to write (OUT.zip; a cartridge is usually OUT.imscc)."}});
    QCommandLineParser& parser = cl.parser;
    QCommandLineOption scorm12("scorm12", "A SCORM 1.2 package.");
    QCommandLineOption scorm2004("scorm2004", "A SCORM 2004 (4th edition) package.");
    QCommandLineOption cc("cc", "An IMS Common Cartridge 1.1.");
    parser.addOptions({scorm12, scorm2004, cc});
    cl.process();
    const int kinds = parser.isSet(scorm12) + parser.isSet(scorm2004) + parser.isSet(cc);
    if (parser.positionalArguments().size() != 2 || kinds != 1) {
        std::cerr << "usage: pellucor package PUBLISHED_DIR --scorm12|--scorm2004|--cc OUT.zip\n";
        return 2;
    }
    const PackageKind kind = parser.isSet(scorm12) ? PackageKind::Scorm12
        : parser.isSet(scorm2004)                  ? PackageKind::Scorm2004
                                                   : PackageKind::CommonCartridge;
    const std::string out = CommandLinePath(parser.positionalArguments().at(1));
    ProgressPrinter progress = cl.progress("Packaging");
    std::string err;
    const bool ok = WritePackage(CommandLineDir(parser.positionalArguments().at(0)), kind, out, err,
                                 [&](int percent) { progress.Percent(percent); });
    progress.Finish();
    if (!ok) {
        cl.error(err);
        return 1;
    }
    std::cout << "Package: " << out << std::endl;
    return 0;
}

}  // namespace pellucor
