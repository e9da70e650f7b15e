#include "sounds.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "datagen.h"

namespace datagen {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRate = kSoundRate;

using Signal = std::vector<double>;

int Samples(double seconds) { return int(std::lround(seconds * kRate)); }

class Noise {
 public:
  explicit Noise(uint64_t seed) : s_(seed * 0x9E3779B97F4A7C15ull + 7) {}
  double operator()() {  // white, -1..1
    s_ ^= s_ >> 12, s_ ^= s_ << 25, s_ ^= s_ >> 27;
    return double((s_ * 0x2545F4914F6CDD1Dull) >> 11) / double(1ull << 53) * 2 - 1;
  }

 private:
  uint64_t s_;
};

// A phase accumulator; frequency may change every sample.
class Osc {
 public:
  double Sine(double hz) { return std::sin(2 * kPi * Step(hz)); }
  double Saw(double hz) { return 2 * Step(hz) - 1; }
  double Square(double hz, double duty = 0.5) { return Step(hz) < duty ? 1 : -1; }
  double Tri(double hz) {
    double p = Step(hz);
    return p < 0.5 ? 4 * p - 1 : 3 - 4 * p;
  }
  // A glottal pulse for voices: a quick rise and a slower fall.
  double Pulse(double hz) {
    double p = Step(hz);
    return p < 0.4 ? std::sin(kPi * p / 0.4) * std::sin(kPi * p / 0.4) : 0;
  }

 private:
  double Step(double hz) {
    double p = phase_;
    phase_ += hz / kRate;
    phase_ -= std::floor(phase_);
    return p;
  }
  double phase_ = 0;
};

// One-pole filters.
class LowPass {
 public:
  double operator()(double x, double hz) {
    double a = 1 - std::exp(-2 * kPi * hz / kRate);
    y_ += a * (x - y_);
    return y_;
  }

 private:
  double y_ = 0;
};

class HighPass {
 public:
  double operator()(double x, double hz) { return x - lp_(x, hz); }

 private:
  LowPass lp_;
};

// A resonant band-pass (RBJ biquad, constant peak gain), retuned per sample.
class BandPass {
 public:
  double operator()(double x, double hz, double q) {
    double w = 2 * kPi * std::min(hz, kRate * 0.45) / kRate;
    double alpha = std::sin(w) / (2 * q), cw = std::cos(w), a0 = 1 + alpha;
    double b0 = alpha / a0, b2 = -alpha / a0, a1 = -2 * cw / a0, a2 = (1 - alpha) / a0;
    double y = b0 * x + b2 * x2_ - a1 * y1_ - a2 * y2_;
    x2_ = x1_, x1_ = x, y2_ = y1_, y1_ = y;
    return y;
  }

 private:
  double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// A small room: parallel feedback combs into two all-passes.
Signal Reverb(const Signal& in, double mix, double decay) {
  const int combs[] = {1116, 1188, 1277, 1356}, allpasses[] = {556, 441};
  Signal wet(in.size(), 0.0);
  for (int d : combs) {
    int len = d / 2;  // the delays are tuned for 44.1 kHz
    Signal buf(len, 0.0);
    double lp = 0;
    for (size_t i = 0; i < in.size(); ++i) {
      double out = buf[i % len];
      lp = out * 0.6 + lp * 0.4;
      buf[i % len] = in[i] + lp * decay;
      wet[i] += out * 0.25;
    }
  }
  for (int d : allpasses) {
    int len = d / 2;
    Signal buf(len, 0.0);
    for (size_t i = 0; i < wet.size(); ++i) {
      double b = buf[i % len];
      double out = -wet[i] + b;
      buf[i % len] = wet[i] + b * 0.5;
      wet[i] = out;
    }
  }
  Signal out(in.size());
  for (size_t i = 0; i < in.size(); ++i) out[i] = in[i] * (1 - mix) + wet[i] * mix;
  return out;
}

// Attack-decay envelope: linear rise over a, exponential fall with time
// constant d, and a short fade at the very end so nothing stops on a step.
double Env(double t, double length, double a, double d) {
  double e = t < a ? t / a : std::exp(-(t - a) / d);
  double tail = std::min(1.0, (length - t) / 0.01);
  return e * std::max(0.0, tail);
}

// A smooth swell that holds between rise and fall.
double Swell(double t, double length, double rise, double fall) {
  double e = 1;
  if (t < rise) e = 0.5 - 0.5 * std::cos(kPi * t / rise);
  if (t > length - fall) e = 0.5 - 0.5 * std::cos(kPi * (length - t) / fall);
  return std::max(0.0, e);
}

Signal Render(double seconds, const std::function<double(double)>& f) {
  Signal s(Samples(seconds));
  for (size_t i = 0; i < s.size(); ++i) s[i] = f(i / kRate);
  return s;
}

// A one-shot: the DC blocked, and a few milliseconds of fade at either end so
// it starts and stops at rest.
Signal Settle(Signal s) {
  HighPass dc;
  for (double& x : s) x = dc(x, 20);
  int fade = std::min<int>(Samples(0.003), int(s.size()) / 2);
  for (int i = 0; i < fade; ++i) {
    double g = double(i) / fade;
    s[i] *= g, s[s.size() - 1 - i] *= g;
  }
  return s;
}

// A loop: only its mean is taken out, which leaves the seam untouched.
Signal CentreLoop(Signal s) {
  double mean = 0;
  for (double x : s) mean += x;
  mean /= std::max<size_t>(1, s.size());
  for (double& x : s) x -= mean;
  return s;
}

// Scales to kSoundPeak, unless that would make the sound much louder than
// the others; a pure tone reaches the peak with far more power than a burst.
std::vector<int16_t> Normalise(const Signal& s) {
  constexpr double kMaxRms = 0.25;
  double peak = 1e-9, sq = 0;
  for (double x : s) peak = std::max(peak, std::abs(x)), sq += x * x;
  double rms = std::sqrt(sq / std::max<size_t>(1, s.size()));
  double gain = std::min(kSoundPeak / peak, kMaxRms / std::max(rms, 1e-9));
  std::vector<int16_t> out(s.size());
  for (size_t i = 0; i < s.size(); ++i) out[i] = int16_t(std::lround(s[i] * gain * 32767));
  return out;
}

// ---------------------------------------------------------------------------

// A short woody tick with a bright edge.
Signal Click() {
  Noise n(1);
  Osc o;
  BandPass bp;
  return Render(0.2, [&](double t) {
    double tick = bp(n(), 3200, 2.5) * Env(t, 0.2, 0.0005, 0.004);
    double body = o.Sine(1400 - 500 * std::min(1.0, t / 0.03)) * Env(t, 0.2, 0.001, 0.018);
    return tick * 1.5 + body * 0.7;
  });
}

// The hero's missile: a bright zap falling in pitch with a shimmer.
Signal Laser() {
  Osc a, b, lfo;
  LowPass lp;
  return Render(0.4, [&](double t) {
    double f = 300 + 1700 * std::exp(-t / 0.07);
    double vib = 1 + 0.04 * lfo.Sine(38);
    double x = a.Square(f * vib, 0.3) * 0.5 + b.Sine(f * 1.5 * vib) * 0.6;
    return lp(x, 5000) * Env(t, 0.4, 0.004, 0.11);
  });
}

// A bat's screech: three high chirps over hiss.
Signal Bat() {
  Osc o, fm;
  Noise n(3);
  BandPass bp;
  const double starts[] = {0.0, 0.13, 0.24};
  return Render(0.45, [&](double t) {
    double chirp = 0, f = 3000;
    for (double s : starts) {
      double u = t - s;
      if (u < 0 || u > 0.11) continue;
      f = 4200 - 1800 * (u / 0.11) + 400 * std::sin(u * 90);
      chirp += std::sin(kPi * u / 0.11);
    }
    double tone = o.Sine(f + 300 * fm.Sine(170)) * chirp;
    double hiss = bp(n(), f, 4) * chirp;
    return (tone * 0.7 + hiss * 0.8) * Env(t, 0.45, 0.002, 0.3);
  });
}

// A voice: glottal pulses shaped by three formants.
struct Voice {
  Osc glottis, vib;
  BandPass f1, f2, f3;
  Noise breath{11};
  double operator()(double pitch, double vibrato, double a1, double a2, double a3, double breathy, double rough = 0) {
    double p = pitch * (1 + vibrato * vib.Sine(5.5)) * (1 + rough * breath() * 0.05);
    double src = glottis.Pulse(p) - 0.2 + breathy * breath();
    return f1(src, a1, 6) * 1.0 + f2(src, a2, 8) * 0.6 + f3(src, a3, 10) * 0.3;
  }
};

// The hero hurt: a short, rough "uh!" falling in pitch.
Signal Pain() {
  Voice v;
  return Render(0.4, [&](double t) {
    double pitch = 150 - 60 * (t / 0.4);
    return v(pitch, 0.01, 650, 1080, 2500, 0.15, 1.0) * Env(t, 0.4, 0.015, 0.12);
  });
}

// The looped wind: band-passed noise whose gusts are periodic in the loop,
// cross-faded end into start so the seam is inaudible.
Signal Wind() {
  const int length = Samples(4.0), fade = Samples(0.5);
  Noise n(5);
  BandPass bp1, bp2;
  LowPass lp;
  Signal raw(length + fade);
  for (int i = 0; i < length + fade; ++i) {
    double ph = 2 * kPi * double(i) / length;  // one loop = one period of every gust
    double gust = 0.55 + 0.25 * std::sin(ph + 0.4) + 0.15 * std::sin(3 * ph + 1.3) + 0.05 * std::sin(7 * ph);
    double centre = 380 + 420 * gust;
    double x = n();
    double whistle = bp1(x, centre, 7) * 0.6;
    double body = bp2(x, centre * 0.5, 1.2) * 0.8;
    raw[i] = lp(whistle + body, 1800) * gust;
  }
  // raw[length..] continues raw[length-1] without a break, so fading it in
  // over the start makes sample length-1 flow into sample 0.
  Signal out(raw.begin(), raw.begin() + length);
  for (int i = 0; i < fade; ++i) {
    double a = 0.5 * kPi * i / fade;
    out[i] = raw[i] * std::sin(a) + raw[length + i] * std::cos(a);
  }
  return out;
}

// A rat's death: a squealing snarl that rises and chokes off.
Signal RatRoar() {
  Osc o, am;
  Noise n(6);
  BandPass bp;
  return Render(0.6, [&](double t) {
    double f = 520 + 500 * std::sin(kPi * std::min(1.0, t / 0.5)) + 60 * std::sin(t * 60);
    double growl = 0.6 + 0.4 * am.Sine(32);
    double x = o.Saw(f) * 0.5 + bp(n(), f * 2.2, 3) * 1.2;
    return x * growl * Env(t, 0.6, 0.01, 0.22);
  });
}

// Bones clattering down: hollow knocks bouncing closer together.
Signal Bones() {
  Noise n(7);
  struct Knock {
    double at, pitch, loud;
  };
  std::vector<Knock> knocks;
  double t = 0, gap = 0.11;
  Noise pick(8);
  for (int i = 0; i < 13; ++i) {
    knocks.push_back({t, 900 + 700 * (0.5 + 0.5 * pick()), 1.0 - i * 0.055});
    t += gap * (0.7 + 0.3 * (0.5 + 0.5 * pick()));
    gap *= 0.85;
  }
  std::vector<BandPass> res(knocks.size()), hi(knocks.size());
  return Render(0.75, [&](double time) {
    double s = 0, white = n();
    for (size_t k = 0; k < knocks.size(); ++k) {
      double u = time - knocks[k].at;
      if (u < 0 || u > 0.08) continue;
      double e = std::exp(-u / 0.012) * knocks[k].loud;
      s += res[k](white, knocks[k].pitch, 12) * e * 3 + hi[k](white, knocks[k].pitch * 3.1, 6) * e;
    }
    return s;
  });
}

// The sorcerer's cast: a dark rising drone, ring-modulated, with a rushing
// sweep of noise.
Signal SorcererCast() {
  Osc a, b, sub, ring;
  Noise n(9);
  BandPass bp;
  LowPass lp;
  return Render(1.0, [&](double t) {
    double f = 80 + 320 * (t / 1.0) * (t / 1.0);
    double drone = a.Saw(f) * 0.4 + b.Saw(f * 1.013) * 0.4 + sub.Sine(f * 0.5) * 0.5;
    drone *= 0.6 + 0.4 * ring.Sine(f * 2.71);
    double rush = bp(n(), 300 + 2500 * t, 2) * 1.5;
    return lp(drone + rush, 3500) * Swell(t, 1.0, 0.15, 0.35);
  });
}

// A scream far away: a high wailing voice, muffled and echoing.
Signal Scream() {
  Voice v;
  LowPass lp;
  Signal dry = Render(1.4, [&](double t) {
    double pitch = 880 + 120 * std::sin(kPi * std::min(1.0, t / 0.5)) - 300 * std::max(0.0, t - 0.5);
    double x = v(pitch, 0.025, 950, 1500, 2900, 0.25, 0.6);
    return lp(x, 2200) * Swell(t, 0.95, 0.06, 0.45) * (t < 0.95);
  });
  return Reverb(dry, 0.45, 0.78);
}

// A great beast's roar: a low growling voice over rumbling noise.
Signal DeepRoar() {
  Voice v;
  Osc am;
  Noise n(10);
  LowPass lp, lp2;
  return Render(1.5, [&](double t) {
    double pitch = 70 + 25 * std::sin(kPi * std::min(1.0, t / 1.2));
    double growl = 0.55 + 0.45 * std::abs(am.Sine(23 + 8 * t));
    double x = v(pitch, 0.02, 320, 700, 1800, 0.6, 2.0) * 1.5 + lp(n(), 220) * 3;
    return lp2(x * growl, 1600) * Swell(t, 1.5, 0.12, 0.6);
  });
}

// An eerie sting: a dissonant cluster that swells and trembles, over a glassy
// shimmer, left to ring out.
Signal Terror() {
  Osc o[5], trem, glass, boom;
  Noise n(12);
  BandPass scrape;
  const double freqs[] = {220, 233.1, 311.1, 329.6, 466.2};
  Signal dry = Render(2.0, [&](double t) {
    double s = 0;
    for (int i = 0; i < 5; ++i) s += o[i].Sine(freqs[i] * (1 + 0.003 * std::sin(t * (2 + i)))) * 0.3;
    s *= 0.7 + 0.3 * trem.Sine(6 + 4 * t);
    s *= Swell(t, 1.6, 0.25, 0.9) * (t < 1.6);
    // A low thud under the attack, and a bowed-metal scrape rising over it.
    s += boom.Sine(58 - 20 * t) * Env(t, 2.0, 0.005, 0.25) * 1.2;
    s += scrape(n(), 1800 + 1600 * t, 18) * 1.6 * Swell(t, 1.4, 0.4, 0.6) * (t < 1.4);
    s += glass.Sine(1864 + 40 * std::sin(t * 9)) * 0.12 * Swell(t, 1.6, 0.6, 0.6) * (t < 1.6);
    return s;
  });
  return Reverb(dry, 0.35, 0.8);
}

// A wolf's howl: rising, holding with vibrato, falling away.
Signal Howl() {
  Voice v;
  Osc o;
  return Render(1.8, [&](double t) {
    double shape = t < 0.35 ? t / 0.35 : t < 1.2 ? 1 : 1 - (t - 1.2) / 0.6 * 0.45;
    double pitch = 330 + 270 * shape;
    double tone = o.Sine(pitch * (1 + 0.012 * std::sin(t * 2 * kPi * 5))) * 0.8;
    double voice = v(pitch, 0.012, 700, 1150, 2600, 0.1) * 0.5;
    return (tone + voice) * Swell(t, 1.8, 0.12, 0.5);
  });
}

}  // namespace

std::vector<uint8_t> EncodeWav(const std::vector<int16_t>& samples, int rate) {
  std::vector<uint8_t> out;
  out.reserve(44 + samples.size() * 2);
  auto u32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
  };
  auto u16 = [&](uint16_t v) { out.push_back(uint8_t(v)), out.push_back(uint8_t(v >> 8)); };
  auto tag = [&](const char* t) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(t[i]));
  };
  uint32_t data = uint32_t(samples.size() * 2);
  tag("RIFF"), u32(36 + data), tag("WAVE");
  tag("fmt "), u32(16), u16(1), u16(1), u32(rate), u32(rate * 2), u16(2), u16(16);
  tag("data"), u32(data);
  for (int16_t s : samples) u16(uint16_t(s));
  return out;
}

std::vector<SoundFile> BuildSounds() {
  struct Maker {
    const char* name;
    Signal (*make)();
    bool loop = false;
  };
  // Slot order: 1 to 12.
  const Maker makers[] = {{"click2.wav", Click},     {"laser.wav", Laser},         {"morcego.wav", Bat},
                          {"sofr.wav", Pain},        {"vento.wav", Wind, true},    {"rugido.wav", RatRoar},
                          {"osso.wav", Bones},       {"laser2.wav", SorcererCast}, {"grito.wav", Scream},
                          {"rugido3.wav", DeepRoar}, {"terror.wav", Terror},       {"uivu.wav", Howl}};
  std::vector<SoundFile> sounds;
  for (const Maker& m : makers) {
    Signal s = m.loop ? CentreLoop(m.make()) : Settle(m.make());
    sounds.push_back({m.name, EncodeWav(Normalise(s), kSoundRate)});
  }
  return sounds;
}

}  // namespace datagen
