#include "media/AvcNal.h"

namespace pellucor {

namespace {

// Reads bits of an RBSP (emulation prevention bytes removed).
class BitReader {
public:
    explicit BitReader(const std::string& bytes)
    {
        int zeros = 0;
        for (const char ch : bytes) {
            const auto c = static_cast<uint8_t>(ch);
            if (zeros >= 2 && c == 3) {
                zeros = 0;
                continue;
            }
            zeros = c == 0 ? zeros + 1 : 0;
            rbsp_.push_back(c);
        }
    }
    int Bit()
    {
        if (pos_ >= rbsp_.size() * 8)
            return -1;
        const int b = (rbsp_[pos_ / 8] >> (7 - pos_ % 8)) & 1;
        ++pos_;
        return b;
    }
    void Skip(size_t bits) { pos_ += bits; }
    // Exp-Golomb ue(v); -1 when the data ends first.
    long Ue()
    {
        int zeros = 0;
        for (int b = Bit(); b == 0; b = Bit())
            if (++zeros > 31)
                return -1;
        if (pos_ > rbsp_.size() * 8)
            return -1;
        long value = 1;
        for (int i = 0; i < zeros; ++i) {
            const int b = Bit();
            if (b < 0)
                return -1;
            value = value * 2 + b;
        }
        return value - 1;
    }

private:
    std::vector<uint8_t> rbsp_;
    size_t pos_ = 0;
};

int u16(const uint8_t* p) { return (p[0] << 8) | p[1]; }

}  // namespace

int SpsId(const std::string& unit)
{
    if (unit.size() < 5 || (static_cast<uint8_t>(unit[0]) & 0x1f) != 7)
        return -1;
    BitReader bits(unit.substr(1));
    bits.Skip(24);  // profile, constraint flags, level
    return static_cast<int>(bits.Ue());
}

bool ReadAvcConfig(const uint8_t* data, int size, AvcConfig& config)
{
    config = AvcConfig();
    if (!data || size < 7 || data[0] != 1)
        return false;
    config.lengthSize = (data[4] & 3) + 1;
    int pos = 5;
    for (int kind = 0; kind < 2; ++kind) {
        if (pos >= size)
            return false;
        const int count = kind == 0 ? data[pos] & 0x1f : data[pos];
        ++pos;
        for (int i = 0; i < count; ++i) {
            if (pos + 2 > size || pos + 2 + u16(data + pos) > size)
                return false;
            const std::string unit(reinterpret_cast<const char*>(data + pos + 2), u16(data + pos));
            pos += 2 + u16(data + pos);
            if (kind == 0)
                config.spsIds.insert(SpsId(unit));
            config.sets.push_back(unit);
        }
    }
    return true;
}

std::vector<std::string> AnnexBUnits(const uint8_t* data, int size)
{
    std::vector<std::string> units;
    int start = -1;
    int i = 0;
    while (i + 2 < size) {
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) {
            if (start >= 0) {
                int end = i;
                while (end > start && data[end - 1] == 0)
                    --end;
                units.emplace_back(reinterpret_cast<const char*>(data + start), end - start);
            }
            i += 3;
            start = i;
        } else {
            ++i;
        }
    }
    if (start >= 0 && start < size)
        units.emplace_back(reinterpret_cast<const char*>(data + start), size - start);
    return units;
}

std::string LengthPrefixed(const std::vector<std::string>& units, int lengthSize)
{
    std::string out;
    for (const std::string& u : units) {
        for (int b = lengthSize - 1; b >= 0; --b)
            out += static_cast<char>((u.size() >> (8 * b)) & 0xff);
        out += u;
    }
    return out;
}

}  // namespace pellucor
