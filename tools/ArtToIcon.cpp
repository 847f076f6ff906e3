// Turns a picture drawn as text into an icon (.ico) or cursor (.cur) file.
//
//   ArtToIcon INPUT.txt OUTPUT
//
// The text: lines starting with ';' are comments. Then a header:
//   icon                 an icon, written with 24-bit colour and a transparency mask
//   cursor X Y           a cursor with its hot spot, written black and white (1 bit)
//   color C RRGGBB       the character C stands for that colour
//   color C none         the character C is transparent
//   picture              the rows follow: all of the same width (1 to 256 characters), 1 to 256 rows
// A cursor may use only black, white and transparent.
#include <cstdint>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Art {
    bool cursor = false;
    int hotX = 0;
    int hotY = 0;
    std::map<char, std::optional<uint32_t>> colors;  // RRGGBB, or none for transparent
    std::vector<std::string> rows;
};

bool Fail(const std::string& message) {
    std::cerr << "ArtToIcon: " << message << "\n";
    return false;
}

bool ReadArt(const std::string& path, Art* art) {
    std::ifstream in(path);
    if (!in) return Fail("cannot read " + path);
    std::string line;
    int lineNumber = 0;
    bool picture = false;
    bool kindGiven = false;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string where = path + ":" + std::to_string(lineNumber) + ": ";
        if (picture) {
            if (line.empty()) continue;
            art->rows.push_back(line);
            continue;
        }
        if (line.empty() || line[0] == ';') continue;
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word == "icon") {
            art->cursor = false;
            kindGiven = true;
        } else if (word == "cursor") {
            art->cursor = true;
            kindGiven = true;
            if (!(words >> art->hotX >> art->hotY)) return Fail(where + "cursor needs the hot spot X Y");
        } else if (word == "color") {
            std::string symbol, value;
            if (!(words >> symbol >> value) || symbol.size() != 1) return Fail(where + "color C RRGGBB|none");
            if (value == "none") {
                art->colors[symbol[0]] = std::nullopt;
            } else {
                if (value.size() != 6 || value.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
                    return Fail(where + "colour must be RRGGBB");
                }
                art->colors[symbol[0]] = uint32_t(std::stoul(value, nullptr, 16));
            }
        } else if (word == "picture") {
            picture = true;
        } else {
            return Fail(where + "unknown line");
        }
    }
    if (!kindGiven) return Fail(path + ": neither icon nor cursor");
    if (art->rows.empty() || art->rows.size() > 256) return Fail(path + ": 1 to 256 rows needed");
    size_t width = art->rows[0].size();
    if (width == 0 || width > 256) return Fail(path + ": rows of 1 to 256 characters needed");
    for (size_t y = 0; y < art->rows.size(); ++y) {
        if (art->rows[y].size() != width) return Fail(path + ": row " + std::to_string(y) + " has another width");
        for (char c : art->rows[y]) {
            if (!art->colors.count(c)) return Fail(path + ": row " + std::to_string(y) + " uses an unknown character");
        }
    }
    if (art->cursor) {
        for (const auto& [symbol, color] : art->colors) {
            if (color && *color != 0x000000 && *color != 0xFFFFFF) return Fail(path + ": a cursor is black and white");
        }
        if (art->hotX < 0 || art->hotY < 0 || art->hotX >= int(width) || art->hotY >= int(art->rows.size())) {
            return Fail(path + ": hot spot outside the picture");
        }
    }
    return true;
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// Directory, one entry, the bitmap header, (palette), colour rows and mask rows, bottom row first.
std::vector<uint8_t> MakeFile(const Art& art) {
    const int width = int(art.rows[0].size());
    const int height = int(art.rows.size());
    const int bits = art.cursor ? 1 : 24;
    const size_t colorStride = size_t((width * bits + 31) / 32 * 4);
    const size_t maskStride = size_t((width + 31) / 32 * 4);
    const size_t paletteSize = art.cursor ? 8 : 0;
    const size_t imageSize = 40 + paletteSize + colorStride * size_t(height) + maskStride * size_t(height);

    std::vector<uint8_t> out;
    Put16(out, 0);
    Put16(out, art.cursor ? 2 : 1);
    Put16(out, 1);
    out.push_back(uint8_t(width == 256 ? 0 : width));
    out.push_back(uint8_t(height == 256 ? 0 : height));
    out.push_back(art.cursor ? 2 : 0);
    out.push_back(0);
    Put16(out, art.cursor ? uint32_t(art.hotX) : 1);
    Put16(out, art.cursor ? uint32_t(art.hotY) : uint32_t(bits));
    Put32(out, uint32_t(imageSize));
    Put32(out, 22);

    Put32(out, 40);
    Put32(out, uint32_t(width));
    Put32(out, uint32_t(height * 2));
    Put16(out, 1);
    Put16(out, uint32_t(bits));
    Put32(out, 0);
    Put32(out, uint32_t(colorStride * size_t(height) + maskStride * size_t(height)));
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, art.cursor ? 2 : 0);
    Put32(out, 0);
    if (art.cursor) {
        Put32(out, 0x000000);
        Put32(out, 0xFFFFFF);
    }

    for (int y = height - 1; y >= 0; --y) {
        std::vector<uint8_t> row(colorStride, 0);
        for (int x = 0; x < width; ++x) {
            std::optional<uint32_t> color = art.colors.at(art.rows[size_t(y)][size_t(x)]);
            uint32_t rgb = color.value_or(0);
            if (art.cursor) {
                if (rgb == 0xFFFFFF) row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
            } else {
                row[size_t(x) * 3] = uint8_t(rgb);            // blue
                row[size_t(x) * 3 + 1] = uint8_t(rgb >> 8);   // green
                row[size_t(x) * 3 + 2] = uint8_t(rgb >> 16);  // red
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    for (int y = height - 1; y >= 0; --y) {
        std::vector<uint8_t> row(maskStride, 0);
        for (int x = 0; x < width; ++x) {
            if (!art.colors.at(art.rows[size_t(y)][size_t(x)])) row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: ArtToIcon INPUT.txt OUTPUT\n";
        return 2;
    }
    Art art;
    if (!ReadArt(argv[1], &art)) return 1;
    std::vector<uint8_t> bytes = MakeFile(art);
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) {
        std::cerr << "ArtToIcon: cannot write " << argv[2] << "\n";
        return 1;
    }
    return 0;
}
