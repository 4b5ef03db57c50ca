#include "TinyWhisperModel.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

namespace pellucor::testing_support {

namespace {

// English only, the special tokens at their usual places; a multilingual
// vocabulary has one more, and every special token one further on.
constexpr int32_t kEnglishVocab = 51864;
constexpr int32_t kAudioCtx = 1500, kTextCtx = 32, kWidth = 16, kMels = 80, kFft = 201;
constexpr int32_t kEnglishEot = 50256, kEnglishFirstTimestamp = 50363;
constexpr int32_t kHello = 0, kWorld = 1;  // the words of its vocabulary

// IEEE half float of a value that has one exactly (0, 1, +-100 ...).
uint16_t halfFloat(float f)
{
    if (f == 0.0f)
        return 0;
    uint32_t x = 0;
    std::memcpy(&x, &f, sizeof x);
    const auto sign = static_cast<uint16_t>((x >> 16) & 0x8000);
    const auto exponent = static_cast<uint16_t>((((x >> 23) & 0xff) - 127 + 15) << 10);
    return static_cast<uint16_t>(sign | exponent | ((x >> 13) & 0x3ff));
}

class ModelWriter {
public:
    explicit ModelWriter(const std::string& path) : out_(path, std::ios::binary) { }
    bool ok() const { return static_cast<bool>(out_); }

    void int32(int32_t v) { out_.write(reinterpret_cast<const char*>(&v), sizeof v); }
    void floats(const std::vector<float>& v)
    {
        out_.write(reinterpret_cast<const char*>(v.data()), static_cast<std::streamsize>(v.size() * sizeof(float)));
    }
    void text(const std::string& s)
    {
        int32(static_cast<int32_t>(s.size()));
        out_.write(s.data(), static_cast<std::streamsize>(s.size()));
    }
    // A tensor: its shape innermost first, then its name, then the values.
    // The matrices and convolutions are half floats, as in the models
    // whisper.cpp's converter writes (its convolution needs them so); the
    // rest float32.
    void tensor(const std::string& name, const std::vector<int32_t>& shape, std::vector<float> values = {})
    {
        size_t n = 1;
        for (int32_t d : shape)
            n *= static_cast<size_t>(d);
        values.resize(n, 0.0f);
        const bool half = shape.size() >= 2 && name.size() > 7 && name.compare(name.size() - 7, 7, ".weight") == 0;
        int32(static_cast<int32_t>(shape.size()));
        int32(static_cast<int32_t>(name.size()));
        int32(half ? 1 : 0);
        for (int32_t d : shape)
            int32(d);
        out_.write(name.data(), static_cast<std::streamsize>(name.size()));
        if (!half) {
            floats(values);
            return;
        }
        std::vector<uint16_t> halves(values.size());
        std::transform(values.begin(), values.end(), halves.begin(), halfFloat);
        out_.write(reinterpret_cast<const char*>(halves.data()),
                   static_cast<std::streamsize>(halves.size() * sizeof(uint16_t)));
    }
    // One block's attention (self or cross) and, for self, its MLP.
    void block(const std::string& prefix, const std::string& attn, bool mlp)
    {
        const std::vector<int32_t> square {kWidth, kWidth}, row {kWidth};
        tensor(prefix + attn + "_ln.weight", row);
        tensor(prefix + attn + "_ln.bias", row);
        for (const char* part : {".query", ".value", ".out"}) {
            tensor(prefix + attn + part + ".weight", square);
            tensor(prefix + attn + part + ".bias", row);
        }
        tensor(prefix + attn + ".key.weight", square);
        if (!mlp)
            return;
        tensor(prefix + "mlp_ln.weight", row);
        tensor(prefix + "mlp_ln.bias", row);
        tensor(prefix + "mlp.0.weight", {kWidth, 4 * kWidth});
        tensor(prefix + "mlp.0.bias", {4 * kWidth});
        tensor(prefix + "mlp.2.weight", {4 * kWidth, kWidth});
        tensor(prefix + "mlp.2.bias", row);
    }

private:
    std::ofstream out_;
};

// Direction k of the decoder's width: +1 and -1 in a pair of places, so
// that the layer norm keeps it (its mean is zero).
void setDirection(std::vector<float>& m, size_t row, int k, float size)
{
    m[row * kWidth + 2 * k] = size;
    m[row * kWidth + 2 * k + 1] = -size;
}

}  // namespace

bool WriteTinyWhisperModel(const std::string& path, bool multilingual)
{
    const int32_t kVocab = kEnglishVocab + (multilingual ? 1 : 0);
    const int32_t kEot = kEnglishEot + (multilingual ? 1 : 0);
    const int32_t kFirstTimestamp = kEnglishFirstTimestamp + (multilingual ? 1 : 0);
    // The prompt: the start, then in a multilingual model the language and
    // the task; its last position predicts the first token heard.
    const int prompt = multilingual ? 3 : 1;
    ModelWriter w(path);
    w.int32(0x67676d6c);
    for (int32_t h : {kVocab, kAudioCtx, kWidth, 1, 1, kTextCtx, kWidth, 1, 1, kMels, 1})  // 1: half floats
        w.int32(h);
    w.int32(kMels);
    w.int32(kFft);
    w.floats(std::vector<float>(static_cast<size_t>(kMels * kFft), 0.01f));
    w.int32(3);
    w.text(" hello");
    w.text(" world");
    w.text(" ");  // the blank whisper.cpp keeps from starting a text

    w.tensor("encoder.positional_embedding", {kWidth, kAudioCtx});
    w.tensor("encoder.conv1.weight", {3, kMels, kWidth});
    w.tensor("encoder.conv1.bias", {1, kWidth});
    w.tensor("encoder.conv2.weight", {3, kWidth, kWidth});
    w.tensor("encoder.conv2.bias", {1, kWidth});
    w.tensor("encoder.ln_post.weight", {kWidth});
    w.tensor("encoder.ln_post.bias", {kWidth});
    w.block("encoder.blocks.0.", "attn", true);

    // Every block adds nothing: the decoder's output is the layer norm of
    // its input, the token's embedding plus its position's, and the
    // position's is ten times stronger. So each position names the token
    // that follows it (the embeddings are also the output's weights): the
    // prompt's last token -> <|0.00|>, then "hello", "world", <|1.00|>, the
    // end.
    const int32_t sequence[] = {kFirstTimestamp, kHello, kWorld, kFirstTimestamp + 50, kEot};
    std::vector<float> position(static_cast<size_t>(kWidth * kTextCtx), 0.0f);
    std::vector<float> tokens(static_cast<size_t>(kWidth) * kVocab, 0.0f);
    for (int k = 0; k < 5; ++k)
        setDirection(tokens, static_cast<size_t>(sequence[k]), k, 100);
    for (int p = 0; p < kTextCtx; ++p)
        setDirection(position, static_cast<size_t>(p), std::clamp(p - (prompt - 1), 0, 4), 1000);
    w.tensor("decoder.positional_embedding", {kWidth, kTextCtx}, position);
    w.tensor("decoder.token_embedding.weight", {kWidth, kVocab}, tokens);
    w.tensor("decoder.ln.weight", {kWidth}, std::vector<float>(kWidth, 1.0f));
    w.tensor("decoder.ln.bias", {kWidth});
    w.block("decoder.blocks.0.", "attn", true);
    w.block("decoder.blocks.0.", "cross_attn", false);
    return w.ok();
}

}  // namespace pellucor::testing_support
