#include "app/Preferences.h"

#include <filesystem>
#include <iterator>

#include "core/TavUtils.h"

namespace pellucor {

namespace {
// prfEvent32, prfRmmerge, prfEvents and prfRmcut of each preset.
struct ToolPreset {
    const char* dir;  // nullptr: the built-in events processing
    const char* merge;
};
constexpr ToolPreset kPresets[] = {
    {nullptr, nullptr},
    {"/opt/real/RealProducer/", "rmevents"},
    {"/opt/real/encoder/", "rmmerge"},
    {"/opt/real/publisher/", "rmmerge"},
    {"/opt/real/RealProducerPlus/", "rmevents"},
};
}  // namespace

bool Preferences::PrepareFirstRun()
{
    if (store_->Contains("prfLectureDir"))
        return false;
    std::error_code ec;
    std::filesystem::create_directories(DefaultLectureFolder(), ec);
    if (ec)
        return false;
    // Stored, so that a folder the user removes later is not made again.
    store_->Store("prfLectureDir", DefaultLectureFolder());
    return true;
}

Preferences::Preferences(const QString& iniPath, QObject* parent)
    : QObject(parent), store_(std::make_unique<PreferenceStore>(iniPath))
{
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

PreferenceSnapshot Preferences::Snapshot() const { return {fields_.begin(), fields_.end()}; }

void Preferences::readStore()
{
    loading_ = true;
    const PreferenceSnapshot stored = store_->Read();
    for (auto& [k, v] : fields_)
        v = stored.at(k);
    loading_ = false;
}

void Preferences::load()
{
    if (defaults_.empty())
        for (const auto& d : Definitions())
            defaults_.push_back(Trim(d.def));
    readStore();
}

void Preferences::trimAll()
{
    for (auto& kv : fields_)
        kv.second = Trim(kv.second);
}

void Preferences::DoSave() { store_->Write(Snapshot()); }

std::vector<std::string> Preferences::RecentFiles() const { return store_->RecentFiles(); }

void Preferences::SetRecentFiles(const std::vector<std::string>& files) { store_->SetRecentFiles(files); }

void Preferences::save()
{
    DoSave();
    emit statusText("Preferences saved");
    emit hideRequested();
}

void Preferences::cancel()
{
    readStore();
    emit hideRequested();
}

void Preferences::restoreDefaults()
{
    for (size_t i = 0; i < fields_.size() && i < defaults_.size(); ++i)
        fields_[i].second = defaults_[i];
}

void Preferences::applyPreset(int index)
{
    if (index < 0 || index >= static_cast<int>(std::size(kPresets)))
        return;
    const ToolPreset& p = kPresets[index];
    if (!p.dir) {
        Set("prfEvent32", "None");
        Set("prfRmmerge", "None");
        Set("prfEvents", "");
        Set("prfRmcut", "");
        return;
    }
    const std::string d = p.dir;
    Set("prfEvent32", d + p.merge);
    Set("prfRmmerge", d + p.merge);
    Set("prfEvents", d + "rmevents.dll");
    Set("prfRmcut", d + "rmcut");
}

}  // namespace pellucor

#include "moc_Preferences.cpp"
