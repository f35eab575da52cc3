#include "PngFile.h"

namespace {

uint32_t Crc32(const std::string& bytes, size_t from) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = from; i < bytes.size(); ++i) {
        crc ^= static_cast<uint8_t>(bytes[i]);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutBig32(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

void Chunk(std::string& out, const char* type, const std::string& data) {
    PutBig32(out, static_cast<uint32_t>(data.size()));
    std::string body = type + data;
    out += body;
    PutBig32(out, Crc32(body, 0));
}

std::string Header(uint32_t width, uint32_t height) {
    std::string header;
    PutBig32(header, width);
    PutBig32(header, height);
    header += '\x08';  // 8 bits per channel
    header += '\x06';  // RGBA
    header += std::string(3, '\0');
    return header;
}

// zlib stream of stored (uncompressed) deflate blocks.
std::string StoredZlib(const std::string& raw) {
    std::string out = "\x78\x01";
    size_t offset = 0;
    do {
        size_t length = raw.size() - offset;
        if (length > 65535)
            length = 65535;
        bool last = offset + length == raw.size();
        out += static_cast<char>(last ? 1 : 0);
        out += static_cast<char>(length & 0xFF);
        out += static_cast<char>(length >> 8);
        out += static_cast<char>(~length & 0xFF);
        out += static_cast<char>((~length >> 8) & 0xFF);
        out.append(raw, offset, length);
        offset += length;
    } while (offset < raw.size());
    uint32_t a = 1, b = 0;
    for (char c : raw) {
        a = (a + static_cast<uint8_t>(c)) % 65521;
        b = (b + a) % 65521;
    }
    PutBig32(out, (b << 16) | a);
    return out;
}

}  // namespace

std::string EncodePng(int width, int height, const std::vector<Rgba>& pixels) {
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw += '\0';  // no filter
        for (int x = 0; x < width; ++x) {
            const Rgba& p = pixels[static_cast<size_t>(y) * width + x];
            raw += static_cast<char>(p.r);
            raw += static_cast<char>(p.g);
            raw += static_cast<char>(p.b);
            raw += static_cast<char>(p.a);
        }
    }
    std::string png = "\x89PNG\r\n\x1a\n";
    Chunk(png, "IHDR", Header(width, height));
    Chunk(png, "IDAT", StoredZlib(raw));
    Chunk(png, "IEND", "");
    return png;
}

std::string SolidPng(int width, int height, Rgba colour) {
    return EncodePng(width, height, std::vector<Rgba>(static_cast<size_t>(width) * height, colour));
}

std::string HeaderOnlyPng(uint32_t width, uint32_t height) {
    std::string png = "\x89PNG\r\n\x1a\n";
    Chunk(png, "IHDR", Header(width, height));
    return png;
}
