// demo_assets: draws the bundled demo game's pictures and writes its music, so that everything the demo
// shows and plays is made by the project's own code. Usage: demo_assets OUTPUT_FOLDER
//
// Pictures are Windows bitmaps in the two formats games used most: 24-bit true colour and 8-bit with a
// palette. Music is written as Standard MIDI Files (format 1, a tempo track and one track per part).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
};

Rgb Mix(Rgb a, Rgb b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  auto m = [t](uint8_t x, uint8_t y) { return static_cast<uint8_t>(std::lround(x + (y - x) * t)); };
  return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}

// A true-colour canvas with the few drawing primitives the pictures need.
class Canvas {
 public:
  Canvas(int w, int h, Rgb fill = {}) : w_(w), h_(h), px_(static_cast<size_t>(w) * h, fill) {}
  int W() const { return w_; }
  int H() const { return h_; }
  Rgb& At(int x, int y) { return px_[static_cast<size_t>(y) * w_ + x]; }
  Rgb Get(int x, int y) const { return px_[static_cast<size_t>(y) * w_ + x]; }
  void Put(int x, int y, Rgb c) {
    if (x >= 0 && y >= 0 && x < w_ && y < h_) At(x, y) = c;
  }
  void Blend(int x, int y, Rgb c, double a) {
    if (x >= 0 && y >= 0 && x < w_ && y < h_) At(x, y) = Mix(At(x, y), c, a);
  }
  void VerticalGradient(int y0, int y1, Rgb top, Rgb bottom) {
    for (int y = y0; y < y1; ++y) {
      const Rgb c = Mix(top, bottom, static_cast<double>(y - y0) / std::max(1, y1 - y0 - 1));
      for (int x = 0; x < w_; ++x) Put(x, y, c);
    }
  }
  void Rect(int x0, int y0, int x1, int y1, Rgb c) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) Put(x, y, c);
  }
  void Ellipse(double cx, double cy, double rx, double ry, Rgb c, double alpha = 1.0) {
    for (int y = static_cast<int>(cy - ry) - 1; y <= static_cast<int>(cy + ry) + 1; ++y) {
      for (int x = static_cast<int>(cx - rx) - 1; x <= static_cast<int>(cx + rx) + 1; ++x) {
        const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
        if (dx * dx + dy * dy <= 1.0) Blend(x, y, c, alpha);
      }
    }
  }
  void Glow(double cx, double cy, double r, Rgb c, double strength) {
    for (int y = static_cast<int>(cy - r); y <= static_cast<int>(cy + r); ++y) {
      for (int x = static_cast<int>(cx - r); x <= static_cast<int>(cx + r); ++x) {
        const double d = std::hypot(x - cx, y - cy) / r;
        if (d < 1.0) Blend(x, y, c, strength * (1.0 - d) * (1.0 - d));
      }
    }
  }
  // Fills everything below the curve y = f(x).
  template <typename F>
  void Ridge(F f, Rgb c) {
    for (int x = 0; x < w_; ++x) {
      for (int y = std::max(0, static_cast<int>(f(x))); y < h_; ++y) Put(x, y, c);
    }
  }
  void Polygon(const std::vector<std::pair<double, double>>& pts, Rgb c) {
    for (int y = 0; y < h_; ++y) {
      std::vector<double> xs;
      for (size_t i = 0; i < pts.size(); ++i) {
        auto [x0, y0] = pts[i];
        auto [x1, y1] = pts[(i + 1) % pts.size()];
        const double yc = y + 0.5;
        if ((y0 <= yc && y1 > yc) || (y1 <= yc && y0 > yc))
          xs.push_back(x0 + (yc - y0) * (x1 - x0) / (y1 - y0));
      }
      std::sort(xs.begin(), xs.end());
      for (size_t i = 0; i + 1 < xs.size(); i += 2)
        for (int x = static_cast<int>(std::ceil(xs[i] - 0.5));
             x < static_cast<int>(std::ceil(xs[i + 1] - 0.5)); ++x)
          Put(x, y, c);
    }
  }

 private:
  int w_, h_;
  std::vector<Rgb> px_;
};

// A small deterministic generator, so the pictures are the same on every build.
struct Lcg {
  uint32_t s;
  double Next() {
    s = s * 1664525u + 1013904223u;
    return (s >> 8) / 16777216.0;
  }
};

void Le16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(x & 0xFF);
  v.push_back((x >> 8) & 0xFF);
}
void Le32(std::vector<uint8_t>& v, uint32_t x) {
  Le16(v, x & 0xFFFF);
  Le16(v, x >> 16);
}

std::vector<uint8_t> BmpHeader(int w, int h, int bits, int palette_entries, uint32_t image_size) {
  std::vector<uint8_t> v = {'B', 'M'};
  const uint32_t offset = 14 + 40 + palette_entries * 4;
  Le32(v, offset + image_size);
  Le32(v, 0);
  Le32(v, offset);
  Le32(v, 40);
  Le32(v, static_cast<uint32_t>(w));
  Le32(v, static_cast<uint32_t>(h));
  Le16(v, 1);
  Le16(v, static_cast<uint32_t>(bits));
  Le32(v, 0);  // uncompressed
  Le32(v, image_size);
  Le32(v, 3780);  // 96 dpi
  Le32(v, 3780);
  Le32(v, static_cast<uint32_t>(palette_entries));
  Le32(v, 0);
  return v;
}

std::vector<uint8_t> Bmp24(const Canvas& c) {
  const int stride = (c.W() * 3 + 3) & ~3;
  std::vector<uint8_t> v = BmpHeader(c.W(), c.H(), 24, 0, static_cast<uint32_t>(stride * c.H()));
  for (int y = c.H() - 1; y >= 0; --y) {
    const size_t row = v.size();
    for (int x = 0; x < c.W(); ++x) {
      const Rgb p = c.Get(x, y);
      v.push_back(p.b);
      v.push_back(p.g);
      v.push_back(p.r);
    }
    v.resize(row + stride, 0);
  }
  return v;
}

// An 8-bit bitmap: every colour of the canvas must be one of the palette's (the pictures drawn for it
// use flat colours only).
std::vector<uint8_t> Bmp8(const Canvas& c, const std::vector<Rgb>& palette) {
  const int stride = (c.W() + 3) & ~3;
  std::vector<uint8_t> v =
      BmpHeader(c.W(), c.H(), 8, static_cast<int>(palette.size()), static_cast<uint32_t>(stride * c.H()));
  for (Rgb p : palette) {
    v.push_back(p.b);
    v.push_back(p.g);
    v.push_back(p.r);
    v.push_back(0);
  }
  for (int y = c.H() - 1; y >= 0; --y) {
    const size_t row = v.size();
    for (int x = 0; x < c.W(); ++x) {
      const Rgb p = c.Get(x, y);
      size_t best = 0;
      int best_d = 1 << 30;
      for (size_t i = 0; i < palette.size(); ++i) {
        const int d =
            std::abs(p.r - palette[i].r) + std::abs(p.g - palette[i].g) + std::abs(p.b - palette[i].b);
        if (d < best_d) best_d = d, best = i;
      }
      v.push_back(static_cast<uint8_t>(best));
    }
    v.resize(row + stride, 0);
  }
  return v;
}

// Hills at dusk: the opening's sky, a setting sun and three ridges, 640 x 480 true colour.
Canvas DrawDusk() {
  Canvas c(640, 480);
  c.VerticalGradient(0, 300, {28, 36, 92}, {246, 150, 92});
  c.Glow(420, 215, 160, {255, 210, 140}, 0.8);
  c.Ellipse(420, 215, 34, 34, {255, 236, 190});
  Lcg rng{7};
  for (int i = 0; i < 7; ++i) {
    const double x = rng.Next() * 640, y = 60 + rng.Next() * 150;
    for (int k = 0; k < 5; ++k) c.Ellipse(x + k * 22 - 44, y + std::sin(k) * 4, 40, 9, {255, 200, 180}, 0.18);
  }
  c.Ridge([](int x) { return 250 + 30 * std::sin(x / 90.0) + 12 * std::sin(x / 23.0); }, {92, 70, 110});
  c.Ridge([](int x) { return 300 + 26 * std::sin(x / 70.0 + 1.5) + 8 * std::sin(x / 17.0); }, {58, 52, 84});
  c.Ridge([](int x) { return 360 + 20 * std::sin(x / 110.0 + 0.4) + 6 * std::sin(x / 13.0); }, {30, 34, 52});
  // A path winding down the nearest hill.
  for (int y = 380; y < 480; ++y) {
    const double cx = 200 + 40 * std::sin(y / 30.0) + (y - 380) * 0.8, half = 3 + (y - 380) * 0.25;
    for (int x = static_cast<int>(cx - half); x <= static_cast<int>(cx + half); ++x)
      c.Put(x, y, {70, 64, 72});
  }
  return c;
}

// A room at night in flat colours, 320 x 240 for an 8-bit palette bitmap shown scaled two to one.
const std::vector<Rgb> kRoomPalette = {{40, 36, 52},   {70, 60, 74},  {96, 82, 90},    {150, 120, 90},
                                       {110, 84, 60},  {18, 22, 60},  {240, 236, 200}, {255, 250, 220},
                                       {200, 170, 90}, {60, 110, 80}, {180, 60, 60},   {230, 220, 210},
                                       {255, 0, 255},  {30, 30, 30},  {130, 150, 190}, {90, 70, 50}};
Canvas DrawRoom() {
  Canvas c(320, 240, kRoomPalette[1]);
  c.Rect(0, 0, 320, 150, kRoomPalette[1]);
  for (int x = 0; x < 320; x += 16) c.Rect(x, 0, x + 1, 150, kRoomPalette[0]);  // wallpaper stripes
  c.Rect(0, 150, 320, 240, kRoomPalette[4]);                                    // floor
  for (int y = 156; y < 240; y += 12) c.Rect(0, y, 320, y + 1, kRoomPalette[15]);
  c.Rect(40, 30, 140, 110, kRoomPalette[3]);  // window frame
  c.Rect(46, 36, 134, 104, kRoomPalette[5]);
  c.Rect(88, 36, 92, 104, kRoomPalette[3]);
  c.Ellipse(115, 56, 9, 9, kRoomPalette[6]);
  for (auto [x, y] : std::vector<std::pair<int, int>>{{56, 48}, {70, 80}, {104, 90}, {60, 62}, {125, 84}})
    c.Put(x, y, kRoomPalette[7]);
  c.Rect(190, 110, 290, 118, kRoomPalette[3]);  // desk
  c.Rect(196, 118, 204, 170, kRoomPalette[15]);
  c.Rect(276, 118, 284, 170, kRoomPalette[15]);
  c.Rect(240, 86, 246, 110, kRoomPalette[13]);  // lamp
  c.Ellipse(243, 84, 14, 8, kRoomPalette[8]);
  c.Rect(205, 100, 225, 110, kRoomPalette[10]);  // books
  c.Rect(226, 96, 234, 110, kRoomPalette[9]);
  c.Rect(170, 40, 186, 60, kRoomPalette[11]);  // a calendar
  c.Rect(172, 44, 184, 46, kRoomPalette[10]);
  return c;
}

// A town at night: stars, a moon and rows of houses with lit windows, 640 x 480 true colour.
Canvas DrawNightTown() {
  Canvas c(640, 480);
  c.VerticalGradient(0, 480, {6, 8, 30}, {40, 44, 86});
  Lcg rng{42};
  for (int i = 0; i < 160; ++i) {
    const int x = static_cast<int>(rng.Next() * 640), y = static_cast<int>(rng.Next() * 260);
    const double b = 0.4 + rng.Next() * 0.6;
    c.Blend(x, y, {255, 255, 230}, b);
  }
  c.Glow(120, 90, 90, {180, 190, 255}, 0.5);
  c.Ellipse(120, 90, 30, 30, {236, 236, 214});
  c.Ellipse(132, 84, 27, 27, {18, 20, 52});  // a crescent
  int x = 0;
  while (x < 640) {
    const int w = 50 + static_cast<int>(rng.Next() * 70), h = 90 + static_cast<int>(rng.Next() * 120);
    const Rgb wall = Mix({22, 22, 40}, {40, 36, 56}, rng.Next());
    c.Rect(x, 480 - h, x + w - 4, 480, wall);
    c.Polygon({{x - 6.0, 480.0 - h}, {x + w / 2.0 - 2, 480.0 - h - 30}, {x + w + 2.0, 480.0 - h}},
              {16, 14, 28});
    for (int wy = 480 - h + 16; wy < 460; wy += 28)
      for (int wx = x + 8; wx < x + w - 16; wx += 20)
        if (rng.Next() < 0.45) {
          c.Rect(wx, wy, wx + 10, wy + 12, {255, 214, 120});
          c.Glow(wx + 5, wy + 6, 18, {255, 200, 110}, 0.25);
        }
    x += w;
  }
  return c;
}

// The heroine as a layer picture over a magenta key colour, 640 x 480 true colour. Pixel (1, 1) is the
// key, so everything magenta is transparent when the picture is shown.
Canvas DrawHeroine() {
  const Rgb key{255, 0, 255};
  Canvas c(640, 480, key);
  const Rgb hair{52, 34, 44}, skin{250, 222, 200}, coat{70, 96, 150}, collar{238, 238, 246},
      ribbon{210, 56, 76};
  c.Polygon({{330, 250}, {450, 250}, {500, 480}, {280, 480}}, coat);  // body
  c.Polygon({{360, 250}, {420, 250}, {390, 300}}, collar);
  c.Polygon({{382, 272}, {398, 272}, {390, 290}}, ribbon);
  c.Ellipse(390, 170, 78, 92, hair);  // hair behind the face
  c.Rect(312, 170, 468, 330, hair);
  c.Ellipse(390, 185, 58, 70, skin);  // face
  c.Polygon({{330, 150}, {450, 150}, {450, 175}, {420, 160}, {390, 182}, {360, 160}, {330, 178}},
            hair);                           // fringe
  c.Ellipse(368, 196, 7, 10, {60, 40, 60});  // eyes
  c.Ellipse(412, 196, 7, 10, {60, 40, 60});
  c.Ellipse(370, 192, 2.5, 3, {255, 255, 255});
  c.Ellipse(414, 192, 2.5, 3, {255, 255, 255});
  c.Ellipse(358, 216, 9, 5, {250, 170, 170}, 0.6);  // cheeks
  c.Ellipse(422, 216, 9, 5, {250, 170, 170}, 0.6);
  c.Polygon({{383, 226}, {397, 226}, {390, 232}}, {200, 90, 100});  // mouth
  c.Ellipse(340, 120, 12, 12, ribbon);                              // hair ribbon
  c.Ellipse(356, 118, 12, 10, ribbon);
  return c;
}

// The message window's frame as a layer-3 picture: a thin gold border with corner ornaments around the
// window (columns 50-590, rows 340-460), everything else the key colour. 8-bit palette.
const std::vector<Rgb> kFramePalette = {{0, 255, 0}, {212, 180, 96}, {140, 110, 50}, {255, 236, 170}};
Canvas DrawWindowFrame() {
  Canvas c(640, 480, kFramePalette[0]);
  const Rgb gold = kFramePalette[1], dark = kFramePalette[2], light = kFramePalette[3];
  for (int i = 0; i < 2; ++i) {
    c.Rect(44 + i, 334 + i, 597 - i, 335 + i, i == 0 ? dark : gold);
    c.Rect(44 + i, 466 - i, 597 - i, 467 - i, i == 0 ? dark : gold);
    c.Rect(44 + i, 334 + i, 45 + i, 467 - i, i == 0 ? dark : gold);
    c.Rect(596 - i, 334 + i, 597 - i, 467 - i, i == 0 ? dark : gold);
  }
  for (auto [cx, cy] : std::vector<std::pair<int, int>>{{45, 335}, {596, 335}, {45, 466}, {596, 466}}) {
    c.Polygon({{cx - 7.0, cy + 0.0}, {cx + 0.0, cy - 7.0}, {cx + 7.0, cy + 0.0}, {cx + 0.0, cy + 7.0}}, gold);
    c.Put(cx, cy, light);
  }
  c.Rect(290, 331, 350, 333, gold);
  return c;
}

// --- Standard MIDI Files ---

void Be16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back((x >> 8) & 0xFF);
  v.push_back(x & 0xFF);
}
void Be32(std::vector<uint8_t>& v, uint32_t x) {
  Be16(v, x >> 16);
  Be16(v, x & 0xFFFF);
}
void VarLen(std::vector<uint8_t>& v, uint32_t x) {
  uint8_t bytes[5];
  int n = 0;
  do {
    bytes[n++] = x & 0x7F;
    x >>= 7;
  } while (x);
  while (n > 1) v.push_back(bytes[--n] | 0x80);
  v.push_back(bytes[0]);
}

struct Event {
  uint32_t tick;
  std::vector<uint8_t> bytes;
};

std::vector<uint8_t> Track(std::vector<Event> events) {
  std::stable_sort(events.begin(), events.end(),
                   [](const Event& a, const Event& b) { return a.tick < b.tick; });
  std::vector<uint8_t> data;
  uint32_t now = 0;
  for (const Event& e : events) {
    VarLen(data, e.tick - now);
    now = e.tick;
    data.insert(data.end(), e.bytes.begin(), e.bytes.end());
  }
  VarLen(data, 0);
  data.insert(data.end(), {0xFF, 0x2F, 0x00});
  std::vector<uint8_t> chunk = {'M', 'T', 'r', 'k'};
  Be32(chunk, static_cast<uint32_t>(data.size()));
  chunk.insert(chunk.end(), data.begin(), data.end());
  return chunk;
}

Event Tempo(uint32_t tick, double bpm) {
  const uint32_t us = static_cast<uint32_t>(std::lround(60000000.0 / bpm));
  return {tick,
          {0xFF, 0x51, 0x03, static_cast<uint8_t>(us >> 16), static_cast<uint8_t>(us >> 8),
           static_cast<uint8_t>(us)}};
}

constexpr uint32_t kPpq = 480;

// A part: notes as (start beat, length in beats, pitch); all on one channel and program.
struct Note {
  double beat, length;
  int pitch;
};

std::vector<uint8_t> Part(int channel, int program, int velocity, const std::vector<Note>& notes) {
  std::vector<Event> ev;
  ev.push_back({0, {static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(program)}});
  for (const Note& n : notes) {
    const uint32_t on = static_cast<uint32_t>(std::lround(n.beat * kPpq));
    const uint32_t off = static_cast<uint32_t>(std::lround((n.beat + n.length) * kPpq)) - 10;
    ev.push_back({on,
                  {static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(n.pitch),
                   static_cast<uint8_t>(velocity)}});
    ev.push_back({off, {static_cast<uint8_t>(0x80 | channel), static_cast<uint8_t>(n.pitch), 0}});
  }
  return Track(ev);
}

std::vector<uint8_t> Smf(const std::vector<Event>& tempo_map,
                         const std::vector<std::vector<uint8_t>>& parts) {
  std::vector<uint8_t> v = {'M', 'T', 'h', 'd'};
  Be32(v, 6);
  Be16(v, 1);
  Be16(v, static_cast<uint32_t>(parts.size() + 1));
  Be16(v, kPpq);
  const std::vector<uint8_t> t = Track(tempo_map);
  v.insert(v.end(), t.begin(), t.end());
  for (const auto& p : parts) v.insert(v.end(), p.begin(), p.end());
  return v;
}

// Broken chords under a melody, one chord a bar of four beats.
std::vector<Note> Arpeggios(const std::vector<std::array<int, 3>>& chords, int bars_per_chord = 1) {
  std::vector<Note> notes;
  double beat = 0;
  for (const auto& ch : chords) {
    for (int bar = 0; bar < bars_per_chord; ++bar) {
      const int pattern[8] = {0, 1, 2, 1, 0, 1, 2, 1};
      for (int i = 0; i < 8; ++i) notes.push_back({beat + i * 0.5, 0.5, ch[pattern[i]]});
      notes.push_back({beat, 4, ch[0] - 12});
      beat += 4;
    }
  }
  return notes;
}

std::vector<Note> Melody(const std::vector<std::pair<int, double>>& line) {
  std::vector<Note> notes;
  double beat = 0;
  for (auto [pitch, length] : line) {
    if (pitch > 0) notes.push_back({beat, length, pitch});
    beat += length;
  }
  return notes;
}

// "Yuugure" (dusk): a gentle piano and strings piece in F major, 16 bars at 84 beats a minute.
std::vector<uint8_t> DuskTheme() {
  const std::vector<std::array<int, 3>> chords = {{53, 57, 60}, {50, 53, 57}, {46, 50, 53}, {48, 52, 55},
                                                  {53, 57, 60}, {50, 53, 57}, {46, 50, 53}, {48, 52, 55}};
  const std::vector<std::pair<int, double>> line = {
      {72, 1.5}, {74, 0.5}, {72, 1}, {69, 1},   {67, 2},   {65, 2}, {70, 1.5}, {69, 0.5},
      {67, 1},   {65, 1},   {67, 4}, {72, 1.5}, {74, 0.5}, {77, 1}, {76, 1},   {74, 2},
      {72, 2},   {70, 1},   {69, 1}, {67, 1},   {64, 1},   {65, 4}};
  return Smf({Tempo(0, 84)}, {Part(0, 0, 70, Arpeggios(chords)), Part(1, 48, 60, Melody(line))});
}

// "Yoru no machi" (town at night): slow, in A minor, on electric piano and pad; it slows down in its
// last bars, so its length depends on every tempo change.
std::vector<uint8_t> NightTheme() {
  const std::vector<std::array<int, 3>> chords = {{57, 60, 64}, {53, 57, 60}, {55, 59, 62}, {52, 56, 59},
                                                  {57, 60, 64}, {53, 57, 60}, {52, 56, 59}, {57, 60, 64}};
  const std::vector<std::pair<int, double>> line = {{76, 2}, {74, 1}, {72, 1}, {71, 3}, {0, 1},  {72, 2},
                                                    {71, 1}, {69, 1}, {68, 4}, {76, 2}, {77, 1}, {76, 1},
                                                    {74, 3}, {72, 1}, {71, 2}, {68, 2}, {69, 4}};
  return Smf({Tempo(0, 72), Tempo(24 * kPpq, 60), Tempo(28 * kPpq, 48)},
             {Part(0, 4, 64, Arpeggios(chords)), Part(1, 89, 56, Melody(line))});
}

// "Tokimeki" (a quickening heart): a brighter piece in C major for the scene in the room.
std::vector<uint8_t> RoomTheme() {
  const std::vector<std::array<int, 3>> chords = {{48, 52, 55}, {45, 48, 52}, {41, 45, 48}, {43, 47, 50}};
  const std::vector<std::pair<int, double>> line = {{76, 1}, {79, 1}, {81, 1}, {79, 1}, {76, 2}, {72, 2},
                                                    {74, 1}, {76, 1}, {77, 1}, {76, 1}, {74, 4}, {72, 1},
                                                    {74, 1}, {76, 1}, {79, 1}, {77, 2}, {74, 2}, {72, 4}};
  return Smf({Tempo(0, 112)}, {Part(0, 11, 68, Arpeggios(chords, 2)), Part(1, 73, 72, Melody(line))});
}

bool Write(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: demo_assets OUTPUT_FOLDER\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  const bool ok = Write(dir + "YUUGURE.BMP", Bmp24(DrawDusk())) &&
                  Write(dir + "HEYA.BMP", Bmp8(DrawRoom(), kRoomPalette)) &&
                  Write(dir + "MACHI.BMP", Bmp24(DrawNightTown())) &&
                  Write(dir + "HINA.BMP", Bmp24(DrawHeroine())) &&
                  Write(dir + "WAKU.BMP", Bmp8(DrawWindowFrame(), kFramePalette)) &&
                  Write(dir + "YUUGURE.MID", DuskTheme()) && Write(dir + "MACHI.MID", NightTheme()) &&
                  Write(dir + "HEYA.MID", RoomTheme());
  if (!ok) {
    std::fprintf(stderr, "demo_assets: cannot write into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
