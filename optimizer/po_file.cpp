#include "optimizer/po_file.h"

#include <gettext-po.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdlib>
#include <memory>

#include "common/platform.h"
#include "common/classic_string.h"
#include "common/utf16.h"

#if defined(__SANITIZE_ADDRESS__)
// libgettextpo 0.21 keeps a few strings of its parser (references and
// comments of entries) that no call frees; the leak checker is told so.
// The library has no frame pointers, so its leaks are told by module:
// its own allocation routines are the innermost frames that can be seen.
extern "C" const char* __lsan_default_suppressions() { return "leak:libgettextpo.so\n"; }
#endif

namespace {

// The library reports problems through a handler without a user argument,
// and a fatal one must not return to it. The handler records the messages
// here and leaves the library with longjmp to the guarded call below.
std::vector<std::string>* g_messages = nullptr;
std::jmp_buf g_fatal;

void Record(const char* filename, size_t lineno, const char* text) {
  std::string m;
  if (filename) {
    m.append(filename);
    if (lineno != static_cast<size_t>(-1)) m.append(":").append(std::to_string(lineno));
    m.append(": ");
  }
  m.append(text ? text : "");
  while (!m.empty() && m.back() == '\n') m.pop_back();
  if (g_messages) g_messages->push_back(m);
}

void OnError(int severity, po_message_t, const char* filename, size_t lineno, size_t, int,
             const char* text) {
  if (severity == PO_SEVERITY_WARNING) return;
  Record(filename, lineno, text);
  if (severity == PO_SEVERITY_FATAL_ERROR) std::longjmp(g_fatal, 1);
}

void OnError2(int severity, po_message_t, const char* filename1, size_t lineno1, size_t, int,
              const char* text1, po_message_t, const char* filename2, size_t lineno2, size_t, int,
              const char* text2) {
  if (severity == PO_SEVERITY_WARNING) return;
  Record(filename1, lineno1, text1);
  Record(filename2, lineno2, text2);
  if (severity == PO_SEVERITY_FATAL_ERROR) std::longjmp(g_fatal, 1);
}

const po_xerror_handler kHandler = {OnError, OnError2};

// The two library calls that may end in a fatal error. No object with a
// destructor lives in these frames, so the jump back skips nothing that
// would need one; what the library had allocated then is left to the end
// of the run.
po_file_t GuardedRead(const char* path) {
  if (setjmp(g_fatal) != 0) return nullptr;
  return po_file_read(path, &kHandler);
}

bool GuardedWrite(po_file_t file, const char* path) {
  if (setjmp(g_fatal) != 0) return false;
  return po_file_write(file, path, &kHandler) != nullptr;
}

struct TPoFileFree {
  void operator()(po_file_t f) const { po_file_free(f); }
};
using TPoFilePtr = std::unique_ptr<std::remove_pointer_t<po_file_t>, TPoFileFree>;

// Collects the library's messages for the lifetime of one call.
class TMessageScope {
 public:
  TMessageScope() { g_messages = &messages_; }
  ~TMessageScope() { g_messages = nullptr; }
  TMessageScope(const TMessageScope&) = delete;
  TMessageScope& operator=(const TMessageScope&) = delete;
  EPoError Error(const std::string& what) const {
    std::string m = what;
    for (const std::string& line : messages_) m.append("\n").append(line);
    return EPoError(m);
  }
  bool Empty() const { return messages_.empty(); }

 private:
  std::vector<std::string> messages_;
};

std::string OrEmpty(const char* s) { return s ? std::string(s) : std::string(); }

// Where the library converts through iconv, it refuses a UTF-8 file with
// bytes that are not UTF-8 ("invalid multibyte sequence"). A library built
// without iconv (the Windows build) takes them as they are; the same check
// is made here, so that such bytes never reach a line file.
void CheckUtf8Texts(const std::string& path, const TPoCatalog& catalog) {
  const std::string charset = LowerAscii(PoHeaderCharset(catalog.Header));
  if (charset != "utf-8" && charset != "utf8") return;
  bool valid = IsValidUtf8(catalog.Header);
  for (size_t i = 0; valid && i < catalog.Entries.size(); ++i) {
    const TPoEntry& e = catalog.Entries[i];
    valid = IsValidUtf8(e.Context) && IsValidUtf8(e.Id) && IsValidUtf8(e.Str);
  }
  if (!valid) throw EPoError("Not a valid PO file: " + path + "\n" + path + ": invalid multibyte sequence");
}

}  // namespace

TPoCatalog ReadPoFile(const std::string& path) {
  const std::string real = ResolveExistingCI(path);
  if (!IsRegularFile(real)) {
    // The library reads a missing file or a folder as no file at all.
    int err = DirectoryExists(real) ? EISDIR : ENOENT;
    throw OpenError(path, err);
  }
  TMessageScope scope;
  errno = 0;
  TPoFilePtr file(GuardedRead(real.c_str()));
  if (!file) {
    if (scope.Empty()) throw OpenError(path, errno ? errno : EIO);
    throw scope.Error("Not a valid PO file: " + path);
  }
  if (!scope.Empty()) throw scope.Error("Not a valid PO file: " + path);

  TPoCatalog catalog;
  {
    // The header comes as a fresh copy for the caller to free.
    std::unique_ptr<char, decltype(&std::free)> header(
        const_cast<char*>(po_file_domain_header(file.get(), nullptr)), &std::free);
    catalog.Header = OrEmpty(header.get());
  }
  for (const char* const* domain = po_file_domains(file.get()); domain && *domain; ++domain) {
    po_message_iterator_t it = po_message_iterator(file.get(), *domain);
    while (po_message_t m = po_next_message(it)) {
      const char* context = po_message_msgctxt(m);
      const char* id = po_message_msgid(m);
      // The header entry: msgid "" without a context.
      if (!context && (!id || !*id)) continue;
      TPoEntry e;
      e.HasContext = context != nullptr;
      e.Context = OrEmpty(context);
      e.Id = OrEmpty(id);
      e.Str = OrEmpty(po_message_msgstr(m));
      e.Fuzzy = po_message_is_fuzzy(m) != 0;
      e.Obsolete = po_message_is_obsolete(m) != 0;
      catalog.Entries.push_back(std::move(e));
    }
    po_message_iterator_free(it);
  }
  CheckUtf8Texts(path, catalog);
  return catalog;
}

namespace {

// Writes the header and the entries [begin, end) as one PO file through the
// library and gives its bytes. Each entry's texts are released once the
// library holds its copy.
TByteBuffer WritePoPiece(const std::string& path, const std::string& header, TPoEntry* begin, TPoEntry* end,
                         const std::string& referenceFile) {
  TPoFilePtr file(po_file_create());
  po_message_iterator_t it = po_message_iterator(file.get(), nullptr);
  if (!header.empty()) {
    po_message_t h = po_message_create();
    po_message_set_msgid(h, "");
    po_message_set_msgstr(h, header.c_str());
    po_message_insert(it, h);
  }
  for (TPoEntry* e = begin; e != end; ++e) {
    po_message_t m = po_message_create();
    if (e->HasContext) po_message_set_msgctxt(m, e->Context.c_str());
    po_message_set_msgid(m, e->Id.c_str());
    po_message_set_msgstr(m, e->Str.c_str());
    if (e->Fuzzy) po_message_set_fuzzy(m, 1);
    if (e->Obsolete) po_message_set_obsolete(m, 1);
    if (e->Line > 0) po_message_add_filepos(m, referenceFile.c_str(), static_cast<size_t>(e->Line));
    po_message_insert(it, m);
    *e = TPoEntry();
  }
  po_message_iterator_free(it);

  const std::string tmp = CreateTempFile("velloran-po");
  TByteBuffer data;
  TMessageScope scope;
  const bool ok = GuardedWrite(file.get(), tmp.c_str());
  file.reset();  // the messages are on disk now
  if (ok && scope.Empty()) {
    try {
      data = ReadWholeFile(tmp);
    } catch (...) {
      DeleteFileIfExists(tmp);
      throw;
    }
  }
  DeleteFileIfExists(tmp);
  if (!ok || !scope.Empty()) throw scope.Error("Cannot write the PO file: " + path);
  return data;
}

}  // namespace

void WritePoFile(const std::string& path, TPoCatalog catalog, const std::string& referenceFile,
                 size_t entriesPerPiece) {
  // The library writes obsolete entries after all others: a catalog that
  // has any is written in one piece, so that their place stays the same.
  std::vector<TPoEntry>& entries = catalog.Entries;
  for (const TPoEntry& e : entries)
    if (e.Obsolete) entriesPerPiece = entries.size();
  entriesPerPiece = std::max<size_t>(entriesPerPiece, 1);
  std::vector<TByteBuffer> pieces;
  TByteParts parts;
  size_t at = 0;
  do {
    const size_t end = std::min(entries.size(), at + entriesPerPiece);
    pieces.push_back(WritePoPiece(path, catalog.Header, entries.data() + at, entries.data() + end, referenceFile));
    std::string_view bytes = pieces.back().View();
    if (at > 0) {
      if (catalog.Header.empty()) {
        // Entries are separated by a blank line.
        if (!bytes.empty()) parts.push_back("\n");
      } else {
        // A later piece repeats the header entry, which ends at the first
        // blank line; the line break after it separates the pieces.
        const size_t blank = bytes.find("\n\n");
        bytes = blank == std::string_view::npos ? std::string_view() : bytes.substr(blank + 1);
      }
    }
    parts.push_back(bytes);
    at = end;
  } while (at < entries.size());
  catalog = TPoCatalog();
  WriteWholeFile(path, parts);
}

std::string PoHeaderCharset(const std::string& header) {
  if (header.empty()) return "";
  std::unique_ptr<char, decltype(&std::free)> type(po_header_field(header.c_str(), "Content-Type"), &std::free);
  if (!type) return "";
  const std::string t = LowerAscii(type.get());
  const size_t at = Pos("charset=", t);
  if (at == 0) return "";
  std::string value = Copy(type.get(), static_cast<long long>(at + 8), static_cast<long long>(t.size()));
  const size_t end = value.find_first_of("; \t");
  if (end != std::string::npos) value.erase(end);
  return value;
}
