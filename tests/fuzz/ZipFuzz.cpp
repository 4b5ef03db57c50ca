// A presentation file (a zip) as slide import opens it: its members read
// by name, at most a few megabytes each.
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "import/ZipReader.h"

using namespace pellucor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const ZipReader zip(fuzz::Put("deck.pptx", std::string(reinterpret_cast<const char*>(data), size)));
    if (!zip.IsOpen())
        return 0;
    for (const char* name : {"ppt/presentation.xml", "ppt/_rels/presentation.xml.rels", "ppt/slides/slide1.xml",
                             "content.xml", "styles.xml", "mimetype"})
        if (zip.Has(name))
            (void)zip.Read(name, 4 << 20);
    return 0;
}
