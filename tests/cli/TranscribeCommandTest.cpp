// "pellucor transcribe" on real recordings: read speech (LibriVox clips
// with their reference text, joined by silences into a one-minute part)
// and a synthetic voice, captions that a lecturer brought, captions made
// before, and recordings that cannot be captioned, which fail clearly and
// write nothing.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QCryptographicHash>

#include <filesystem>
#include <regex>

#include "MediaTools.h"
#include "PublishRun.h"
#include "TinyWhisperModel.h"
#include "core/CaptionReview.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

const std::string kLibriVox = "/usr/share/pocketsphinx/test/data/librivox/";

// The recording each case starts from, made with the command-line tools.
enum class Sound { ReadSpeech, SyntheticVoice, VideoWithoutSound, Silence };

// Captions beside the recording before the run.
enum class Before { None, LecturersVtt, LecturersSrt, MachineMade, MachineMadeEdited, MachineMadeReviewed };

struct Case {
    const char* name;
    Sound sound;
    Before before;
    const char* options;  // more command-line options, blank-separated
    int code;
    const char* says;         // on standard output (success) or standard error (failure)
    bool captionsMade;        // the files made are machine-made captions of the speech afterwards
    double maxWordErrorRate;  // of the read speech against its reference text (0: not measured)
    const char* made = "talk1.vtt";  // the captions files made, blank-separated
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const Case kCases[] = {
    // 36.6% of the words wrong, the same on every run on two cores (the
    // stretches go to the decoders in a fixed order).
    {"ReadSpeechInAMinutePart", Sound::ReadSpeech, Before::None, "", 0, "talk1.vtt written", true, 0.37},
    {"SyntheticVoice", Sound::SyntheticVoice, Before::None, "--engine=pocketsphinx --lang=en", 0, "talk1.vtt written",
     true, 0},
    {"LecturersVttNeverTouched", Sound::SyntheticVoice, Before::LecturersVtt, "--replace", 0,
     "kept the lecturer's captions talk1.vtt", false, 0},
    {"LecturersSrtWins", Sound::SyntheticVoice, Before::LecturersSrt, "--replace", 0,
     "kept the lecturer's captions talk1.srt", false, 0},
    {"MachineMadeKept", Sound::SyntheticVoice, Before::MachineMade, "", 0, "give --replace", false, 0},
    {"MachineMadeReplaced", Sound::SyntheticVoice, Before::MachineMade, "--replace", 0, "talk1.vtt written", true, 0},
    {"CorrectedMachineMadeIsTheLecturers", Sound::SyntheticVoice, Before::MachineMadeEdited, "--replace", 0,
     "kept the lecturer's captions", false, 0},
    {"ReviewedMachineMadeKept", Sound::SyntheticVoice, Before::MachineMadeReviewed, "--replace", 0,
     "kept the automatic captions talk1.vtt a person reviewed", false, 0},
    {"VideoWithoutSound", Sound::VideoWithoutSound, Before::None, "", 1, "the recording has no sound stream", false, 0},
    {"SilenceOnly", Sound::Silence, Before::None, "", 1, "holds only silence", false, 0},
#ifdef PELLUCOR_WHISPER_BUILT
    // "@tiny" stands for a Whisper model the test writes, which hears "hello world".
    {"WhisperModel", Sound::SyntheticVoice, Before::None, "--engine=whisper --model=@tiny", 0, "talk1.vtt written",
     true, 0},
    // "@many" a multilingual one: German speech, captioned and translated.
    {"TranslatedIntoEnglish", Sound::SyntheticVoice, Before::None,
     "--engine=whisper --model=@many --lang=de --translate", 0, "talk1.en.vtt written", true, 0,
     "talk1.de.vtt talk1.en.vtt"},
#endif
    {"TranslateEnglishSpeech", Sound::SyntheticVoice, Before::None, "--lang=en --translate", 2,
     "--translate makes English captions of speech in another language", false, 0},
#ifdef PELLUCOR_WHISPER_BUILT
    {"TranslateWithEnglishOnlyModel", Sound::SyntheticVoice, Before::None,
     "--engine=whisper --model=@tiny --lang=de --translate", 1, "knows English only", false, 0},
#endif
    {"MissingWhisperModel", Sound::SyntheticVoice, Before::None, "--engine=whisper --model=/nonexistent/ggml.bin", 1,
     "The Whisper model /nonexistent/ggml.bin cannot be read", false, 0},
    {"NoSuchEngine", Sound::SyntheticVoice, Before::None, "--engine=vosk", 1, "There is no speech engine \"vosk\"",
     false, 0},
    {"NoSuchPart", Sound::SyntheticVoice, Before::None, "--part=2", 1, "The lecture has no part 2", false, 0},
};

std::string sha256(const std::string& text)
{
    return QCryptographicHash::hash(QByteArray::fromStdString(text), QCryptographicHash::Sha256).toHex().toStdString();
}

// Lower-case words, without cue times, markup or punctuation.
std::vector<std::string> wordsOf(const std::string& text)
{
    std::vector<std::string> out;
    static const std::regex word("[a-z0-9']+");
    std::string lower;
    for (char c : text)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (auto it = std::sregex_iterator(lower.begin(), lower.end(), word); it != std::sregex_iterator(); ++it)
        out.push_back(it->str());
    return out;
}

double wordErrorRate(const std::vector<std::string>& ref, const std::vector<std::string>& hyp)
{
    std::vector<size_t> prev(hyp.size() + 1), cur(hyp.size() + 1);
    for (size_t j = 0; j <= hyp.size(); ++j)
        prev[j] = j;
    for (size_t i = 1; i <= ref.size(); ++i) {
        cur[0] = i;
        for (size_t j = 1; j <= hyp.size(); ++j)
            cur[j] = std::min({prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + (ref[i - 1] != hyp[j - 1])});
        std::swap(prev, cur);
    }
    return static_cast<double>(prev[hyp.size()]) / static_cast<double>(std::max<size_t>(ref.size(), 1));
}

double seconds(const std::string& t)  // hh:mm:ss.mmm
{
    return std::stoi(t.substr(0, 2)) * 3600 + std::stoi(t.substr(3, 2)) * 60 + std::stod(t.substr(6));
}

// Checks the captions as WebVTT with the cue rules and their note naming
// lang; returns their text.
std::string checkedCaptions(const std::string& vtt, double recordingSeconds, const std::string& lang)
{
    const Strings lines = splitCrLf(vtt);
    EXPECT_GE(lines.size(), 4u);
    if (lines.size() < 4)
        return "";
    EXPECT_EQ(lines[0], "WEBVTT");
    EXPECT_TRUE(holds(lines[2], "NOTE Automatic captions"));
    EXPECT_EQ(lines[3], "Language: " + lang);  // the captions' language, in the note
    static const std::regex timing(R"((\d\d:\d\d:\d\d\.\d\d\d) --> (\d\d:\d\d:\d\d\.\d\d\d))");
    struct Cue {
        double start, end;
        Strings text;
        size_t marks;  // the words its confidence note gives
    };
    std::vector<Cue> cues;
    size_t noted = 0;
    size_t first = 4;  // the cues, after the note
    while (first < lines.size() && !lines[first].empty())
        ++first;
    for (size_t i = first; i < lines.size(); ++i) {
        std::smatch m;
        if (std::regex_match(lines[i], m, timing)) {
            cues.push_back({seconds(m[1]), seconds(m[2]), {}, noted});
            noted = 0;
            continue;
        }
        if (std::vector<WordMark> marks; ReadConfidenceNote(lines[i], marks)) {
            noted = marks.size();
            continue;
        }
        if (!lines[i].empty()) {
            EXPECT_FALSE(cues.empty()) << "text outside a cue: " << lines[i];
            if (!cues.empty())
                cues.back().text.push_back(lines[i]);
        }
    }
    EXPECT_FALSE(cues.empty());
    std::string text;
    for (size_t i = 0; i < cues.size(); ++i) {
        const Cue& c = cues[i];
        const double nextStart = i + 1 < cues.size() ? cues[i + 1].start : 1e9;
        EXPECT_LE(c.end, nextStart) << "cue " << i << " runs into the next";
        EXPECT_LE(c.end - c.start, 7.0) << "cue " << i;
        EXPECT_TRUE(c.end - c.start >= 1.0 || c.end == nextStart) << "cue " << i << " is shown too briefly";
        EXPECT_LE(c.start, recordingSeconds);
        EXPECT_TRUE(!c.text.empty() && c.text.size() <= 2) << "cue " << i << " has " << c.text.size() << " lines";
        size_t words = 0;
        for (const std::string& line : c.text)
            words += CaptionWords(line).size();
        EXPECT_EQ(c.marks, words) << "cue " << i << ": a confidence a word";
        for (const std::string& line : c.text) {
            EXPECT_LE(QString::fromStdString(line).size(), 42) << line;
            text += line + " ";
        }
    }
    return text;
}

class TranscribeCommand : public PublishRun, public ::testing::WithParamInterface<Case> {
protected:
    std::string recording;
    double length = 0;

    void makeRecording(Sound sound)
    {
        std::string err;
        switch (sound) {
        case Sound::ReadSpeech: {
            // Each clip followed by silence: five clips in a part of about a minute.
            Strings clips, args;
            for (const auto& e : fs::directory_iterator(kLibriVox))
                if (e.path().extension() == ".wav")
                    clips.push_back(e.path().string());
            std::sort(clips.begin(), clips.end());  // the order of the reference text
            ASSERT_EQ(clips.size(), 5u);
            std::string graph = "[5]asplit=5[s0][s1][s2][s3][s4];";
            for (size_t n = 0; n < clips.size(); ++n) {
                args.insert(args.end(), {"-i", clips[n]});
                graph += "[" + std::to_string(n) + "][s" + std::to_string(n) + "]";
            }
            args.insert(args.end(),
                        {"-f", "lavfi", "-t", "7", "-i", "anullsrc=r=16000:cl=mono", "-filter_complex",
                         graph + "concat=n=10:v=0:a=1", "-c:a", "libopus", "-b:a", "48k"});
            recording = lecture + "talk1.ogg";
            args.push_back(recording);
            ASSERT_TRUE(ffmpeg(args, err)) << err;
            break;
        }
        case Sound::SyntheticVoice: {
            std::string out;
            ASSERT_TRUE(runTool({"espeak-ng", "-v", "en-us", "-s", "140", "-w", root.dir() + "voice.wav",
                                 "Welcome to the lecture. Today we talk about the weather and the sea."},
                                out, &err))
                << err;
            recording = lecture + "talk1.m4a";
            ASSERT_TRUE(
                ffmpeg({"-i", root.dir() + "voice.wav", "-ar", "44100", "-ac", "2", "-c:a", "aac", recording}, err))
                << err;
            break;
        }
        case Sound::VideoWithoutSound:
            recording = lecture + "talk1.mp4";
            ASSERT_TRUE(ffmpeg({"-f", "lavfi", "-i", "testsrc=size=160x120:rate=10:duration=3", "-an", "-pix_fmt",
                                "yuv420p", recording},
                               err))
                << err;
            break;
        case Sound::Silence:
            recording = lecture + "talk1.wav";
            ASSERT_TRUE(ffmpeg({"-f", "lavfi", "-t", "10", "-i", "anullsrc=r=44100:cl=stereo", recording}, err)) << err;
            break;
        }
        length = ffprobe(recording).duration;
    }
};

TEST_P(TranscribeCommand, CaptionsTheSpeechAndKeepsTheLecturers)
{
    const Case& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(makeRecording(c.sound));
    const std::string vtt = lecture + "talk1.vtt", mark = vtt + ".auto", srt = lecture + "talk1.srt";
    const std::string lecturers = "WEBVTT\r\n\r\n00:00:00.500 --> 00:00:02.000\r\nWelcome, everyone\r\n";
    const std::string machine = "WEBVTT\r\n\r\nNOTE Automatic captions: made before\r\n\r\n00:00:00.000 --> "
                                "00:00:01.000\r\nwelcome\r\n";
    switch (c.before) {
    case Before::None: break;
    case Before::LecturersVtt: writeFile(vtt, lecturers); break;
    case Before::LecturersSrt: writeFile(srt, "1\r\n00:00:00,500 --> 00:00:02,000\r\nWelcome, everyone\r\n"); break;
    case Before::MachineMade:
    case Before::MachineMadeEdited:
        writeFile(vtt, machine + (c.before == Before::MachineMadeEdited ? "corrected by hand\r\n" : ""));
        writeFile(mark, sha256(machine) + "\n");
        break;
    case Before::MachineMadeReviewed:  // in the caption editor
        writeFile(vtt,
                  "WEBVTT\r\n\r\nNOTE Automatic captions: made before, reviewed by a person\r\nReviewed: yes\r\n"
                  "\r\n00:00:00.000 --> 00:00:01.000\r\nwelcome\r\n");
        break;
    }
    const auto before = treeContents(lecture);

    const std::string tiny = root.dir() + "ggml-tiny-test.bin", many = root.dir() + "ggml-many-test.bin";
    const bool tinyModel = holds(c.options, "@tiny") || holds(c.options, "@many");
    ASSERT_TRUE(!holds(c.options, "@tiny") || WriteTinyWhisperModel(tiny));
    ASSERT_TRUE(!holds(c.options, "@many") || WriteTinyWhisperModel(many, true));
    QStringList args {"transcribe", QString::fromStdString(lecture)};
    for (const QString& o : QString(c.options).split(' ', Qt::SkipEmptyParts))
        args << QString(o).replace("@tiny", QString::fromStdString(tiny)).replace("@many", QString::fromStdString(many));
    const Outcome r = run(args);
    ASSERT_EQ(r.code, c.code) << describe(r);
    expectHolds(r, c.code ? r.err : r.out, {c.says});
    if (!c.captionsMade) {
        EXPECT_EQ(treeContents(lecture), before) << "the lecture directory changed";
        return;
    }
    Strings expected {fs::path(recording).filename().string()};
    for (const QString& made : QString(c.made).split(' ')) {
        SCOPED_TRACE(made.toStdString());
        const std::string file = lecture + made.toStdString();
        ASSERT_TRUE(fs::exists(file));
        const std::string written = readFile(file);
        EXPECT_EQ(readFile(file + ".auto"), sha256(written) + "\n");
        const QStringList name = made.split('.');  // talk1[.LANG].vtt
        const std::string lang = name.size() == 3 ? name[1].toStdString() : "en";
        const std::string text = checkedCaptions(written, length, lang);
        // English captions of German speech say what they were translated from.
        EXPECT_EQ(static_cast<bool>(holds(written, "\r\nTranslated from: de\r\n")),
                  holds(c.options, "--translate") && lang == "en");
        if (c.maxWordErrorRate > 0) {
            // The reference without its sentence marks and clip names.
            static const std::regex marks(R"(<[^>]*>|\([^)]*\))");
            const std::string reference = std::regex_replace(readFile(kLibriVox + "transcription"), marks, " ");
            const double wer = wordErrorRate(wordsOf(reference), wordsOf(text));
            EXPECT_LE(wer, c.maxWordErrorRate) << text;
        } else {
            EXPECT_TRUE(holds(text, tinyModel ? "hello world" : "welcome")) << text;
        }
        expected.push_back(made.toStdString());
        expected.push_back(made.toStdString() + ".auto");
    }
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(lecture))
        left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
}

INSTANTIATE_TEST_SUITE_P(Recordings, TranscribeCommand, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
