#include "engine/tag_fill.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_map>

#include "engine/messages.h"
#include "text/replace_text.h"
#include "text/sjis.h"

namespace zorvik {
namespace {

// A "{...}" at character starts: [at, end). key: the tag name in lower case, as an index into
// TKeys, or -1 when the braces hold no "$name".
struct TPair {
  std::size_t at;
  std::size_t end;
  int key;
};

// Tag names met so far, each with how many of its tags the text holds now and which lines
// filled them.
class TKeys {
 public:
  // The id of a name, letter case ignored.
  int Intern(std::string_view name) {
    lower_.assign(name);
    AsciiLowerCaseInPlace(lower_);
    const auto found = ids_.find(lower_);
    if (found != ids_.end()) return found->second;
    live_.push_back(0);
    filled_by_.emplace_back();
    return ids_.emplace(lower_, static_cast<int>(live_.size()) - 1).first->second;
  }
  std::uint64_t& Live(int key) { return live_[key]; }
  void FilledBy(int key, int line) { filled_by_[key].push_back(line); }
  // The first line after `after` that filled tags of this name, or -1.
  int FirstFillAfter(int key, int after) const {
    const std::vector<int>& lines = filled_by_[key];
    const auto it = std::upper_bound(lines.begin(), lines.end(), after);
    return it == lines.end() ? -1 : *it;
  }

 private:
  std::unordered_map<std::string, int> ids_;
  std::string lower_;
  std::vector<std::uint64_t> live_;
  std::vector<std::vector<int>> filled_by_;
};

// Collects the brace pairs of a text read on its own. False when the braces at character starts
// do not alternate "{" "}" "{" "}" ..., or the text ends with a lead byte standing alone: with
// such a text, filling a tag could join its neighbours into a new tag or pair a lead byte with
// the byte after it.
bool CollectPairs(std::string_view text, TKeys& keys, std::vector<TPair>& pairs,
                  TEncoding encoding) {
  const char* data = text.data();
  const std::size_t size = text.size();
  auto next = [&](char c, std::size_t from) {
    const void* at = from < size ? std::memchr(data + from, c, size - from) : nullptr;
    return at != nullptr ? static_cast<std::size_t>(static_cast<const char*>(at) - data) : size;
  };
  std::size_t next_open = next('{', 0);
  std::size_t next_close = next('}', 0);
  std::size_t boundary = 0;  // known to start a character
  std::size_t open = std::string_view::npos;
  while (next_open < size || next_close < size) {
    const bool is_open = next_open < next_close;
    const std::size_t at = is_open ? next_open : next_close;
    (is_open ? next_open : next_close) = next(is_open ? '{' : '}', at + 1);
    const bool starts_char = IsCharStartFrom(text, boundary, at, encoding);
    boundary = starts_char ? at : at + 1;
    if (!starts_char) continue;
    if (is_open) {
      if (open != std::string_view::npos) return false;
      open = at;
      continue;
    }
    if (open == std::string_view::npos) return false;
    int key = -1;
    if (at > open + 1 && data[open + 1] == '$') {
      key = keys.Intern(text.substr(open + 2, at - open - 2));
    }
    pairs.push_back({open, at + 1, key});
    open = std::string_view::npos;
  }
  if (open != std::string_view::npos) return false;
  // (A UTF-8 character never takes the byte after it.)
  const bool ends_with_lead = encoding == TEncoding::kCp932 && size > 0 && boundary < size &&
                              IsLeadByte(static_cast<unsigned char>(data[size - 1])) &&
                              IsCharStartFrom(text, boundary, size - 1);
  return !ends_with_lead;
}

// A piece of text being copied out: its pairs, how far it has been copied, and the line whose
// value it is (-1 for the working text), which decides which later lines fill its tags.
struct TPiece {
  std::string_view text;
  const std::vector<TPair>* pairs;
  std::size_t next_pair;
  std::size_t copied;
  int owner;
};

}  // namespace

bool FillTagsInOnePass(std::string& text, const std::vector<TFillLine>& lines, std::size_t max_size,
                       const std::function<void(const TFillLine&)>& report, TEncoding encoding) {
  TKeys keys;
  std::vector<TPair> text_pairs;
  if (!CollectPairs(text, keys, text_pairs, encoding)) return false;
  std::vector<int> line_keys(lines.size(), -1);
  std::vector<std::vector<TPair>> value_pairs(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!lines[i].error.empty()) continue;
    // The tag read on its own must be exactly one pair, so that it can only match a pair.
    std::vector<TPair> tag;
    if (!CollectPairs("{$" + lines[i].name + "}", keys, tag, encoding) || tag.size() != 1 ||
        tag[0].key < 0) {
      return false;
    }
    line_keys[i] = tag[0].key;
    if (!CollectPairs(lines[i].value, keys, value_pairs[i], encoding)) return false;
  }

  // The lines in order, counting tags instead of filling them: a line fills every tag of its
  // name that the text holds, and each copy of its value brings that value's tags.
  for (const TPair& pair : text_pairs) {
    if (pair.key >= 0) ++keys.Live(pair.key);
  }
  std::size_t size = text.size();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const TFillLine& line = lines[i];
    if (!line.error.empty()) {
      report(line);
      continue;
    }
    const std::size_t count = keys.Live(line_keys[i]);
    if (count == 0) continue;
    // The size check of a replacement, to the byte.
    const std::size_t tag_size = line.name.size() + 3;
    const std::size_t new_size = size - count * tag_size + count * line.value.size();
    if (new_size > max_size || (line.value.size() > tag_size && new_size < size)) {
      report(line);
      continue;
    }
    size = new_size;
    keys.Live(line_keys[i]) = 0;
    keys.FilledBy(line_keys[i], static_cast<int>(i));
    for (const TPair& pair : value_pairs[i]) {
      if (pair.key >= 0) keys.Live(pair.key) += count;
    }
  }

  // The text, each filled tag replaced by its line's value with that value's own tags filled.
  std::string result;
  result.reserve(size);
  std::vector<TPiece> pieces{{text, &text_pairs, 0, 0, -1}};
  while (!pieces.empty()) {
    TPiece& piece = pieces.back();
    if (piece.next_pair == piece.pairs->size()) {
      result.append(piece.text.substr(piece.copied));
      pieces.pop_back();
      continue;
    }
    const TPair& pair = (*piece.pairs)[piece.next_pair++];
    const int filler = pair.key < 0 ? -1 : keys.FirstFillAfter(pair.key, piece.owner);
    if (filler < 0) continue;
    result.append(piece.text.substr(piece.copied, pair.at - piece.copied));
    piece.copied = pair.end;
    pieces.push_back({lines[filler].value, &value_pairs[filler], 0, 0, filler});
  }
  text = std::move(result);
  return true;
}

bool FillTagsInOnePass(TEngineContext& context, const std::vector<TFillLine>& lines) {
  return FillTagsInOnePass(
      context.state.WorkingText, lines, context.max_working_text,
      [&](const TFillLine& line) {
        LogError(context,
                 !line.error.empty() ? line.error
                                     : LineMessage(engine_message::kValueTooLarge, line.line,
                                                   ForLog(context, line.name)),
                 line.line);
      },
      context.state.PageEncoding);
}

}  // namespace zorvik
