// The line list: an ordered list of 8-bit lines, loaded and saved whole.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

enum class TDuplicates { dupIgnore, dupAccept, dupError };

// What a NUL byte does when text is split into lines.
enum class TNulByte { EndsText, InLine };

// Splits text into lines: a line ends at CR, LF or CR LF; a final line break
// gives no empty last line. A NUL byte ends the whole text, or with InLine
// stays an ordinary byte of its line.
std::vector<std::string> SplitLines(std::string_view text, TNulByte nul = TNulByte::EndsText);
// The same lines as views into text.
std::vector<std::string_view> SplitLineViews(std::string_view text, TNulByte nul = TNulByte::EndsText);
// Every line followed by CR LF.
std::string JoinLines(const std::vector<std::string>& lines);
// Appends lines from `from` on to out, each followed by CR LF, while out
// stays within limit bytes (the first line always); returns the index of
// the first line not appended.
size_t AppendLines(const std::vector<std::string>& lines, size_t from, size_t limit, std::string& out);
size_t AppendLines(const std::vector<std::string_view>& lines, size_t from, size_t limit, std::string& out);

class TStringList {
 public:
  TStringList() = default;
  virtual ~TStringList() = default;
  TStringList(const TStringList&) = default;
  TStringList& operator=(const TStringList&) = default;

  int Count() const { return static_cast<int>(lines_.size()); }
  bool Empty() const { return lines_.empty(); }
  // Checked access: EStringListError "List index out of bounds (%d)".
  const std::string& Get(int index) const;
  void Put(int index, std::string value);
  void* GetObject(int index) const;
  const std::string& operator[](int index) const { return Get(index); }

  int Add(const std::string& line) { return AddObject(line, nullptr); }
  virtual int AddObject(const std::string& line, void* object);
  void Insert(int index, const std::string& line);
  void Delete(int index);
  void Clear();
  // First equal line (linear scan; Find when sorted), -1 when absent.
  int IndexOf(std::string_view line) const;
  // Binary search; index = first equal line or insertion point.
  virtual bool Find(std::string_view line, int& index) const;
  void Sort();
  int CompareStrings(std::string_view a, std::string_view b) const;

  bool Sorted() const { return sorted_; }
  void SetSorted(bool on);
  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool on);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates d) { duplicates_ = d; }

  std::string Text() const;
  void SetText(std::string_view text);
  // Reads a line file (ReadLineFile): byte-order marks and UTF-16 are
  // handled and NUL bytes stay in their lines.
  void LoadFromFile(const std::string& path);
  // Writes the lines as a line file (SaveLineFile).
  void SaveToFile(const std::string& path) const;

  // Direct access for bulk work. Objects are dropped by changes of length
  // made through it.
  std::vector<std::string>& Lines() { return lines_; }
  const std::vector<std::string>& Lines() const { return lines_; }
  void Assign(std::vector<std::string> lines);

 protected:
  void InsertItem(int index, const std::string& line, void* object);
  // The binary search of Find over any comparison: compareAt(probe) compares
  // the probed row with the value sought.
  bool BinarySearch(const std::function<int(int)>& compareAt, int& index) const;

  std::vector<std::string> lines_;
  std::vector<void*> objects_;  // empty, or parallel to lines_
  bool sorted_ = false;
  bool caseSensitive_ = false;
  TDuplicates duplicates_ = TDuplicates::dupIgnore;
};

// The extended list: byte-order marks and UTF-16 files.
class TStringListEX : public TStringList {
 public:
  static constexpr int32_t kEncUtf8 = 0xEFBBBF;
  static constexpr int32_t kEncUtf16LE = 0xFEFF;
  static constexpr int32_t kEncUtf16BE = 0xFFFE;

  TStringListEX();

  int AddObject(const std::string& line, void* object) override;
  bool Find(std::string_view line, int& index) const override;

  // Nothing happens when FileExistsCI(path) is false.
  void LoadFromFileEX(const std::string& path, int32_t requestedEncoding = 0);
  // Loads from the given bytes (the whole stream).
  void LoadFromStreamEX(std::string_view bytes, int32_t requestedEncoding = 0);
  void SaveToFileEX(const std::string& path, bool writeMark = false);
  // The bytes that SaveToFileEX writes. Text that is not valid UTF-8 is
  // converted byte per character when UTF-16 is to be written.
  std::string SaveToStreamEX(bool writeMark = false);

  int32_t Encoding = 0;
  bool WriteBOM = false;
};
