// Drawing tools for the sprite sheet's figures. A figure is painted as a map
// of palette indices with a few primitives given in model coordinates; an
// affine transform turns the model into pixels, so a pose can be mirrored,
// leant or toppled without redrawing it. Shading and the dark outline are
// added when the figure is put on the sheet.
#pragma once
#include <cmath>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "datagen.h"
#include "sprites.h"

namespace datagen::sprites {

struct Pt {
  double x = 0, y = 0;
};

// Model to pixel: px = a x + b y + tx, py = c x + d y + ty.
struct Xform {
  double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
  Pt Apply(Pt p) const { return {a * p.x + b * p.y + tx, c * p.x + d * p.y + ty}; }
  Xform Inverse() const;
  Xform Then(const Xform& next) const;  // this first, then next
  static Xform Translate(double x, double y) { return {1, 0, 0, 1, x, y}; }
  // Turns by deg degrees clockwise on screen about (px, py).
  static Xform Rotate(double deg, double px, double py);
  // Mirrors left to right about the vertical line x = axis.
  static Xform MirrorX(double axis) { return {-1, 0, 0, 1, 2 * axis, 0}; }
};

// A colour with its lit and shadowed variants, chosen by the shading pass.
struct Ink {
  int index = 0;
};

class Figure {
 public:
  Figure(int w, int h);
  int Width() const { return w_; }
  int Height() const { return h_; }

  // A material of three tones: shadow, body, light. Pixels drawn with it are
  // shaded by their exposure to a light from the upper left.
  Ink Material(Rgb dark, Rgb mid, Rgb light);
  // One fixed colour that the shading pass leaves alone (eyes, glows).
  Ink Flat(Rgb c);
  static constexpr Ink kErase{0};

  void SetOutline(Rgb c) { outline_ = c, has_outline_ = true; }
  void NoOutline() { has_outline_ = false; }

  Xform xf;  // the current model transform

  void Ellipse(double cx, double cy, double rx, double ry, Ink ink);
  void Circle(double cx, double cy, double r, Ink ink) { Ellipse(cx, cy, r, r, ink); }
  // A stroke with round ends whose radius runs from r0 to r1.
  void Capsule(double x0, double y0, double x1, double y1, double r0, double r1, Ink ink);
  void Capsule(Pt a, Pt b, double r, Ink ink) { Capsule(a.x, a.y, b.x, b.y, r, r, ink); }
  void Polygon(std::initializer_list<Pt> pts, Ink ink) { Polygon(std::vector<Pt>(pts), ink); }
  void Polygon(const std::vector<Pt>& pts, Ink ink);
  // A box over the pixels x0..x1, y0..y1 (inclusive) in model units.
  void Box(double x0, double y0, double x1, double y1, Ink ink);
  void Dot(double x, double y, Ink ink);
  // A one-pixel line between two model pixels, stepped in pixel space.
  void Line(double x0, double y0, double x1, double y1, Ink ink);
  // Pixel art: one character a pixel, ' ' or '.' left alone; the others
  // looked up in keys/inks, which pair up position by position.
  void Grid(double x, double y, std::initializer_list<std::string_view> rows, std::string_view keys,
            std::initializer_list<Ink> inks);

  // Reads and writes in pixel space, bypassing the transform.
  int At(int x, int y) const { return Inside(x, y) ? px_[y * w_ + x] : 0; }
  void Put(int x, int y, Ink ink) {
    if (Inside(x, y)) px_[y * w_ + x] = uint8_t(ink.index);
  }
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < w_ && y < h_; }
  void FlipX();

  struct Bounds {
    int x0 = 0, y0 = 0, x1 = -1, y1 = -1;
    bool Empty() const { return x1 < x0; }
  };
  Bounds Extent() const;
  // The pixel bounds draw(figure) would cover under transform x, found on an
  // unclipped scratch copy; this figure is left untouched.
  template <class Draw>
  Bounds Measure(const Xform& x, Draw draw) const {
    constexpr int kPad = 300;
    Figure s(w_ + 2 * kPad, h_ + 2 * kPad);
    s.tones_ = tones_;
    s.xf = x.Then(Xform::Translate(kPad, kPad));
    draw(s);
    Bounds b = s.Extent();
    b.x0 -= kPad, b.x1 -= kPad, b.y0 -= kPad, b.y1 -= kPad;
    return b;
  }
  // Draws draw(figure) under transform x, shifted so that its lowest pixel
  // lands on row bottom and its leftmost on column left (when left >= 0).
  template <class Draw>
  void Place(const Xform& x, int left, int bottom, Draw draw) {
    const Bounds b = Measure(x, draw);
    const Xform saved = xf;
    xf = x.Then(Xform::Translate(left >= 0 ? left - b.x0 : 0, bottom - b.y1));
    draw(*this);
    xf = saved;
  }

  // Shades, outlines and writes the figure onto the sheet with its top-left
  // at (x, y); empty pixels leave the sheet alone. mirror flips it first.
  void Render(Image& sheet, int x, int y, bool mirror = false) const;
  void RenderInto(Image& sheet, const SpriteRect& r, bool mirror = false) const { Render(sheet, r.x1, r.y1, mirror); }

 private:
  struct Tone {
    Rgb c;
    int dark = -1, light = -1, base = 0;  // base: the material's body index
  };
  template <class Inside>
  void Fill(double x0, double y0, double x1, double y1, Ink ink, Inside inside);

  int w_, h_;
  std::vector<uint8_t> px_;
  std::vector<Tone> tones_;
  Rgb outline_{24, 16, 28};
  bool has_outline_ = true;
};

// Colours a shade brighter or darker, for building materials from one hue.
Rgb Mix(Rgb a, Rgb b, double t);
Rgb Scale(Rgb c, double f);

// A 5 x 7 capital font for labels on the menu art; unknown characters are blank.
// Draws the text with its top-left at (x, y), scale pixels to a font pixel.
void Text(Figure& f, int x, int y, std::string_view text, Ink ink, int scale = 1);
int TextWidth(std::string_view text, int scale = 1);
// The 5 x 7 glyph of a character, one row per string, '#' for ink.
const char* const* Glyph(char ch);

// The figure groups, one drawing routine each, in their own files.
void DrawMenu(Image& sheet);
void DrawHero(Image& sheet);
void DrawWalkers(Image& sheet);
void DrawBats(Image& sheet);
void DrawThrowers(Image& sheet);
void DrawUndead(Image& sheet);
void DrawSorcerer(Image& sheet);
void DrawEffects(Image& sheet);  // shots, bolt, dust, falling hazard
void DrawPickUps(Image& sheet);  // coins and bonus items
void DrawStatus(Image& sheet);

// The middle joint (knee, elbow) of a two-part limb from root to end, bent
// to the side given by bend: +1 puts it clockwise of the root-to-end line.
Pt Joint(Pt root, Pt end, double l1, double l2, double bend);

inline double Rad(double deg) { return deg * 3.14159265358979323846 / 180.0; }
// The point at distance len from p in direction deg (0 = right, 90 = down).
inline Pt Toward(Pt p, double deg, double len) {
  return {p.x + len * std::cos(Rad(deg)), p.y + len * std::sin(Rad(deg))};
}

}  // namespace datagen::sprites
