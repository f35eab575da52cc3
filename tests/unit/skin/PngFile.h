// Writes small RGBA PNG files for skin tests (uncompressed deflate blocks, no image library).
#pragma once
#include <windows.h>

#include <stdint.h>

#include <string>
#include <vector>

struct Rgba {
    uint8_t r, g, b, a;
};

// The bytes of a width x height PNG whose pixel (x, y) is pixels[y * width + x].
std::string EncodePng(int width, int height, const std::vector<Rgba>& pixels);
// A PNG of one colour.
std::string SolidPng(int width, int height, Rgba colour);
// Only the signature and a header chunk that claims width x height: no image data follows.
std::string HeaderOnlyPng(uint32_t width, uint32_t height);
