#include "app/Preferences.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <filesystem>

#include "core/TavUtils.h"

namespace pellucor {

#ifndef PELLUCOR_SOURCE_DIR
#define PELLUCOR_SOURCE_DIR ""
#endif

namespace {
std::string home() { return QDir::homePath().toStdString(); }
}  // namespace

std::string Preferences::DefaultStyleDir()
{
    if (const char* env = std::getenv("PELLUCOR_STYLE_DIR"); env && *env)
        return Tav_DirSlash(env);
    QStringList candidates;
    if (QCoreApplication::instance())
        candidates << QCoreApplication::applicationDirPath() + "/../share/pellucor/styles/html5";
    candidates << QStringLiteral(PELLUCOR_SOURCE_DIR "/styles/html5") << "/usr/share/pellucor/styles/html5";
    for (const auto& c : candidates)
        if (QFileInfo(c).isDir())
            return Tav_DirSlash(QDir(c).absolutePath().toStdString());
    return Tav_DirSlash(candidates.back().toStdString());
}

std::string Preferences::DefaultLectureFolder() { return home() + "/Lectures/"; }

bool Preferences::PrepareFirstRun()
{
    if (store_->contains("Pref/prfLectureDir"))
        return false;
    std::error_code ec;
    std::filesystem::create_directories(DefaultLectureFolder(), ec);
    if (ec)
        return false;
    // Stored, so that a folder the user removes later is not made again.
    store_->setValue("Pref/prfLectureDir", QString::fromStdString(DefaultLectureFolder()));
    store_->sync();
    return true;
}

const std::vector<PrefDef>& Preferences::Definitions()
{
    static const std::vector<PrefDef> defs = {
        {"prfLectureDir", "Last Lecture", DefaultLectureFolder()},
        {"prfStyle", "Style Path", DefaultStyleDir()},
        {"prfOutRoot", "HD/CD Output Path", "${lecdir}/synccd/"},
        {"prfOutWeb", "Web Output Path", "${lecdir}/syncweb/"},
        {"prfHttp", "http: path", "http://lectures.example.org/pellucor/lectures/${lecname}/"},
        {"prfPnm", "pnm: or rtsp: prefix", "rtsp://stream.example.org/pellucor/lectures/${lecname}/"},
        {"prfMedia", "Media Directory", "${lecdir}"},
        {"prfCopy", "Copy Directory", "${lecdir}/copy/"},
        {"prfMore", "Always Start in the Power User Screen (Yes/No)", ""},
        {"prfWebHost", "Host  for Web Upload", ""},
        {"prfWebAccount", "Account for Web Upload", "myacct"},
        {"prfRepHost", "Repository Upload Host", "repository.example.org"},
        {"prfRepAccount", "Repository Upload Account", "myacct"},
        {"prfUploadConnections", "Upload Connections at Once", "4"},
        {"prfUploadTimeout", "Upload: Give Up After Seconds Without Progress", "20"},
        {"prfEvent32", "Path to Audio Events", "None"},
        {"prfRmmerge", "Rmmerge Command", "None"},
        {"prfEvents", "Rmevents.dll", ""},
        {"prfRmcut", "RmCut Command", ""},
        {"prfWebmCopy", "Encode the Browser Copy as VP9/Opus WebM (Yes/No)", ""},
        {"prfLoudness", "Normalise the Browser Copy's Loudness to EBU R128 (Yes/No)", ""},
        {"prfsrvIncoming", "Incoming Directory:", "/srv/ftp/incoming"},
        {"prfsrvRepository", "Repository:", "/srv/pellucor/repository"},
        {"prfsrvPubDir", "Web (http) directory:", "/var/www/html/lectures"},
        {"prfsrvLogFile", "Log file:", "/var/www/html/plrlog.htm"},
        {"prfsrvWebURL", "Web (http) URL:", "http://lectures.example.org/lectures/"},
        {"prfsrvStreamURL", "Stream (rtsp:) URL:", "rtsp://stream.example.org/lectures/"},
    };
    return defs;
}

Preferences::Preferences(const QString& iniPath, QObject* parent) : QObject(parent)
{
    if (iniPath.isEmpty())
        store_ = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "Pellucor2.0", "Pellucor2.0");
    else
        store_ = std::make_unique<QSettings>(iniPath, QSettings::IniFormat);
    for (const auto& d : Definitions())
        fields_.emplace_back(d.key, d.def);  // design text until loaded
}

Preferences::~Preferences() = default;

std::string Preferences::Get(const std::string& key) const
{
    for (const auto& [k, v] : fields_)
        if (k == key)
            return v;
    return "";
}

void Preferences::Set(const std::string& key, const std::string& value)
{
    for (auto& [k, v] : fields_)
        if (k == key) {
            v = value;
            emit fieldChanged(QString::fromStdString(key));
            return;
        }
}

void Preferences::readStore()
{
    store_->sync();
    // A key never stored reads as its built-in default, so a first run
    // publishes with the built-in tools and the bundled style.
    loading_ = true;
    for (size_t i = 0; i < fields_.size(); ++i) {
        const QString key = "Pref/" + QString::fromStdString(fields_[i].first);
        const std::string fallback = i < defaults_.size() ? defaults_[i] : std::string();
        fields_[i].second = store_->value(key, QString::fromStdString(fallback)).toString().toStdString();
    }
    loading_ = false;
}

void Preferences::Form_Load()
{
    // The defaults table is taken from the design texts on the first load
    // only; a second load must not take stored values for defaults.
    if (defaults_.empty())
        for (auto& [k, v] : fields_) {
            v = Tav_Trim(v);
            defaults_.push_back(v);
        }
    readStore();
}

void Preferences::trimAll()
{
    for (auto& kv : fields_)
        kv.second = Tav_Trim(kv.second);
}

void Preferences::DoSave()
{
    for (const auto& [k, v] : fields_)
        store_->setValue("Pref/" + QString::fromStdString(k), QString::fromStdString(v));
    store_->sync();
}

std::vector<std::string> Preferences::RecentFiles() const
{
    std::vector<std::string> files;
    for (int i = 1; i <= 5; ++i) {
        const QString v = store_->value("Recent/File" + QString::number(i)).toString();
        if (!v.isEmpty())
            files.push_back(v.toStdString());
    }
    return files;
}

void Preferences::SetRecentFiles(const std::vector<std::string>& files)
{
    for (int i = 1; i <= 5; ++i) {
        const QString key = "Recent/File" + QString::number(i);
        if (static_cast<size_t>(i) <= files.size())
            store_->setValue(key, QString::fromStdString(files[static_cast<size_t>(i - 1)]));
        else
            store_->remove(key);
    }
    store_->sync();
}

void Preferences::cmdSave_Click()
{
    DoSave();
    emit statusText("Preferences saved");
    emit hideRequested();
}

void Preferences::Command1_Click()
{
    readStore();
    emit hideRequested();
}

void Preferences::cmdDefault_Click()
{
    for (size_t i = 0; i < fields_.size() && i < defaults_.size(); ++i)
        fields_[i].second = defaults_[i];
}

void Preferences::setTools(const std::string& event32, const std::string& rmmerge, const std::string& events,
                      const std::string& rmcut)
{
    Set("prfEvent32", event32);
    Set("prfRmmerge", rmmerge);
    Set("prfEvents", events);
    Set("prfRmcut", rmcut);
}

void Preferences::makeBuiltIn_Click() { setTools("None", "None", "", ""); }

void Preferences::makeG2_Click()
{
    const std::string d = "/opt/real/RealProducer/";
    setTools(d + "rmevents", d + "rmevents", d + "rmevents.dll", d + "rmcut");
}

void Preferences::makeRE5_Click()
{
    const std::string d = "/opt/real/encoder/";
    setTools(d + "rmmerge", d + "rmmerge", d + "rmevents.dll", d + "rmcut");
}

void Preferences::makeRP50_Click()
{
    const std::string d = "/opt/real/publisher/";
    setTools(d + "rmmerge", d + "rmmerge", d + "rmevents.dll", d + "rmcut");
}

void Preferences::makeRPPlus_Click()
{
    const std::string d = "/opt/real/RealProducerPlus/";
    setTools(d + "rmevents", d + "rmevents", d + "rmevents.dll", d + "rmcut");
}

}  // namespace pellucor
