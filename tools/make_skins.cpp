// Draws the program's skin bitmaps and writes them as 24-bit ".bmp" files.
//
//   g++ -std=c++20 -O2 -o make_skins tools/make_skins.cpp && ./make_skins data/Skins
//
// Every skin follows the same layout, 350 x 450 pixels:
//   (0, 0)-(350, 350)    the glass's frame; its centre pixel (175, 175) holds the key colour, which is
//                        drawn transparently, so the lens area is key-coloured;
//   (0, 350)-(200, 400)  the colour picker's background: a key-coloured hole for the colour square at
//                        its left end and a darker field for the text;
//   (0, 400)-(225, 450)  the tape's background, copied opaque: a ruler with its scale along the top
//                        edge and a dark read-out field below it.
// The magnified picture is drawn shifted up and left by about 9 % of the window, so the right and
// bottom 10 % of the frame are never reached by it. Everything outside the lens is therefore opaque,
// the same on all four sides: the lens never reaches that far, and the frame hides the stale strips.
// Both tool windows draw white text with a black shadow from (50, 7) to (199 or 224, 43); the fields
// behind it are dark so that it reads well.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Colour {
    double r = 0, g = 0, b = 0;
};

constexpr Colour Key{255, 0, 255};  // pure magenta: used for nothing but the see-through parts
constexpr int Width = 350;
constexpr int Height = 450;
constexpr int Frame = 350;
constexpr double Pi = 3.14159265358979323846;

Colour Scale(Colour c, double k) { return {c.r * k, c.g * k, c.b * k}; }
Colour Add(Colour c, double v) { return {c.r + v, c.g + v, c.b + v}; }

// A small deterministic grain for brushed surfaces, in [-1, 1].
double Grain(int x, int y) {
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFF) / 32767.5 - 1.0;
}

class Picture {
public:
    Picture(int w, int h) : w_(w), h_(h), pixels_(size_t(w) * size_t(h), Key) {}
    void Set(int x, int y, Colour c) {
        if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
        pixels_[size_t(y) * size_t(w_) + size_t(x)] = c;
    }
    // Opaque pixels never come out as the key colour, however they were computed.
    bool Write(const std::string& path) const {
        const int rowBytes = (w_ * 3 + 3) / 4 * 4;
        const uint32_t imageBytes = uint32_t(rowBytes) * uint32_t(h_);
        std::vector<uint8_t> file(54 + imageBytes, 0);
        auto put16 = [&](size_t at, uint32_t v) { file[at] = uint8_t(v); file[at + 1] = uint8_t(v >> 8); };
        auto put32 = [&](size_t at, uint32_t v) { put16(at, v & 0xFFFF); put16(at + 2, v >> 16); };
        file[0] = 'B';
        file[1] = 'M';
        put32(2, uint32_t(file.size()));
        put32(10, 54);
        put32(14, 40);
        put32(18, uint32_t(w_));
        put32(22, uint32_t(h_));
        put16(26, 1);
        put16(28, 24);
        put32(34, imageBytes);
        put32(38, 2835);
        put32(42, 2835);
        for (int y = 0; y < h_; ++y) {
            uint8_t* row = &file[54 + size_t(h_ - 1 - y) * size_t(rowBytes)];
            for (int x = 0; x < w_; ++x) {
                const Colour& c = pixels_[size_t(y) * size_t(w_) + size_t(x)];
                const bool key = c.r == Key.r && c.g == Key.g && c.b == Key.b;
                uint8_t r = uint8_t(std::clamp(std::lround(c.r), 0L, 255L));
                uint8_t g = uint8_t(std::clamp(std::lround(c.g), 0L, 255L));
                uint8_t b = uint8_t(std::clamp(std::lround(c.b), 0L, 255L));
                if (!key && r == 255 && g == 0 && b == 255) g = 1;
                row[x * 3] = b;
                row[x * 3 + 1] = g;
                row[x * 3 + 2] = r;
            }
        }
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return false;
        const bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
        return std::fclose(f) == 0 && ok;
    }

private:
    int w_, h_;
    std::vector<Colour> pixels_;
};

// Light falls from the upper left.
double Light(double nx, double ny, double nz) {
    const double lx = -0.55, ly = -0.6, lz = 0.58;
    const double len = std::sqrt(nx * nx + ny * ny + nz * nz);
    const double diffuse = std::max(0.0, (nx * lx + ny * ly + nz * lz) / len);
    const double specular = std::pow(std::max(0.0, (nz / len) * 0.6 + diffuse * 0.4), 18.0);
    return 0.35 + 0.75 * diffuse + 0.55 * specular;
}

// ---- The round glass ----

// The lens ends 39 pixels short of the frame's right and bottom edges, which the shifted picture
// (9.14 % of 350, 32 pixels) leaves unreached. The ring's outer edge keeps an even 12-pixel band of
// the square mount on every side, and its middle (radius 149.5) carries the zoom dot (radius 150.5).
struct Round {
    double cx = 175.0, cy = 175.0;
    double lens = 136.0;  // radius of the see-through lens
    double outer = 163.0; // outer radius of the metal ring
};

// A rounded metal tube seen from above: t runs across it from 0 (inner edge) to 1 (outer edge).
Colour RingColour(const Round& g, double x, double y, double d, int px, int py) {
    const double t = (d - g.lens) / (g.outer - g.lens);
    const double slope = std::cos(Pi * t) * 1.6;
    const double ux = (x - g.cx) / d, uy = (y - g.cy) / d;
    const double shade = Light(-slope * ux, -slope * uy, 1.0);
    const double angle = std::atan2(y - g.cy, x - g.cx);
    const Colour steel{168, 174, 186};
    Colour c = Scale(steel, shade);
    c = Add(c, 6.0 * std::sin(angle * 24.0) + 3.0 * Grain(px, py));  // a faint knurl and grain
    return c;
}

// The handle leaves the ring towards the lower right: a steel collar, then a dark grip.
bool HandleColour(const Round& g, double x, double y, Colour* out) {
    const double ax = std::sqrt(0.5), ay = std::sqrt(0.5);
    const double along = (x - g.cx) * ax + (y - g.cy) * ay;
    const double across = -(x - g.cx) * ay + (y - g.cy) * ax;
    const double halfWidth = along < g.outer + 22 ? 24.0 : 20.0;
    if (along < g.outer - 12 || std::fabs(across) > halfWidth) return false;
    const double s = across / halfWidth;
    const double nz = std::sqrt(std::max(0.0, 1.0 - s * s));
    const double shade = Light(s * -ay, s * ax, nz + 0.05);
    if (std::fabs(across) > halfWidth - 1.2) {
        *out = {26, 24, 28};
    } else if (along < g.outer + 22) {
        *out = Scale(Colour{176, 160, 118}, shade);  // brass collar
    } else {
        *out = Add(Scale(Colour{58, 44, 40}, shade), 4.0 * Grain(int(along), int(across * 7)));
    }
    return true;
}

// The square mount around the ring: dark graphite with a bevelled edge, lit from the upper left, and a
// soft shadow that the ring casts on it towards the lower right.
Colour MountColour(const Round& g, double x, double y, double d, int px, int py) {
    const Colour graphite{54, 57, 66};
    Colour c = Add(graphite, 3.0 * Grain(px / 2, py));
    const double shadowReach = 10.0;
    const double ux = (x - g.cx) / d, uy = (y - g.cy) / d;
    const double facing = std::max(0.0, 0.4 + 0.6 * (ux * std::sqrt(0.5) + uy * std::sqrt(0.5)));
    const double shadow = std::max(0.0, 1.0 - (d - g.outer) / shadowReach) * facing;
    c = Scale(c, 1.0 - 0.55 * shadow);
    const int edge = std::min(std::min(px, py), std::min(Frame - 1 - px, Frame - 1 - py));
    const bool upperLeft = std::min(px, py) == edge && px + py < Frame;
    if (edge == 0) c = {14, 15, 18};
    else if (edge < 4) c = upperLeft ? Add(graphite, 46 - 8 * edge) : Scale(graphite, 0.55);
    return c;
}

void DrawRoundFrame(Picture& p) {
    const Round g;
    for (int py = 0; py < Frame; ++py)
        for (int px = 0; px < Frame; ++px) {
            const double x = px + 0.5, y = py + 0.5;
            const double d = std::hypot(x - g.cx, y - g.cy);
            Colour handle;
            if (d < g.lens - 1.5) continue;  // the lens
            if (d < g.lens) {
                p.Set(px, py, {30, 30, 36});
            } else if (d <= g.outer) {
                p.Set(px, py, RingColour(g, x, y, d, px, py));
            } else if (HandleColour(g, x, y, &handle)) {
                p.Set(px, py, handle);
            } else if (d <= g.outer + 1.5) {
                p.Set(px, py, {22, 22, 28});
            } else {
                p.Set(px, py, MountColour(g, x, y, d, px, py));
            }
        }
}

// ---- The square glass ----

void DrawSquareFrame(Picture& p, Colour metal, int border) {
    for (int y = 0; y < Frame; ++y)
        for (int x = 0; x < Frame; ++x) {
            const int edge = std::min(std::min(x, y), std::min(Frame - 1 - x, Frame - 1 - y));
            if (edge >= border) continue;  // the lens
            Colour c = Add(metal, 5.0 * Grain(x, y / 3));
            const bool upperLeft = (x < y ? x : y) == edge && x + y < Frame;
            if (edge < 3) c = upperLeft ? Add(metal, 60) : Scale(metal, 0.45);
            else if (edge >= border - 3) c = upperLeft ? Scale(metal, 0.45) : Add(metal, 50);
            if (edge == border - 1 || edge == 0) c = {20, 22, 28};
            p.Set(x, y, c);
        }
}

// ---- Tool strips ----

// A raised panel: lighter upper-left edge, darker lower-right edge.
void Panel(Picture& p, int left, int top, int right, int bottom, Colour face, int bevel, bool sunken) {
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            const int fromLeft = x - left, fromTop = y - top;
            const int fromRight = right - 1 - x, fromBottom = bottom - 1 - y;
            Colour c = Add(face, 3.0 * Grain(x, y));
            const bool nearUpperLeft = std::min(fromLeft, fromTop) < bevel;
            const bool nearLowerRight = std::min(fromRight, fromBottom) < bevel;
            if (nearUpperLeft && (!nearLowerRight || fromLeft + fromTop < fromRight + fromBottom))
                c = sunken ? Scale(face, 0.55) : Add(face, 55);
            else if (nearLowerRight)
                c = sunken ? Add(face, 45) : Scale(face, 0.5);
            p.Set(x, y, c);
        }
}

void Hole(Picture& p, int left, int top, int right, int bottom) {
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) p.Set(x, y, Key);
}

void DrawColorPickerStrip(Picture& p, Colour face, Colour field) {
    const int top = 350;
    Panel(p, 0, top, 200, top + 50, face, 2, false);
    Panel(p, 4, top + 4, 46, top + 46, face, 2, true);  // the colour square's bezel
    Hole(p, 7, top + 7, 43, top + 43);
    Panel(p, 48, top + 4, 198, top + 46, field, 1, true);  // the text field
}

// The scale runs along the top edge, above the text; the read-out field below it is dark.
void DrawTapeStrip(Picture& p, Colour body, Colour ink, Colour field) {
    const int top = 400;
    Panel(p, 0, top, 225, top + 50, body, 2, false);
    Panel(p, 4, top + 4, 46, top + 46, Scale(body, 0.8), 2, true);  // the tool square
    for (int i = -12; i <= 12; ++i) {                              // a cross to aim with
        if (std::abs(i) < 3) continue;
        p.Set(25 + i, top + 25, ink);
        p.Set(25, top + 25 + i, ink);
    }
    for (int x = 52; x < 222; x += 4) {
        const int mark = (x - 52) % 40 == 0 ? 5 : ((x - 52) % 20 == 0 ? 4 : 2);
        for (int y = top + 1; y < top + 1 + mark; ++y) p.Set(x, y, ink);
    }
    Panel(p, 48, top + 7, 224, top + 49, field, 1, true);
}

bool WriteSkin(const Picture& p, const std::string& folder, const char* name) {
    const std::string path = folder + "/" + name;
    if (!p.Write(path)) {
        std::fprintf(stderr, "make_skins: cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("%s\n", path.c_str());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_skins OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];

    Picture round(Width, Height);
    DrawRoundFrame(round);
    DrawColorPickerStrip(round, Colour{92, 98, 110}, Colour{30, 33, 40});
    DrawTapeStrip(round, Colour{226, 196, 112}, Colour{48, 36, 20}, Colour{30, 33, 40});

    Picture square(Width, Height);
    DrawSquareFrame(square, Colour{70, 96, 138}, 36);
    DrawColorPickerStrip(square, Colour{70, 96, 138}, Colour{24, 32, 48});
    DrawTapeStrip(square, Colour{214, 218, 226}, Colour{24, 32, 48}, Colour{24, 32, 48});

    const bool ok = WriteSkin(round, folder, "VezoZevode.bmp") && WriteSkin(square, folder, "Square.bmp");
    return ok ? 0 : 1;
}
