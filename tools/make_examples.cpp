// Writes the example patterns in examples/: a synthetic but realistic powder
// pattern (cubic phases, Ka1/Ka2 doublets, background, counting noise from a
// fixed seed) in every format the program reads.
//
//   make_examples [output directory]
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kKa1 = 1.540593, kKa2 = 1.544414;

std::string Fmt(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Fmt(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

struct Reflection {
  int h, k, l;
  int multiplicity;
  double d;
};

// A cubic phase: lattice constant, centring ('F', 'I' or 'P') and a scale.
struct Phase {
  const char* name;
  double a;
  char centring;
  double scale;

  bool Allowed(int h, int k, int l) const {
    if (centring == 'F') return (h % 2 == k % 2) && (k % 2 == l % 2);
    if (centring == 'I') return (h + k + l) % 2 == 0;
    return true;
  }

  std::vector<Reflection> Reflections(double dMin) const {
    std::vector<Reflection> list;
    const int top = static_cast<int>(a / dMin) + 1;
    for (int h = 0; h <= top; ++h)
      for (int k = 0; k <= h; ++k)
        for (int l = 0; l <= k; ++l) {
          if (h + k + l == 0 || !Allowed(h, k, l)) continue;
          const double d = a / std::sqrt(double(h * h + k * k + l * l));
          if (d < dMin) continue;
          // Multiplicity of {hkl} in m-3m: sign changes times distinct permutations.
          const int zeros = (h == 0) + (k == 0) + (l == 0);
          const int signs = 1 << (3 - zeros);
          const int perms = (h == k && k == l) ? 1 : (h == k || k == l) ? 3 : 6;
          list.push_back({h, k, l, signs * perms, d});
        }
    std::sort(list.begin(), list.end(),
              [](const Reflection& x, const Reflection& y) { return x.d > y.d; });
    return list;
  }
};

double TwoTheta(double d, double lambda) {
  const double s = lambda / (2.0 * d);
  return s >= 1.0 ? 180.0 : 2.0 * std::asin(s) * 180.0 / kPi;
}

// Pseudo-Voigt peak of unit area, fwhm in degrees.
double PseudoVoigt(double x, double centre, double fwhm) {
  const double eta = 0.45;
  const double dx = (x - centre) / fwhm;
  const double gauss =
      2.0 * std::sqrt(std::log(2.0) / kPi) / fwhm * std::exp(-4.0 * std::log(2.0) * dx * dx);
  const double lorentz = 2.0 / (kPi * fwhm) / (1.0 + 4.0 * dx * dx);
  return eta * lorentz + (1.0 - eta) * gauss;
}

struct Pattern {
  std::vector<double> x, calc, obs;
  std::vector<std::vector<double>> reflectionPos;  // Ka1 positions per phase
};

// Calculated and observed profile over the given angles.
Pattern Simulate(const std::vector<double>& angles, const std::vector<Phase>& phases, bool neutron,
                 double lambda, unsigned seed) {
  Pattern p;
  p.x = angles;
  const double top = angles.back();
  p.calc.assign(angles.size(), 0.0);
  for (std::size_t i = 0; i < angles.size(); ++i) {
    const double t = angles[i];
    // Falling air scatter, a broad amorphous hump and a flat floor.
    p.calc[i] =
        60.0 + 400.0 * std::exp(-t / 12.0) + 90.0 * std::exp(-std::pow((t - 27.0) / 9.0, 2));
  }
  for (const Phase& phase : phases) {
    std::vector<double> positions;
    const double dMin = (neutron ? lambda : kKa2) / (2.0 * std::sin(top * kPi / 360.0));
    for (const Reflection& r : phase.Reflections(dMin)) {
      const double lambdas[2] = {neutron ? lambda : kKa1, kKa2};
      const double weights[2] = {1.0, neutron ? 0.0 : 0.5};
      positions.push_back(TwoTheta(r.d, lambdas[0]));
      for (int line = 0; line < 2; ++line) {
        if (weights[line] == 0.0) continue;
        const double centre = TwoTheta(r.d, lambdas[line]);
        if (centre >= 179.0) continue;
        const double th = centre * kPi / 360.0;
        const double lp =
            (1.0 + std::pow(std::cos(2 * th), 2)) / (std::sin(th) * std::sin(th) * std::cos(th));
        const double s = 1.0 / (2.0 * r.d);
        const double intensity =
            phase.scale * weights[line] * r.multiplicity * lp * std::exp(-1.2 * s * s);
        const double tn = std::tan(th);
        const double fwhm =
            std::sqrt(0.004 * tn * tn - 0.002 * tn + 0.0035) * (neutron ? 2.5 : 1.0);
        for (std::size_t i = 0; i < angles.size(); ++i) {
          if (std::fabs(angles[i] - centre) > 40.0 * fwhm) continue;
          p.calc[i] += intensity * PseudoVoigt(angles[i], centre, fwhm);
        }
      }
    }
    p.reflectionPos.push_back(positions);
  }
  std::mt19937 random(seed);
  p.obs.resize(angles.size());
  for (std::size_t i = 0; i < angles.size(); ++i) {
    std::poisson_distribution<int> counts(p.calc[i]);
    p.obs[i] = std::max(1, counts(random));
  }
  return p;
}

std::vector<double> Grid(double start, double step, int n) {
  std::vector<double> x(n);
  for (int i = 0; i < n; ++i) x[i] = start + i * step;
  return x;
}

class Output {
 public:
  explicit Output(bool crlf) : eol_(crlf ? "\r\n" : "\n") {}
  Output& operator<<(const std::string& line) {
    text_ += line;
    text_ += eol_;
    return *this;
  }
  void Raw(const std::string& s) { text_ += s; }
  void Save(const std::filesystem::path& path) const {
    std::ofstream out(path, std::ios::binary);
    out << text_;
    std::printf("%-34s %7zu bytes\n", path.filename().c_str(), text_.size());
  }

 private:
  std::string text_;
  std::string eol_;
};

const Phase kSilicon{"Si", 5.43088, 'F', 9.0};
const Phase kPerovskite{"SrTiO3", 3.9051, 'P', 5.0};

void WriteRint(const std::filesystem::path& dir) {
  const Pattern p = Simulate(Grid(10.0, 0.02, 4501), {kSilicon}, false, kKa1, 11);
  Output o(true);
  o << "*RINT ASCII export"
    << "Sample   Si standard powder"
    << "Target   Cu"
    << "Start    10.000"
    << "Stop     100.000"
    << "Step     0.020"
    << "Count    2.0 sec";
  for (std::size_t i = 0; i < p.x.size(); ++i) o << Fmt("%8.3f %8.0f", p.x[i], p.obs[i]);
  o.Save(dir / "rigaku_rint.dat");
}

void WriteMac(const std::filesystem::path& dir) {
  const Pattern p = Simulate(Grid(5.0, 0.02, 5751), {kSilicon}, false, kKa1, 12);
  Output o(true);
  o << "MAC Science powder diffractometer"
    << "SAMPLE=Si standard"
    << "XRAY=Cu 40kV 30mA"
    << "DTSRT";
  for (std::size_t i = 0; i < p.x.size(); ++i) o << Fmt("%.3f %.0f", p.x[i], p.obs[i]);
  o << "DTEND";
  o.Save(dir / "mac_pattern.dat");
}

void WriteRad(const std::filesystem::path& dir) {
  // The reader puts the first count two steps above the header's start and
  // multiplies every count by 4.
  const double start = 10.0, step = 0.02;
  const Pattern p = Simulate(Grid(start + 2 * step, step, 4000), {kSilicon}, false, kKa1, 13);
  Output o(true);
  for (int line = 1; line <= 51; ++line) {
    if (line == 2)
      o << Fmt("%.3f", start);
    else if (line == 42)
      o << Fmt("%.3f", step);
    else if (line == 1)
      o << "RAD-B  Si standard";
    else
      o << Fmt("H%02d  0", line);
  }
  for (double y : p.obs) o << Fmt("%.0f", std::round(y / 4.0));
  o.Save(dir / "rigaku_rad.dat");
}

void WriteHermes(const std::filesystem::path& dir) {
  // Measured angles are a little irregular; the reader resamples them.
  const double start = 10.0, end = 150.0, step = 0.1, lambda = 1.8265;
  const int n = static_cast<int>((end - start) / step + 0.5) + 1;
  std::mt19937 jitter(14);
  std::uniform_real_distribution<double> shift(-0.2 * step, 0.2 * step);
  std::vector<double> angles(n);
  for (int i = 0; i < n; ++i) angles[i] = start - 0.05 + i * step + shift(jitter);
  const Pattern p = Simulate(angles, {kSilicon}, true, lambda, 15);
  Output o(false);
  o << "Hermes powder diffractometer, JRR-3M"
    << "Meas-start-time: 2004-03-12 10:21:07"
    << "Sample: Si standard" << Fmt("Meas-start-angle: %.3f", start)
    << Fmt("Meas-end-angle: %.3f", end) << Fmt("Meas-step-angle: %.3f", step) << "Monitor: 200000"
    << "Comment: synthetic example"
    << "----------------------------------"
    << "  No.     2theta      Count     Monitor     Error";
  for (int i = 0; i < n; ++i)
    o << Fmt("%5d %10.4f %10.0f %10d %10.2f", i + 1, p.x[i], p.obs[i], 200000, std::sqrt(p.obs[i]));
  o.Save(dir / "hermes_neutron.raw");
}

void WriteXy(const std::filesystem::path& dir) {
  const Pattern p = Simulate(Grid(5.0, 0.006, 19999), {kSilicon}, false, kKa1, 16);
  Output o(false);
  for (std::size_t i = 0; i < p.x.size(); ++i) o << Fmt("%.3f %.0f", p.x[i], p.obs[i]);
  o.Save(dir / "xy_pattern.xy");
}

void WriteRietanInt(const std::filesystem::path& dir) {
  const double start = 10.0, step = 0.02;
  const int n = 5001;
  const Pattern p = Simulate(Grid(start, step, n), {kSilicon, kPerovskite}, false, kKa1, 17);
  Output normal(true);
  normal << Fmt("%d %.3f %.3f", n, start, step);
  std::string row;
  for (int i = 0; i < n; ++i) {
    row += Fmt("%8.0f", p.obs[i]);
    if (i % 10 == 9 || i == n - 1) {
      normal << row;
      row.clear();
    }
  }
  normal.Save(dir / "rietan_normal.int");

  Output general(true);
  general << "GENERAL" << Fmt("%6d", n);
  for (int i = 0; i < n; ++i) general << Fmt("%6.2f %8.0f", p.x[i], p.obs[i]);
  general.Save(dir / "rietan_general.int");
}

// The "-x" file: count, start, step, the intensities, then the reflections.
void WriteSimulated(const std::filesystem::path& dir) {
  const double start = 10.0, step = 0.02;
  const int n = 5001;
  const Pattern p = Simulate(Grid(start, step, n), {kPerovskite}, false, kKa1, 18);
  const double top = *std::max_element(p.calc.begin(), p.calc.end());
  Output o(false);
  o << Fmt("%d %.3f %.3f", n, start, step);
  std::string row;
  for (int i = 0; i < n; ++i) {
    row += Fmt("%9.3f", 100.0 * p.calc[i] / top);
    if (i % 8 == 7 || i == n - 1) {
      o << row;
      row.clear();
    }
  }
  o << "";
  const std::vector<double>& pos = p.reflectionPos[0];
  o << Fmt("%zu", pos.size());
  for (double t : pos) o << Fmt("%.4f", t);
  o.Save(dir / "simulated.sim");
}

void WriteIgorPhases(Output& o, const Pattern& p) {
  for (std::size_t ph = 0; ph < p.reflectionPos.size(); ++ph) {
    o << Fmt("WAVES/O xphase%zu", ph + 1) << "BEGIN";
    for (double t : p.reflectionPos[ph]) o << Fmt(" %.4f", t);
    o << "END";
  }
}

// Three columns, two excluded regions (three segments) and two phases.
void WriteIgorTwoPhases(const std::filesystem::path& dir) {
  const Pattern p = Simulate(Grid(10.0, 0.02, 5501), {kSilicon, kPerovskite}, false, kKa1, 19);
  Output o(false);
  o << "IGOR"
    << "WAVES/O twoth, yobs, ycalc"
    << "BEGIN";
  bool excluded = false;
  for (std::size_t i = 0; i < p.x.size(); ++i) {
    const double t = p.x[i];
    const bool skip = (t > 38.01 && t < 40.01) || (t > 84.01 && t < 86.01);
    // One NaN row where an excluded region begins ends the segment.
    if (skip && !excluded) o << "NaN NaN NaN";
    excluded = skip;
    if (!skip) o << Fmt(" %.3f %.1f %.2f", t, p.obs[i], p.calc[i]);
  }
  o << "END"
    << "X SetScale d 0,0,\"deg\", twoth";
  WriteIgorPhases(o, p);
  o.Save(dir / "fit_two_phases.pat");
}

// Two columns: calculated intensities in per cent, with the Rietan INT file
// of the measurement beside it (the "-s" start reads both).
void WriteIgorCalculated(const std::filesystem::path& dir) {
  const double start = 10.0, step = 0.02;
  const int n = 4501;
  const Pattern p = Simulate(Grid(start, step, n), {kSilicon}, false, kKa1, 20);
  const double top = *std::max_element(p.calc.begin(), p.calc.end());
  Output o(false);
  o << "IGOR"
    << "WAVES/O twoth, ycal"
    << "BEGIN";
  for (int i = 0; i < n; ++i) o << Fmt(" %.3f %.4f", p.x[i], 100.0 * p.calc[i] / top);
  o << "END";
  WriteIgorPhases(o, p);
  o.Save(dir / "fit_calculated.pat");

  Output intFile(true);
  intFile << "GENERAL" << Fmt("%6d", n);
  for (int i = 0; i < n; ++i) intFile << Fmt("%6.2f %8.0f", p.x[i], p.obs[i]);
  intFile.Save(dir / "fit_calculated.int");
}

void WriteGsasCif(const std::filesystem::path& dir) {
  const double start = 10.0, step = 0.02;
  const int n = 4501;
  const Pattern p = Simulate(Grid(start, step, n), {kSilicon}, false, kKa1, 21);
  Output o(false);
  o << "data_Si_standard"
    << "_pd_block_id  2004-03-12T10:21|Si|GSAS"
    << "" << Fmt("_cell_length_a   %.5f(4)", kSilicon.a)
    << Fmt("_cell_length_b   %.5f(4)", kSilicon.a) << Fmt("_cell_length_c   %.5f(4)", kSilicon.a)
    << "_cell_angle_alpha   90.0"
    << "_cell_angle_beta   90.0"
    << "_cell_angle_gamma   90.0"
    << "_symmetry_space_group_name_H-M  'F d 3 m'"
    << ""
    << "_pd_instr_radiation_probe  x-ray"
    << "_diffrn_radiation_wavelength  1.540593" << Fmt("_pd_proc_2theta_range_min  %.4f", start)
    << Fmt("_pd_proc_2theta_range_max  %.4f", start + (n - 1) * step)
    << Fmt("_pd_proc_2theta_range_inc  %.4f", step) << Fmt("_pd_proc_number_of_points  %d", n);
  const Phase& si = kSilicon;
  std::vector<Reflection> refl =
      si.Reflections(kKa2 / (2.0 * std::sin((start + (n - 1) * step) * kPi / 360.0)));
  o << Fmt("_reflns_number_observed  %zu", 2 * refl.size()) << ""
    << "loop_"
    << "      _pd_meas_intensity_total"
    << "      _pd_proc_ls_weight"
    << "      _pd_proc_intensity_bkg_calc"
    << "      _pd_calc_intensity_total";
  for (int i = 0; i < n; ++i) {
    const double y = p.obs[i];
    const int su = std::max(1, static_cast<int>(std::lround(std::sqrt(y))));
    // Counts written with their uncertainty, as GSAS does; a few without.
    const std::string observed = (i % 997 == 5) ? Fmt("%.0f", y) : Fmt("%.0f(%d)", y, su);
    o << Fmt("%s %.5f %.1f %.1f", observed.c_str(), 1.0 / y, 60.0, p.calc[i]);
  }
  o << ""
    << "loop_"
    << "      _refln_index_h"
    << "      _refln_index_k"
    << "      _refln_index_l"
    << "      _pd_refln_wavelength_id"
    << "      _refln_d_spacing"
    << "      _pd_refln_i100_meas";
  for (const Reflection& r : refl)
    for (int w = 1; w <= 2; ++w)
      o << Fmt("%4d %4d %4d %2d %9.5f %8.2f", r.h, r.k, r.l, w, r.d, 100.0 / w);
  o.Save(dir / "gsas_fit.cif");
}

void WriteFullProf(const std::filesystem::path& dir) {
  const double start = 10.0, step = 0.02;
  const int n = 5001;
  const Pattern p = Simulate(Grid(start, step, n), {kPerovskite}, false, kKa1, 22);
  const std::vector<double>& pos = p.reflectionPos[0];
  Output o(false);
  o << " SrTiO3 synthetic example       CELL:    3.90510   3.90510   3.90510   90.0000   90.0000   "
       "90.0000   SPGR: P m -3 m";
  o << Fmt("%d   1.5406   1.5444", n);
  o << Fmt(" %.3f %.3f %.5f       8       0", start + (n - 1) * step, start, step);
  o << Fmt("  1   %d   1.54060   1.54440   0.00000   0.00000   0.00000", n);
  o << Fmt("  %zu    0", pos.size());
  auto list = [&o](const std::vector<double>& values, const char* format, int perLine) {
    std::string row;
    for (std::size_t i = 0; i < values.size(); ++i) {
      row += Fmt(format, values[i]);
      if (int(i % perLine) == perLine - 1 || i + 1 == values.size()) {
        o << row;
        row.clear();
      }
    }
  };
  list(p.obs, "%8.2f", 8);
  list(p.calc, "%8.2f", 8);
  std::vector<double> codes(pos.size(), 1.0);
  list(codes, "%4.0f", 20);
  list(pos, "%8.3f", 10);
  o.Save(dir / "fullprof_fit.prf");
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path dir = argc > 1 ? argv[1] : DIFSCOP_EXAMPLES_DIR;
  std::filesystem::create_directories(dir);
  WriteRint(dir);
  WriteMac(dir);
  WriteRad(dir);
  WriteHermes(dir);
  WriteXy(dir);
  WriteRietanInt(dir);
  WriteSimulated(dir);
  WriteIgorTwoPhases(dir);
  WriteIgorCalculated(dir);
  WriteGsasCif(dir);
  WriteFullProf(dir);
  return 0;
}
