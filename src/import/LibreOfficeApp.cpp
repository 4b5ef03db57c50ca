#include "import/LibreOfficeApp.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <unistd.h>

#include "core/DebugLog.h"

namespace pellucor {

namespace {

QString findSoffice()
{
    if (const char* env = std::getenv("PELLUCOR_SOFFICE"); env && *env)
        return QString::fromLocal8Bit(env);
    for (const char* name : {"soffice", "libreoffice"}) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty())
            return found;
    }
    return {};
}

// Ends every process of LibreOffice's process group and waits until they
// are all gone (the processes it started outlive its launcher, and a killed
// process takes a moment to go), for a few seconds at most.
void endProcessGroup(qint64 group)
{
    for (int i = 0; i < 250; ++i) {
        if (::kill(-static_cast<pid_t>(group), SIGKILL) != 0 && errno == ESRCH)
            return;
        QThread::msleep(20);
    }
    Tav_DebugLog("LibreOffice's processes did not end within 5 s of being killed");
}

// The PDF export keeps hidden slides so that page i is always slide i.
const QString kPdfTarget
    = QStringLiteral(R"(pdf:impress_pdf_Export:{"ExportHiddenSlides":{"type":"boolean","value":"true"},)"
                     R"("ExportNotesPages":{"type":"boolean","value":"false"}})");

QString extensionFor(DeckKind kind, const QString& original)
{
    switch (kind) {
    case DeckKind::OpenDocument: return "odp";
    case DeckKind::FlatOpenDocument: return "fodp";
    case DeckKind::OfficeOpenXml:
        return original == "pptm" || original == "ppsx" || original == "potx" ? original : QString("pptx");
    case DeckKind::Pdf: return "pdf";
    case DeckKind::Other: break;
    }
    return original;
}

}  // namespace

LibreOfficeApp::LibreOfficeApp(std::string soffice) : soffice_(QString::fromStdString(soffice)) { }

LibreOfficeApp::~LibreOfficeApp() = default;

bool LibreOfficeApp::Start(std::string& err)
{
    if (soffice_.isEmpty())
        soffice_ = findSoffice();
    if (soffice_.isEmpty() || !QFileInfo(soffice_).isExecutable()) {
        err = "LibreOffice (soffice) was not found; install LibreOffice Impress";
        return false;
    }
    work_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/pellucor-lo-XXXXXX");
    if (!work_->isValid()) {
        err = "cannot create a working directory: " + work_->errorString().toStdString();
        work_.reset();
        return false;
    }
    return true;
}

std::string LibreOfficeApp::Version()
{
    if (versionRead_)
        return version_;
    versionRead_ = true;
    QProcess proc;
    proc.start(soffice_, {"--version"});
    if (proc.waitForFinished(60000) && proc.exitStatus() == QProcess::NormalExit) {
        // "LibreOffice 7.4.7.2 40(Build:2)"
        const QStringList words = QString::fromLocal8Bit(proc.readAllStandardOutput()).simplified().split(' ');
        for (const QString& w : words) {
            if (!w.isEmpty() && w.front().isDigit()) {
                version_ = w.toStdString();
                break;
            }
        }
    } else {
        proc.kill();
        proc.waitForFinished();
    }
    return version_;
}

bool LibreOfficeApp::convert(const QString& input, const QString& target, const QString& extension,
                             const QString& outDir, QString& output, std::string& err)
{
    const QString profile = QUrl::fromLocalFile(work_->filePath("profile")).toString();
    const QStringList args = {"-env:UserInstallation=" + profile,
                              "--headless",
                              "--invisible",
                              "--nologo",
                              "--norestore",
                              "--nodefault",
                              "--nolockcheck",
                              "--convert-to",
                              target,
                              "--outdir",
                              outDir,
                              input};
    output = QDir(outDir).filePath(QFileInfo(input).completeBaseName() + "." + extension);
    QFile::remove(output);
    QProcess proc;
    proc.setProcessChannelMode(QProcess::SeparateChannels);
    // Its own process group, so that a cancel ends every process it starts.
    proc.setChildProcessModifier([] { ::setpgid(0, 0); });
    {
        std::lock_guard lock(runMutex_);
        if (cancelled_) {
            err = "Slide import cancelled";
            return false;
        }
        proc.start(soffice_, args);
        if (proc.waitForStarted(30000))
            runningPid_ = proc.processId();
    }
    const qint64 group = runningPid_;
    if (runningPid_ == 0) {
        err = "cannot start " + soffice_.toStdString() + ": " + proc.errorString().toStdString();
        return false;
    }
    const bool finished = proc.waitForFinished(kConvertTimeoutMs);
    bool cancelled = false;
    {
        std::lock_guard lock(runMutex_);
        runningPid_ = 0;
        cancelled = cancelled_;
    }
    if (cancelled) {
        proc.kill();
        proc.waitForFinished();
        endProcessGroup(group);
        err = "Slide import cancelled";
        return false;
    }
    if (!finished) {
        proc.kill();
        proc.waitForFinished();
        endProcessGroup(group);
        err = "LibreOffice did not finish converting " + QFileInfo(input).fileName().toStdString();
        return false;
    }
    const QString errors = QString::fromLocal8Bit(proc.readAllStandardError()).trimmed();
    Tav_DebugLog("soffice --convert-to " + target.section(':', 0, 0).toStdString() + ": exit "
                 + std::to_string(proc.exitCode()) + " "
                 + QString::fromLocal8Bit(proc.readAllStandardOutput()).trimmed().toStdString());
    if (proc.exitStatus() != QProcess::NormalExit || proc.exitCode() != 0 || !QFileInfo(output).isFile()
        || QFileInfo(output).size() == 0) {
        QString detail;
        for (const QString& line : errors.split('\n')) {
            if (!line.contains("javaldx") && !line.trimmed().isEmpty())
                detail = line.trimmed();
        }
        err = "LibreOffice could not read the presentation" + (detail.isEmpty() ? "" : (": " + detail).toStdString());
        return false;
    }
    return true;
}

void LibreOfficeApp::SetCancelled(bool on)
{
    std::lock_guard lock(runMutex_);
    cancelled_ = on;
    if (on && runningPid_ > 0)
        ::kill(-static_cast<pid_t>(runningPid_), SIGKILL);
}

bool LibreOfficeApp::Open(const std::string& path, int& count, std::string& err)
{
    if (!work_) {
        err = "LibreOffice is not started";
        return false;
    }
    const QFileInfo source(QString::fromStdString(path));
    if (!source.isFile() || !source.isReadable()) {
        err = "the file cannot be read";
        return false;
    }
    // Each open works in a fresh directory on a link named "deck" so that
    // no character of the user's file name reaches LibreOffice's command line
    // as anything but a plain name, and no lock file lands beside the user's
    // file.
    const QString dir = work_->filePath(QString::number(++opened_));
    if (!QDir().mkpath(dir)) {
        err = "cannot create a working directory";
        return false;
    }
    DeckKind kind = SniffDeck(path);
    const QString ext = extensionFor(kind, source.suffix().toLower());
    const QString deck = QDir(dir).filePath(ext.isEmpty() ? QString("deck") : "deck." + ext);
    if (!QFile::link(source.absoluteFilePath(), deck) && !QFile::copy(source.absoluteFilePath(), deck)) {
        err = "cannot read the file";
        return false;
    }
    QString titleSource = deck;
    QString pdfSource = deck;
    if (kind == DeckKind::Other) {
        QString odp;
        if (!convert(deck, "odp", "odp", QDir(dir).filePath("odp"), odp, err))
            return false;
        kind = DeckKind::OpenDocument;
        titleSource = pdfSource = odp;
    }
    // A PDF is its own pages: only a presentation is converted.
    QString pdf = deck;
    if (kind != DeckKind::Pdf && !convert(pdfSource, kPdfTarget, "pdf", QDir(dir).filePath("pdf"), pdf, err))
        return false;
    auto pages = std::make_unique<PdfSlides>();
    if (!pages->Load(pdf.toStdString(), err))
        return false;
    pages_ = std::move(pages);
    titles_ = ReadSlideTitles(titleSource.toStdString(), kind);
    words_ = ReadDeckText(titleSource.toStdString(), kind);
    if (kind == DeckKind::Pdf)
        for (int i = 0; i < pages_->Count(); ++i) {
            const std::string title = pages_->PageText(i).title;
            titles_.push_back(title.empty() ? std::nullopt : std::optional(title));
        }
    count = pages_->Count();
    return true;
}

bool LibreOfficeApp::ExportSlide(int i, const std::string& file, int width, int height, std::string& err)
{
    if (!pages_) {
        err = "no presentation is open";
        return false;
    }
    return pages_->WriteGif(i - 1, file, width, height, err);
}

bool LibreOfficeApp::ExportSlideSharp(int i, const std::string& file, int width, std::string& err)
{
    if (!pages_) {
        err = "no presentation is open";
        return false;
    }
    return pages_->WriteWebp(i - 1, file, width, err);
}

std::optional<std::string> LibreOfficeApp::SlideTitle(int i)
{
    if (!pages_ || i < 1 || i > static_cast<int>(titles_.size()))
        return std::nullopt;
    return titles_[static_cast<size_t>(i - 1)];
}

std::optional<DeckSlideText> LibreOfficeApp::SlideWords(int i)
{
    if (!pages_ || i < 1 || i > pages_->Count())
        return std::nullopt;
    if (i <= static_cast<int>(words_.size()) && !words_[static_cast<size_t>(i - 1)].text.empty())
        return words_[static_cast<size_t>(i - 1)];
    DeckSlideText fromPdf = pages_->PageText(i - 1);
    if (fromPdf.text.empty())
        return std::nullopt;
    fromPdf.fromPdf = true;
    return fromPdf;
}

bool LibreOfficeApp::Quit(std::string&)
{
    pages_.reset();
    titles_.clear();
    words_.clear();
    work_.reset();
    return true;
}

}  // namespace pellucor
