// The rectangles of "sprites.png" and what each one holds. The game cuts its
// pictures from these places by fixed corners and the data generator draws
// each figure inside its own, so this table is the one contract between the
// sheet and the code that reads it.
#pragma once
#include <string_view>

namespace morlo3 {

// What kind of picture a rectangle holds.
enum class SpriteGroup { Menu, Hero, Walker, Bat, Thrower, Undead, Hazard, Dust, Sorcerer, Bolt, Shot, PickUp, Status };

// One rectangle with inclusive corners, exactly as the game passes it to
// DrawRectKeyed. A rectangle that serves two uses is listed once.
struct SpriteRect {
  std::string_view name;
  SpriteGroup group;
  int x1, y1, x2, y2;
  std::string_view use;
  constexpr int Width() const { return x2 - x1 + 1; }
  constexpr int Height() const { return y2 - y1 + 1; }
  constexpr bool Contains(int x, int y) const { return x >= x1 && x <= x2 && y >= y1 && y <= y2; }
};

inline constexpr int kSpriteSheetWidth = 1024;
inline constexpr int kSpriteSheetHeight = 768;

// clang-format off
inline constexpr SpriteRect kSpriteRects[] = {
  // Main menu and options page.
  {"menu.title",          SpriteGroup::Menu, 239,  78, 469, 162, "the game's title, element 0"},
  {"menu.new_game",       SpriteGroup::Menu, 991,   1, 1015, 13, "\"Novo Jogo\", element 1"},
  {"menu.options",        SpriteGroup::Menu, 973,  22, 985,  36, "\"Opções\", element 2; also the extra-life bonus"},
  {"menu.help",           SpriteGroup::Menu, 973,   1, 987,  18, "\"Ajuda\", element 3"},
  {"menu.quit",           SpriteGroup::Menu, 409,  34, 427,  49, "\"Sair\", element 4 on the main page and element 11 on the options page"},
  {"menu.ornament_small", SpriteGroup::Menu, 239,  61, 316,  68, "element 5, the version plate under the title"},
  {"menu.ornament_wide",  SpriteGroup::Menu, 712, 100, 918, 118, "element 6, the ornament at the foot of the main page"},
  {"menu.decrease",       SpriteGroup::Menu, 432,   1, 448,  20, "down arrow, elements 8 to 10"},
  {"menu.increase",       SpriteGroup::Menu,   1,   1,  17,  20, "up arrow, elements 12 to 14"},
  {"menu.speed_slow",     SpriteGroup::Menu, 383,   1, 405,  33, "\"Lento\", element 15"},
  {"menu.speed_fast",     SpriteGroup::Menu, 409,   1, 428,  30, "\"Rápido\", element 15"},
  {"menu.easy",           SpriteGroup::Menu, 303,   1, 324,  28, "\"Fácil\", element 16"},
  {"menu.hard",           SpriteGroup::Menu, 278,   1, 299,  32, "\"Difícil\", element 16"},
  {"menu.sound_off",      SpriteGroup::Menu, 353,   1, 379,  29, "\"Som Desligado\", element 17"},
  {"menu.sound_on",       SpriteGroup::Menu, 328,   1, 349,  29, "\"Som Ligado\", element 17"},
  {"menu.pointer",        SpriteGroup::Menu, 239,  29, 260,  47, "the mouse pointer, tip at the top-left pixel"},

  // The hero, facing right; the game mirrors the canvas for the left.
  {"hero.stand",          SpriteGroup::Hero, 473, 145, 498, 179, "pose 1, standing"},
  {"hero.jump",           SpriteGroup::Hero, 550, 145, 577, 179, "pose 2, in the air"},
  {"hero.walk1",          SpriteGroup::Hero, 658, 145, 679, 179, "pose 3, walking"},
  {"hero.walk2",          SpriteGroup::Hero, 680, 145, 700, 179, "pose 4, walking"},
  {"hero.walk3",          SpriteGroup::Hero, 701, 145, 726, 179, "pose 5, walking"},
  {"hero.walk_fire1",     SpriteGroup::Hero, 727, 145, 756, 179, "pose 6, walking and firing"},
  {"hero.walk_fire2",     SpriteGroup::Hero, 757, 145, 780, 179, "pose 7, walking and firing"},
  {"hero.walk_fire3",     SpriteGroup::Hero, 781, 145, 809, 179, "pose 8, walking and firing"},
  {"hero.fire",           SpriteGroup::Hero, 499, 145, 525, 179, "pose 9, firing"},
  {"hero.jump_fire",      SpriteGroup::Hero, 578, 145, 607, 179, "pose 10, in the air and firing"},

  // Walkers, the giant rats. Facing 0 walks right.
  {"walker.walk1.right",  SpriteGroup::Walker, 813, 122, 838, 161, "frame 1, facing 0"},
  {"walker.walk2.right",  SpriteGroup::Walker, 839, 122, 868, 161, "frame 2, facing 0"},
  {"walker.walk3.right",  SpriteGroup::Walker, 869, 122, 891, 161, "frame 3, facing 0"},
  {"walker.walk4.right",  SpriteGroup::Walker, 892, 122, 915, 161, "frame 4, facing 0"},
  {"walker.walk1.left",   SpriteGroup::Walker, 813, 162, 838, 201, "frame 1, facing 1"},
  {"walker.walk2.left",   SpriteGroup::Walker, 839, 162, 868, 201, "frame 2, facing 1"},
  {"walker.walk3.left",   SpriteGroup::Walker, 869, 162, 891, 201, "frame 3, facing 1"},
  {"walker.walk4.left",   SpriteGroup::Walker, 892, 162, 915, 201, "frame 4, facing 1"},
  {"walker.die1.right",   SpriteGroup::Walker,   1, 124,  24, 165, "frame 5, facing 0"},
  {"walker.die2.right",   SpriteGroup::Walker,  25, 124,  50, 165, "frame 6, facing 0"},
  {"walker.die3.right",   SpriteGroup::Walker,  51, 124,  86, 165, "frame 7, facing 0"},
  {"walker.die4.right",   SpriteGroup::Walker,  87, 124, 141, 165, "frame 8, facing 0"},
  {"walker.die5.right",   SpriteGroup::Walker, 142, 124, 193, 165, "frame 9, facing 0"},
  {"walker.die1.left",    SpriteGroup::Walker,   1, 166,  24, 207, "frame 5, facing 1"},
  {"walker.die2.left",    SpriteGroup::Walker,  25, 166,  50, 207, "frame 6, facing 1"},
  {"walker.die3.left",    SpriteGroup::Walker,  51, 166,  86, 207, "frame 7, facing 1"},
  {"walker.die4.left",    SpriteGroup::Walker,  87, 166, 141, 207, "frame 8, facing 1"},
  {"walker.die5.left",    SpriteGroup::Walker, 142, 166, 193, 207, "frame 9, facing 1"},

  // Bats. Facing 1 flies left and comes first on the sheet.
  {"bat.wings1.left",     SpriteGroup::Bat, 473,  78, 546, 109, "frame 1, half-width 37, facing 1"},
  {"bat.wings2.left",     SpriteGroup::Bat, 547,  78, 597, 109, "frame 2, half-width 25, facing 1"},
  {"bat.wings3.left",     SpriteGroup::Bat, 598,  78, 632, 109, "frame 3, half-width 17, facing 1"},
  {"bat.wings1.right",    SpriteGroup::Bat, 473, 110, 546, 141, "frame 1, half-width 37, facing 0"},
  {"bat.wings2.right",    SpriteGroup::Bat, 547, 110, 597, 141, "frame 2, half-width 25, facing 0"},
  {"bat.wings3.right",    SpriteGroup::Bat, 598, 110, 632, 141, "frame 3, half-width 17, facing 0"},
  {"bat.fall.left",       SpriteGroup::Bat, 633,  78, 665, 113, "frame 4, falling, facing 1"},
  {"bat.fall.right",      SpriteGroup::Bat, 669,  78, 701, 113, "frame 4, falling, facing 0"},
  {"bat.dead",            SpriteGroup::Bat, 633, 129, 708, 141, "frame 5, lying dead, both facings"},

  // Throwers, the skeletons. Facing 0 walks and throws to the right.
  {"thrower.walk1.right", SpriteGroup::Thrower,   1,  29,  29,  74, "frame 1, facing 0"},
  {"thrower.walk2.right", SpriteGroup::Thrower,  30,  29,  60,  74, "frame 2, facing 0"},
  {"thrower.walk3.right", SpriteGroup::Thrower,  61,  29,  92,  74, "frame 3, facing 0"},
  {"thrower.walk4.right", SpriteGroup::Thrower,  93,  29, 124,  74, "frame 4, facing 0"},
  {"thrower.throw1.right",SpriteGroup::Thrower, 125,  29, 168,  74, "frame 5, winding up, facing 0"},
  {"thrower.throw2.right",SpriteGroup::Thrower, 169,  29, 218,  74, "frame 6, throwing, facing 0"},
  {"thrower.walk1.left",  SpriteGroup::Thrower,   1,  75,  29, 120, "frame 1, facing 1"},
  {"thrower.walk2.left",  SpriteGroup::Thrower,  30,  75,  60, 120, "frame 2, facing 1"},
  {"thrower.walk3.left",  SpriteGroup::Thrower,  61,  75,  92, 120, "frame 3, facing 1"},
  {"thrower.walk4.left",  SpriteGroup::Thrower,  93,  75, 124, 120, "frame 4, facing 1"},
  {"thrower.throw1.left", SpriteGroup::Thrower, 125,  75, 168, 120, "frame 5, winding up, facing 1"},
  {"thrower.throw2.left", SpriteGroup::Thrower, 169,  75, 218, 120, "frame 6, throwing, facing 1"},
  {"thrower.die1.right",  SpriteGroup::Thrower, 814,   1, 844,  48, "frame 7, facing 0"},
  {"thrower.die2.right",  SpriteGroup::Thrower, 845,   1, 879,  48, "frame 8, facing 0"},
  {"thrower.die3.right",  SpriteGroup::Thrower, 880,   1, 918,  48, "frame 9, facing 0"},
  {"thrower.die4.right",  SpriteGroup::Thrower, 919,   1, 969,  48, "frame 10, facing 0"},
  {"thrower.die1.left",   SpriteGroup::Thrower, 814,  49, 844,  96, "frame 7, facing 1"},
  {"thrower.die2.left",   SpriteGroup::Thrower, 845,  49, 879,  96, "frame 8, facing 1"},
  {"thrower.die3.left",   SpriteGroup::Thrower, 880,  49, 918,  96, "frame 9, facing 1"},
  {"thrower.die4.left",   SpriteGroup::Thrower, 919,  49, 969,  96, "frame 10, facing 1"},

  // Undead, the zombies. Facing 1 walks right and comes first on the sheet.
  {"undead.walk1.right",  SpriteGroup::Undead, 629,   1, 662,  33, "frames 1 (getting up) and 2, facing 1"},
  {"undead.walk2.right",  SpriteGroup::Undead, 663,   1, 696,  33, "frame 3, facing 1"},
  {"undead.walk3.right",  SpriteGroup::Undead, 697,   1, 730,  33, "frame 4, facing 1"},
  {"undead.walk4.right",  SpriteGroup::Undead, 731,   1, 766,  33, "frame 5, facing 1"},
  {"undead.walk1.left",   SpriteGroup::Undead, 629,  34, 662,  66, "frames 1 (getting up) and 2, facing 0"},
  {"undead.walk2.left",   SpriteGroup::Undead, 663,  34, 696,  66, "frame 3, facing 0"},
  {"undead.walk3.left",   SpriteGroup::Undead, 697,  34, 730,  66, "frame 4, facing 0"},
  {"undead.walk4.left",   SpriteGroup::Undead, 731,  34, 766,  66, "frame 5, facing 0"},
  {"undead.fall1.right",  SpriteGroup::Undead, 452,   1, 483,  37, "frame 6, facing 1"},
  {"undead.fall2.right",  SpriteGroup::Undead, 484,   1, 523,  37, "frame 7, facing 1"},
  {"undead.fall3.right",  SpriteGroup::Undead, 524,   1, 576,  37, "frame 8, facing 1"},
  {"undead.fall4.right",  SpriteGroup::Undead, 577,   1, 625,  37, "frame 9, facing 1"},
  {"undead.fall1.left",   SpriteGroup::Undead, 452,  38, 483,  74, "frame 6, facing 0"},
  {"undead.fall2.left",   SpriteGroup::Undead, 484,  38, 523,  74, "frame 7, facing 0"},
  {"undead.fall3.left",   SpriteGroup::Undead, 524,  38, 576,  74, "frame 8, facing 0"},
  {"undead.fall4.left",   SpriteGroup::Undead, 577,  38, 625,  74, "frame 9, facing 0"},

  {"hazard.skull",        SpriteGroup::Hazard, 767,   5, 810,  33, "the falling hazard of the shaft"},

  // The dust of a rising undead, thinning out.
  {"dust.1",              SpriteGroup::Dust, 921, 172, 949, 199, "ticks below 10"},
  {"dust.2",              SpriteGroup::Dust, 957, 181, 982, 207, "ticks 10 to 19"},
  {"dust.3",              SpriteGroup::Dust, 992, 181, 1017, 196, "ticks 20 to 29"},
  {"dust.4",              SpriteGroup::Dust, 602, 184, 625, 195, "ticks 30 and more"},

  // RirEza. Facing 0 (the player to his left) faces left and comes first.
  {"sorcerer.hover.left", SpriteGroup::Sorcerer, 197, 166, 237, 259, "pose 1, facing 0"},
  {"sorcerer.glide_left.left",  SpriteGroup::Sorcerer, 244, 167, 289, 260, "pose 2, facing 0"},
  {"sorcerer.glide_right.left", SpriteGroup::Sorcerer, 291, 167, 333, 260, "pose 3, facing 0"},
  {"sorcerer.cast.left",  SpriteGroup::Sorcerer, 335, 168, 394, 261, "pose 4, facing 0"},
  {"sorcerer.hover.right",SpriteGroup::Sorcerer, 555, 182, 595, 275, "pose 1, facing 1"},
  {"sorcerer.glide_left.right", SpriteGroup::Sorcerer, 503, 183, 548, 276, "pose 2, facing 1"},
  {"sorcerer.glide_right.right",SpriteGroup::Sorcerer, 460, 183, 501, 276, "pose 3, facing 1"},
  {"sorcerer.cast.right", SpriteGroup::Sorcerer, 398, 184, 457, 277, "pose 4, facing 1"},

  {"bolt.fly1",           SpriteGroup::Bolt, 958, 111, 988, 140, "flying, ticks 1"},
  {"bolt.fly2",           SpriteGroup::Bolt, 974,  76, 1003, 105, "flying, ticks 2 and 4"},
  {"bolt.fly3",           SpriteGroup::Bolt, 923, 101, 952, 129, "flying, ticks 3"},
  {"bolt.burst1",         SpriteGroup::Bolt, 198, 125, 227, 154, "burst, ticks below 7"},
  {"bolt.burst2",         SpriteGroup::Bolt, 920, 136, 949, 165, "burst, ticks 7 to 13"},
  {"bolt.burst3",         SpriteGroup::Bolt, 955, 145, 984, 174, "burst, ticks 14 to 20"},
  {"bolt.burst4",         SpriteGroup::Bolt, 990, 145, 1019, 173, "burst, ticks above 20"},

  {"shot.player",         SpriteGroup::Shot, 432,  24, 437,  28, "the hero's missile"},
  {"shot.bone",           SpriteGroup::Shot, 222,  82, 235,  95, "the thrown bone"},

  {"bonus.energy",        SpriteGroup::PickUp, 264, 36, 282, 49, "bonus kind 1"},
  {"bonus.power",         SpriteGroup::PickUp, 432, 32, 445, 45, "bonus kind 2"},
  {"coin.1",              SpriteGroup::PickUp, 303, 33, 327, 57, "coin face on, drawn at +(0, 0)"},
  {"coin.2",              SpriteGroup::PickUp, 328, 33, 348, 57, "coin turning, drawn at +(0, 4)"},
  {"coin.3",              SpriteGroup::PickUp, 349, 33, 355, 57, "coin edge on, drawn at +(12, 4)"},
  {"coin.4",              SpriteGroup::PickUp, 356, 33, 376, 57, "coin turning back, drawn at +(0, 3)"},

  // The status display. The fills are cut narrower than these rectangles.
  {"status.energy_frame", SpriteGroup::Status,  21,   1, 138,  25, "energy bar frame, at (10, 170)"},
  {"status.energy_fill",  SpriteGroup::Status, 139,   1, 239,  25, "energy fill, columns 139 to 139 + energy"},
  {"status.lives",        SpriteGroup::Status, 239,   2, 256,  21, "lives icon; column 239 is also the fill's last"},
  {"status.power_frame",  SpriteGroup::Status, 634, 182, 655, 238, "shot-power gauge frame, at (290, 130)"},
  {"status.power_fill",   SpriteGroup::Status, 1008, 74, 1012, 119, "shot-power fill, rows 119 - 5 x power to 119"},
  {"status.boss_bar",     SpriteGroup::Status, 320,  61, 420,  70, "RirEza's health, columns 320 to 320 + health"},
};
// clang-format on

// The rectangle with this name. In a constant expression an unknown name does
// not compile; at run time it is a programming error and stops the program.
constexpr const SpriteRect& Sprite(std::string_view name) {
  for (const SpriteRect& r : kSpriteRects)
    if (r.name == name) return r;
  throw "no sprite rectangle of that name";
}

}  // namespace morlo3
