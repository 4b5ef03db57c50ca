// What a window offers to a slide export for showing its progress: the
// status label (caption and colour), the file and title labels and the
// preview picture. The import dialog and the main window both serve.
#pragma once

#include <cstdint>
#include <string>

namespace pellucor {

class SlideExportStatus {
public:
    virtual ~SlideExportStatus() = default;
    // lblStatus: caption and background colour (BGR value).
    virtual void SetStatus(const std::string& caption, uint32_t backColor) = 0;
    // lblFile
    virtual void SetFile(const std::string& file) = 0;
    // lblTitle
    virtual void SetTitle(const std::string& title) = 0;
    // imgPreview: the picture file to show.
    virtual void SetPreview(const std::string& imageFile) = 0;
    // Slides done out of the total, for a progress bar or a printed line.
    virtual void SetProgress(int /*done*/, int /*total*/) { }
};

}  // namespace pellucor
