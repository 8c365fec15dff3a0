// Writes the program's alert sounds: short 16-bit PCM mono tones with a soft attack and decay.
// Usage: makewav <out.wav> <frequency Hz> <second frequency Hz or 0> <milliseconds>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{
void put16(std::vector<unsigned char>& b, uint16_t v)
{
    b.push_back(v & 0xff);
    b.push_back(v >> 8);
}
void put32(std::vector<unsigned char>& b, uint32_t v)
{
    put16(b, v & 0xffff);
    put16(b, v >> 16);
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: makewav out.wav freq freq2 ms\n");
        return 2;
    }
    const double f1 = std::atof(argv[2]);
    const double f2 = std::atof(argv[3]);
    const int ms = std::atoi(argv[4]);
    const uint32_t rate = 22050;
    const uint32_t n = rate * static_cast<uint32_t>(ms) / 1000;
    const double pi = 3.14159265358979323846;

    std::vector<unsigned char> data;
    for (uint32_t i = 0; i < n; ++i) {
        const double t = double(i) / rate;
        // Two notes when a second frequency is given: the first half, then the second.
        const double f = (f2 > 0 && i >= n / 2) ? f2 : f1;
        const double pos = double(i % (f2 > 0 ? n / 2 : n)) / double(f2 > 0 ? n / 2 : n);
        const double env = std::min(1.0, pos * 20.0) * std::exp(-3.0 * pos);
        const double s = std::sin(2 * pi * f * t) * env * 0.6;
        put16(data, static_cast<uint16_t>(static_cast<int16_t>(s * 32767)));
    }

    std::vector<unsigned char> out;
    for (char c : {'R', 'I', 'F', 'F'})
        out.push_back(c);
    put32(out, 36 + static_cast<uint32_t>(data.size()));
    for (char c : {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '})
        out.push_back(c);
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, rate);
    put32(out, rate * 2);
    put16(out, 2);
    put16(out, 16);
    for (char c : {'d', 'a', 't', 'a'})
        out.push_back(c);
    put32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());

    FILE* f = std::fopen(argv[1], "wb");
    if (!f || std::fwrite(out.data(), 1, out.size(), f) != out.size()) {
        std::perror(argv[1]);
        return 1;
    }
    std::fclose(f);
    return 0;
}
