// Converting a site from one page encoding to the other without losing a character: each file
// converted (a character the target cannot hold refused, or written as a reference when asked),
// charset declarations renamed, and the pages built before and after compared as text.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/encoding.h"
#include "text/sha256.h"
#include "text/text_file.h"
#include "text/utf8.h"

namespace zorvik {

// A file whose bytes change. Its new content is not kept: it is made again from the file
// when needed (ConvertAgain), so that a site of any size converts in little memory.
struct TConvertedFile {
  std::string path;  // on disk
  TEncoding from = TEncoding::kCp932;
  TEncoding to = TEncoding::kUtf8;
  std::size_t declarations = 0;  // charset declarations renamed
  TFileIdentity read;            // the file as it was read
  std::string original_digest;   // and the SHA-256 of its bytes then
};

// The bytes of the regular file at path, and which file was read; nothing when it cannot be
// read (or is no regular file), with errno saying why.
std::optional<std::string> ReadFileBytes(const std::string& path, TFileIdentity& identity);

// What stops a conversion, at a line of a file (counted from 1) or of a page.
struct TConversionProblem {
  std::string path;
  int line = 0;
  std::string message;  // in English
};

struct TConversionPlan {
  std::vector<TConvertedFile> changes;       // the files whose bytes change
  std::vector<TConversionProblem> problems;  // nothing may be written while there is any
  std::vector<TConversionProblem> folded;    // with fold: each character taken in its other form
  bool foldable = false;  // a problem is a character --fold would take in its other form
};

// What a file that is no longer the one read is told.
extern const char* const kChangedSinceRead;

// The file's new content, converted again from its bytes now; nothing when it cannot be read
// or is no longer the file that was read (another file, or other bytes), with *err saying
// which ("cannot be read: Permission denied", "changed since it was read; …").
std::optional<std::string> ConvertAgain(const TConvertedFile& file, std::string* err);

// The files of a plan's changes as they read converted, for the second build of the proof:
// each converted as it is read, as it is then (the writer refuses it later if it is not the
// file planned), and the last few kept, since a template is read again for every page.
class TConvertedReads {
 public:
  explicit TConvertedReads(const std::vector<TConvertedFile>& changes);
  // The file at a normalised path, converted; nothing for a file the plan does not change.
  std::optional<std::string> Read(const std::string& path);

 private:
  std::map<std::string, const TConvertedFile*> changes_;
  std::vector<std::pair<std::string, std::string>> recent_;  // newest last
};

// A file's bytes in `to`, from its own encoding, with its charset declarations renamed unless
// it is a page source or group file (by its name: .dat, .txt, .gro); what cannot convert
// becomes a reference or U+FFFD, each place added to unmappable when given.
std::string ConvertedFileBytes(std::string_view bytes, std::string_view name, TEncoding to,
                               std::vector<TUnmappable>* unmappable = nullptr,
                               std::size_t* declarations = nullptr);

// A Shift-JIS character that would not come back as its own bytes: one of two codes that stand
// for the same character (NEC's and IBM's extensions), which comes back as the other.
struct TTwoFormCharacter {
  std::size_t offset = 0;  // in the text
  int line = 0;            // counted from 1
  std::string bytes;       // as written
  std::string back;        // as it would come back
  std::string utf8;        // the character
  char32_t code = 0;
};

// Every such character of a Shift-JIS text, in order.
std::vector<TTwoFormCharacter> TwoFormCharacters(std::string_view cp932);

// files: the site's page sources, templates, imports and group files. With references, a
// character Shift-JIS cannot hold becomes "&#x…;"; without, it is a problem. Every Shift-JIS
// character that would come back as other bytes is a problem, each named, unless fold: then
// it is taken in the form that comes back (its text is the same) and listed in folded. The
// declarations of files other than page sources and group files (.dat, .txt, .gro) are renamed.
TConversionPlan PlanConversion(const std::vector<std::string>& files, TEncoding to, bool references,
                               bool fold = false);

// The first place where two builds' pages differ as text (each page decoded from its own
// encoding, charset names left out); nothing when every page agrees.
// (The builds: GenerateGroupInMemory's pages.)
using TPages = std::vector<std::pair<std::string, std::string>>;
std::optional<TConversionProblem> ComparePages(const TPages& before, const TPages& after);

// What the proof keeps of a build instead of its pages: each page's text as a digest (SHA-256),
// in the order the pages were made. A page made twice counts as it was made last.
class TPageDigests {
 public:
  void Add(const std::string& path, std::string_view bytes);
  // The first page of before, in its order, that after does not make or makes with another
  // text; nothing when every page agrees.
  friend std::optional<std::string> FirstChangedPage(const TPageDigests& before,
                                                     const TPageDigests& after);

 private:
  std::map<std::string, TSha256> digests_;
  std::vector<const std::string*> order_;  // the keys of digests_, as first made
};

}  // namespace zorvik
