#include "FakeEncoder.h"

#include <fstream>

namespace pellucor {

namespace testing_support {

namespace {
class FakeMediaFile : public MediaFileObject {
public:
    FakeMediaFile(FakeEncoderLog* log, std::string path) : log_(log), path_(std::move(path)) { }
    bool HasVideo() override { return log_->videoFiles.count(path_) > 0; }
    int VideoHeight() override { return HasVideo() ? log_->height : 0; }
    int VideoWidth() override { return HasVideo() ? log_->width : 0; }
    bool AddEvents(const std::string& ratPath, std::string&) override
    {
        log_->added.push_back(ratPath);
        return true;
    }
    bool Save(const std::string& outPath, std::string&) override
    {
        log_->saved.push_back(outPath);
        std::ofstream(outPath, std::ios::binary) << "media";
        return true;
    }
    void Close() override { ++log_->closed; }

private:
    FakeEncoderLog* log_;
    std::string path_;
};
}  // namespace

std::unique_ptr<MediaFileObject> FakeEncoder::OpenRmFile(const std::string& path, std::string& err)
{
    log_->opened.push_back(path);
    if (!std::ifstream(path)) {
        err = "cannot open " + path;
        return nullptr;
    }
    return std::make_unique<FakeMediaFile>(log_, path);
}

bool FakeEncoder::CheckPlayable(const std::string& path, std::string& err)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (in && in.tellg() > 0)
        return true;
    err = path + " is empty";
    return false;
}

}  // namespace testing_support

}  // namespace pellucor
