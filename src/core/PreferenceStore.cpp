#include "core/PreferenceStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include "core/TavString.h"
#include "core/TavUtils.h"

namespace pellucor {

bool PreferenceOn(const std::string& text)
{
    const std::string t = Lower(Trim(text));
    return StartsWith(t, "y") || t == "1" || t == "on" || t == "true";
}

#ifndef PELLUCOR_SOURCE_DIR
#define PELLUCOR_SOURCE_DIR ""
#endif

std::string PreferenceStore::DefaultStyleDir()
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

std::string PreferenceStore::DefaultLectureFolder() { return QDir::homePath().toStdString() + "/Lectures/"; }

const std::vector<PrefDef>& PreferenceStore::Definitions()
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
        {"prfS3Endpoint", "S3 Upload: Endpoint, https://host[:port] (blank: AWS's for the region)", ""},
        {"prfS3Region", "S3 Upload: Region (blank: $AWS_REGION, else us-east-1)", ""},
        {"prfS3Profile", "S3 Upload: Profile of ~/.aws/credentials (blank: $AWS_ACCESS_KEY_ID..., else default)", ""},
        {"prfEvent32", "Path to Audio Events", "None"},
        {"prfRmmerge", "Rmmerge Command", "None"},
        {"prfEvents", "Rmevents.dll", ""},
        {"prfRmcut", "RmCut Command", ""},
        {"prfWebmCopy", "Encode the Browser Copy as VP9/Opus WebM (Yes/No)", ""},
        {"prfLoudness", "Normalise the Browser Copy's Loudness to EBU R128 (Yes/No)", ""},
        {"prfVideo", "Publish the Lecture as One Video, lecture.mp4 (Yes/No)", ""},
        {"prfSlideTextOcr", "Read the Text of Slides by OCR When Publishing (Yes/No)", "Yes"},
        {"prfOcrLanguage", "OCR Languages (Tesseract's names, such as deu+eng)", "eng"},
        {"prfTranscribe", "Make Automatic Captions When Publishing (Yes/No)", "No"},
        {"prfDescribe", "Make Audio Descriptions from the Slides When Publishing (Yes/No)", "No"},
        {"prfWhisperModel", "Whisper Model File (ggml .bin) for Automatic Captions", ""},
        {"prfSpeechModelUrl", "Address of a Mirror of the Whisper Models (blank: whisper.cpp's own host)", ""},
        {"prfSpeechLanguage", "Language Spoken in the Recordings (en, de, ...)", "en"},
        {"prfsrvIncoming", "Incoming Directory:", "/srv/ftp/incoming"},
        {"prfsrvRepository", "Repository:", "/srv/pellucor/repository"},
        {"prfsrvPubDir", "Web (http) directory:", "/var/www/html/lectures"},
        {"prfsrvLogFile", "Log file:", "/var/www/html/plrlog.htm"},
        {"prfsrvWebURL", "Web (http) URL:", "http://lectures.example.org/lectures/"},
        {"prfsrvStreamURL", "Stream (rtsp:) URL:", "rtsp://stream.example.org/lectures/"},
        {"prfsrvDispatch", "Publish Each Lecture Here or as a Slurm Job (local/slurm)", "local"},
        {"prfsrvSlurmPartition", "Slurm Partition (blank: the cluster's default)", ""},
        {"prfsrvSlurmAccount", "Slurm Account (blank: the user's default)", ""},
        {"prfsrvSlurmCpus", "CPUs per Slurm Job (blank: the cluster's default)", ""},
        {"prfsrvSlurmMem", "Memory per Slurm Job, such as 4G (blank: the cluster's default)", ""},
        {"prfsrvSlurmTime", "Time Limit per Slurm Job, such as 2:00:00 (blank: the partition's)", ""},
        {"prfsrvSlurmMaxJobs", "Slurm Jobs at Once", "4"},
        {"prfsrvCancelJobsOnStop", "Cancel the Slurm Jobs When the Server Stops (Yes/No)", "No"},
        {"prfsrvHoldInaccessible", "Hold Back a Lecture That Fails WCAG 2.1 AA (Yes/No)", "No"},
        {"prfsrvUploadHost",
         "Upload Each Published Lecture To (blank: none): ftp://, sftp://, https:// (WebDAV) or s3://BUCKET/PREFIX", ""},
        {"prfsrvUploadAccount", "Account for the Server's Uploads (S3: blank, the keys come from the environment)", ""},
    };
    return defs;
}

std::string PreferenceStore::ValueIn(const PreferenceSnapshot& prefs, const std::string& key)
{
    const auto it = prefs.find(key);
    return it == prefs.end() ? Default(key) : it->second;
}

std::string PreferenceStore::Default(const std::string& key)
{
    for (const PrefDef& d : Definitions())
        if (key == d.key)
            return Trim(d.def);
    return "";
}

PreferenceStore::PreferenceStore(const QString& iniPath)
{
    if (iniPath.isEmpty())
        settings_
            = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "Pellucor2.0", "Pellucor2.0");
    else
        settings_ = std::make_unique<QSettings>(iniPath, QSettings::IniFormat);
}

PreferenceStore::~PreferenceStore() = default;

PreferenceSnapshot PreferenceStore::Read() const
{
    settings_->sync();
    PreferenceSnapshot values;
    for (const PrefDef& d : Definitions()) {
        const QString key = QStringLiteral("Pref/") + d.key;
        values[d.key] = settings_->value(key, QString::fromStdString(Trim(d.def))).toString().toStdString();
    }
    return values;
}

void PreferenceStore::Write(const PreferenceSnapshot& values)
{
    for (const auto& [k, v] : values)
        settings_->setValue("Pref/" + QString::fromStdString(k), QString::fromStdString(v));
    settings_->sync();
}

bool PreferenceStore::Contains(const std::string& key) const
{
    return settings_->contains("Pref/" + QString::fromStdString(key));
}

void PreferenceStore::Store(const std::string& key, const std::string& value) { Write({{key, value}}); }

std::vector<std::string> PreferenceStore::RecentFiles() const
{
    std::vector<std::string> files;
    for (int i = 1; i <= 5; ++i) {
        const QString v = settings_->value("Recent/File" + QString::number(i)).toString();
        if (!v.isEmpty())
            files.push_back(v.toStdString());
    }
    return files;
}

void PreferenceStore::SetRecentFiles(const std::vector<std::string>& files)
{
    for (int i = 1; i <= 5; ++i) {
        const QString key = "Recent/File" + QString::number(i);
        if (static_cast<size_t>(i) <= files.size())
            settings_->setValue(key, QString::fromStdString(files[static_cast<size_t>(i - 1)]));
        else
            settings_->remove(key);
    }
    settings_->sync();
}

std::string PreferenceStore::LastDevice(const std::string& kind) const
{
    return settings_->value("Devices/" + QString::fromStdString(kind)).toString().toStdString();
}

void PreferenceStore::SetLastDevice(const std::string& kind, const std::string& name)
{
    settings_->setValue("Devices/" + QString::fromStdString(kind), QString::fromStdString(name));
    settings_->sync();
}

}  // namespace pellucor
