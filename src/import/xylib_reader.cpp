// Every other measured-pattern format, through xylib: the first block's x and
// y columns. This is the only file that sees xylib; nothing of it (types,
// exceptions, locale needs) leaks out. The reading itself runs in
// difscop-xylib (xylib_helper.cpp starts it).
#include <locale.h>
#include <xylib/xylib.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

#include "import/raw_formats.h"
#include "import/xylib_read.h"

namespace difscop::import {

namespace {

// Formats whose own check recognises them from their content alone.
constexpr std::string_view kByContent[] = {
    "bruker_raw", "xrdml",        "uxd",        "cpi",  "vamas",
    "philips_udf", "philips_rd", "canberra_cnf", "rigaku_dat", "xsyg",
};
// Formats whose check accepts much plain text: only with their extension.
constexpr std::string_view kByExtension[] = {
    "riet7",   "dbws",         "spe",        "xfit_xdd", "chiplot",
    "specsxy", "spectra", "canberra_mca", "bruker_spc", "csv",
};

// xylib parses numbers with the C library, which follows LC_NUMERIC; the
// files all write a decimal point. Switched for this thread only.
class CNumericLocale {
 public:
  CNumericLocale() : c_(newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr))) {
    if (c_) old_ = uselocale(c_);
  }
  ~CNumericLocale() {
    if (!c_) return;
    uselocale(old_);
    freelocale(c_);
  }
  CNumericLocale(const CNumericLocale&) = delete;
  CNumericLocale& operator=(const CNumericLocale&) = delete;

 private:
  locale_t c_;
  locale_t old_ = nullptr;
};

const xylib::FormatInfo* Format(std::string_view name) {
  return static_cast<const xylib::FormatInfo*>(xylib_get_format_by_name(std::string(name).c_str()));
}

// An input stream over bytes in memory, without a copy.
class ViewBuffer : public std::streambuf {
 public:
  explicit ViewBuffer(std::string_view bytes) {
    char* begin = const_cast<char*>(bytes.data());
    setg(begin, begin, begin + bytes.size());
  }

 protected:
  pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode) override {
    const off_type base = dir == std::ios_base::beg ? 0
                          : dir == std::ios_base::cur ? gptr() - eback()
                                                      : egptr() - eback();
    return seekpos(base + off, std::ios_base::in);
  }
  pos_type seekpos(pos_type pos, std::ios_base::openmode) override {
    const off_type p = pos;
    if (p < 0 || p > egptr() - eback()) return pos_type(off_type(-1));
    setg(eback(), eback() + p, egptr());
    return pos;
  }
};

bool Accepts(const xylib::FormatInfo* fi, std::string_view bytes) {
  if (!fi) return false;
  ViewBuffer buffer(bytes);
  std::istream in(&buffer);
  try {
    return xylib::check_format(fi, in, nullptr);
  } catch (...) {
    // Some checks throw on text they cannot parse: not theirs.
    return false;
  }
}

bool HasExtension(const xylibFormat& f, const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  if (ext.size() < 2) return false;
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::istringstream list(f.exts ? f.exts : "");
  std::string e;
  while (list >> e)
    if ("." + e == ext) return true;
  return false;
}

}  // namespace

const char* XylibFormatFor(std::string_view bytes, const std::string& path) {
  if (bytes.empty()) return nullptr;
  CNumericLocale locale;
  for (std::string_view name : kByContent)
    if (const xylib::FormatInfo* fi = Format(name); Accepts(fi, bytes)) return fi->name;
  for (std::string_view name : kByExtension) {
    const xylib::FormatInfo* fi = Format(name);
    if (fi && HasExtension(*fi, path) && Accepts(fi, bytes)) return fi->name;
  }
  return nullptr;
}

std::string XylibDialogFilter() {
  std::string filter;
  for (int i = 0; const xylibFormat* f = xylib_get_format(i); ++i) {
    std::string patterns;
    std::istringstream list(f->exts ? f->exts : "");
    std::string e;
    while (list >> e) patterns += (patterns.empty() ? "*." : ";*.") + e;
    if (patterns.empty()) continue;
    filter += std::string(f->desc) + " (" + patterns + ")|" + patterns + "|";
  }
  return filter + "Other Files (*.*)|*.*||";
}

XylibRead ReadWithXylib(std::string_view bytes, const std::string& path, bool identifyOnly) {
  XylibRead r;
  const char* name = XylibFormatFor(bytes, path);
  if (!name) return r;
  r.format = name;
  if (identifyOnly) return r;
  CNumericLocale locale;
  // The data set is ours from the start: xylib's own loaders lose it when
  // the format's reader throws.
  std::unique_ptr<xylib::DataSet> data(Format(name)->ctor());
  try {
    ViewBuffer buffer(bytes);
    std::istream in(&buffer);
    data->load_data(in, path.c_str());
  } catch (const std::exception& e) {
    r.error = e.what();
    return r;
  } catch (...) {
    r.error = "unreadable";
    return r;
  }
  r.blocks = data->get_block_count();
  if (r.blocks < 1) {
    r.error = "no data block";
    return r;
  }
  const xylib::Block* block = data->get_block(0);
  if (block->get_column_count() < 2) {
    r.error = "no x and y columns";
    return r;
  }
  const xylib::Column& x = block->get_column(1);
  const xylib::Column& y = block->get_column(2);
  // A column of "unlimited" length (a step generator) takes the other's.
  int n = x.get_point_count();
  if (n < 0 || (y.get_point_count() >= 0 && y.get_point_count() < n)) n = y.get_point_count();
  // One point past the capacity tells the reader that there were more.
  n = std::min(n, workspace::kMaxPoints + 1);
  for (int i = 0; i < n; ++i) r.points.emplace_back(x.get_value(i), y.get_value(i));
  return r;
}

}  // namespace difscop::import
