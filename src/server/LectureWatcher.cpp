#include "server/LectureWatcher.h"

#include <filesystem>

#include "core/TavUtils.h"
#include "server/IncomingPublisher.h"

namespace pellucor {

LectureWatcher::LectureWatcher(std::function<PreferenceSnapshot()> readPrefs,
                               std::function<void(const PreferenceSnapshot&)> storePrefs, QObject* parent)
    : QObject(parent),
      storePrefs_(std::move(storePrefs)),
      engine_(std::make_unique<IncomingPublisher>(std::move(readPrefs)))
{
    scanTimer.setInterval(10000);
    connect(&scanTimer, &QTimer::timeout, this, &LectureWatcher::scanIncoming);
    connect(engine_.get(), &IncomingPublisher::changed, this, [this] {
        pull();
        emit changed();
    });
    connect(engine_.get(), &IncomingPublisher::checking, this, [this] { scanTimer.stop(); });
    connect(engine_.get(), &IncomingPublisher::waiting, this, &LectureWatcher::watchingChanged);
    connect(engine_.get(), &IncomingPublisher::lectureDone, this, &LectureWatcher::lectureDone);
}

LectureWatcher::~LectureWatcher() = default;

PublishSession& LectureWatcher::Session() { return engine_->Session(); }

namespace {

// The settings' fields and the engine's directories they are.
const std::pair<std::string LectureWatcher::*, std::string ServerDirs::*> kSettingFields[] = {
    {&LectureWatcher::txtIncoming, &ServerDirs::incoming},
    {&LectureWatcher::txtRepository, &ServerDirs::repository},
    {&LectureWatcher::txtLogFile, &ServerDirs::logFile},
    {&LectureWatcher::txtPubPrefix, &ServerDirs::pubPrefix},
    {&LectureWatcher::txtWebPrefix, &ServerDirs::webPrefix},
    {&LectureWatcher::txtStreamPrefix, &ServerDirs::streamPrefix},
};

}  // namespace

void LectureWatcher::push()
{
    for (const auto& [field, dir] : kSettingFields)
        engine_->dirs.*dir = this->*field;
}

void LectureWatcher::pull()
{
    const ServerLecture& l = engine_->lecture;
    txtDir = l.dir;
    txtName = l.name;
    txtRelPath = l.relPath;
    txtPubDir = l.pubDir;
    txtWebURL = l.webURL;
    txtStreamURL = l.streamURL;
    lblPhase = engine_->phase;
    lblStatus = engine_->status;
}

void LectureWatcher::load()
{
    engine_->Load();
    for (const auto& [field, dir] : kSettingFields)
        this->*field = engine_->dirs.*dir;
    pull();
    emit changed();
}

void LectureWatcher::unload()
{
    if (!storePrefs_)
        return;
    push();
    storePrefs_(ServerDirsPreferences(engine_->dirs));
}

bool LectureWatcher::CheckIncoming()
{
    push();
    return engine_->CheckIncoming();
}

bool LectureWatcher::FindReadyLecture()
{
    push();
    return engine_->FindReadyLecture();
}

void LectureWatcher::PublishLecture()
{
    push();
    engine_->PublishLecture();
}

bool LectureWatcher::WriteIndexPage()
{
    push();
    return engine_->WriteIndexPage();
}

void LectureWatcher::SetDir(const std::string& dir)
{
    push();
    engine_->SetDir(dir);
}

void LectureWatcher::watchingChanged()
{
    if (chkAuto)
        scanTimer.start();
    else
        scanTimer.stop();
}

void LectureWatcher::scanIncoming()
{
    scanTimer.setInterval(10000);
    Tav_SetUnattended(true);
    CheckIncoming();
}

void LectureWatcher::clearLog()
{
    std::error_code ec;
    std::filesystem::remove(txtLogFile, ec);
    load();
}

void LectureWatcher::browse(const std::string& field)
{
    std::string* target = field == "txtDir" ? &txtDir
        : field == "txtIncoming"            ? &txtIncoming
        : field == "txtRepository"          ? &txtRepository
        : field == "txtPubPrefix"           ? &txtPubPrefix
                                            : nullptr;
    if (!target || !chooseDirectory)
        return;
    std::string dir = target->empty() ? Tav_DirSlash(txtRepository) : *target;
    if (!chooseDirectory(field == "txtDir" ? "Select Lecture Directory" : "Select Directory", dir))
        return;
    if (target == &txtDir) {
        // The lecture's name is its directory's last part.
        const std::string chosen = Tav_DirSlash(dir);
        SetDir(chosen.substr(0, chosen.size() - 1));
        return;
    }
    *target = Tav_DirSlash(dir);
    emit changed();
}

}  // namespace pellucor

#include "moc_LectureWatcher.cpp"
