// Bytes in one block that is never zero-filled: a file read whole is
// written only by the read itself, or is not copied at all when the system
// can map it. On these machines a byte written twice (zeroed, then filled)
// costs as much as the work done on it, so the data file and the line files
// are read into this rather than into a std::string resized first.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

class TByteBuffer {
 public:
  // Gives back a block that the buffer took over (its start and length).
  using TRelease = void (*)(char* data, size_t len);

  TByteBuffer() = default;
  explicit TByteBuffer(std::string_view bytes) { Append(bytes); }
  // Takes over a block of len bytes that release gives back; the buffer
  // grows into a block of its own when bytes are appended.
  TByteBuffer(char* data, size_t len, TRelease release) : data_(data), size_(len), release_(release) {}
  TByteBuffer(TByteBuffer&& o) noexcept { Swap(o); }
  TByteBuffer& operator=(TByteBuffer&& o) noexcept {
    TByteBuffer(std::move(o)).Swap(*this);
    return *this;
  }
  TByteBuffer(const TByteBuffer&) = delete;
  TByteBuffer& operator=(const TByteBuffer&) = delete;
  ~TByteBuffer() { Free(); }

  const char* data() const { return data_; }
  char* data() { return data_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  char back() const { return data_[size_ - 1]; }
  std::string_view View() const { return {data_, size_}; }
  operator std::string_view() const { return View(); }
  std::string Str() const { return std::string(View()); }

  // Room for at least `more` bytes after the current ones, not initialized;
  // Grow(n) then adds the n bytes written there.
  char* Room(size_t more);
  void Grow(size_t n) { size_ += n; }
  void Append(std::string_view bytes);

 private:
  void Swap(TByteBuffer& o) noexcept;
  void Free();

  char* data_ = nullptr;
  size_t size_ = 0;
  size_t cap_ = 0;  // 0 for a block taken over: it has no room to grow
  TRelease release_ = nullptr;
};

inline bool operator==(const TByteBuffer& a, std::string_view b) { return a.View() == b; }
