// Test helpers that are the same on every system.
#include "tests/support/testutil.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::random_device seed;
  std::mt19937 rng(seed());
  const std::string alphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path p = fs::temp_directory_path() / ("kvtest." + RandomString(rng, alphabet, 8, 8));
    std::error_code ec;
    if (fs::create_directory(p, ec)) {
      path_ = p.string();
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  // Make everything writable again so that removal works after tests that
  // took rights away.
  for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->is_symlink(ec)) continue;
    if (it->is_directory(ec)) {
      SetFileMode(it->path().string(), 0755);
    } else if (OnWindows()) {
      SetFileMode(it->path().string(), 0644);
    }
  }
  SetFileMode(path_, 0755);
  fs::remove_all(path_, ec);
}

std::filesystem::path U8Path(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string TempDir::File(const std::string& name) const {
  std::string f = path_ + PathSep() + name;
  for (char& c : f)
    if (c == '/' || c == '\\') c = PathSep();
  return f;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  fs::path p = U8Path(path);
  if (p.has_parent_path()) fs::create_directories(p.parent_path());
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  if (!f) throw std::runtime_error("cannot write " + path);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadBytes(const std::string& path) {
  std::ifstream f(U8Path(path), std::ios::binary);
  if (!f) return "";
  std::ostringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

bool PathExists(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(U8Path(path), ec));
}

std::string InstallTool(const std::string& builtProgram, const std::string& dir) {
  fs::path target = U8Path(dir) / fs::path(builtProgram).filename();
  fs::create_directories(U8Path(dir));
  fs::copy_file(builtProgram, target, fs::copy_options::overwrite_existing);
  const std::u8string u8 = target.u8string();
  std::string path(u8.begin(), u8.end());
  SetFileMode(path, 0755);
  return path;
}

std::string InstallKorvane(const std::string& dir) { return InstallTool(KORVANE_BIN, dir); }
std::string InstallVelloran(const std::string& dir) { return InstallTool(VELLORAN_BIN, dir); }

std::string CrLf(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) {
    s += l;
    s += "\r\n";
  }
  return s;
}

std::string RandomString(std::mt19937& rng, const std::string& alphabet, size_t minLen,
                         size_t maxLen) {
  std::uniform_int_distribution<size_t> len(minLen, maxLen);
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  size_t n = len(rng);
  std::string s;
  s.reserve(n);
  for (size_t i = 0; i < n; ++i) s.push_back(alphabet[pick(rng)]);
  return s;
}

size_t RandomIndex(std::mt19937& rng, size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); }

std::string RandomPiece(std::mt19937& rng, const std::string& s, size_t maxLen) {
  if (s.empty()) return "";
  const size_t a = RandomIndex(rng, s.size());
  return s.substr(a, 1 + RandomIndex(rng, std::min(maxLen, s.size() - a)));
}
