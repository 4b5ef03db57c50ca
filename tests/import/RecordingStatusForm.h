// A status form that records everything a slide export shows on it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "import/SlideExportStatus.h"

namespace pellucor {

struct RecordingStatusForm : SlideExportStatus {
    std::vector<std::pair<std::string, uint32_t>> statuses;
    std::vector<std::string> files, titles, previews;
    std::vector<std::pair<int, int>> progress;

    void SetStatus(const std::string& caption, uint32_t colour) override { statuses.emplace_back(caption, colour); }
    void SetFile(const std::string& file) override { files.push_back(file); }
    void SetTitle(const std::string& title) override { titles.push_back(title); }
    void SetPreview(const std::string& file) override { previews.push_back(file); }
    void SetProgress(int done, int total) override { progress.emplace_back(done, total); }
};

}  // namespace pellucor
