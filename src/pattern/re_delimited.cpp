#include "pattern/re_delimited.h"

#include <cstdint>

namespace zorvik {
namespace {

// The one code of a set, or -1 when it holds more or fewer than one.
std::int64_t SingleCode(const TCodeRanges& set) {
  return set.size() == 1 && set[0].first == set[0].second ? set[0].first : -1;
}

bool IsOneByteLiteral(std::int64_t code) { return code > 0 && code < 0x80; }

}  // namespace

std::optional<TREDelimited> DelimitedShape(const std::vector<TRENode>& nodes, int root,
                                           const std::vector<TCodeRanges>& sets) {
  // The factors of the top concatenation, in order, without the empty ones.
  std::vector<int> factors;
  std::vector<int> stack{root};
  while (!stack.empty()) {
    const int index = stack.back();
    stack.pop_back();
    const TRENode& node = nodes[index];
    if (node.kind == TRENodeKind::kConcat) {
      stack.push_back(node.right);
      stack.push_back(node.left);
    } else if (node.kind != TRENodeKind::kEmpty) {
      factors.push_back(index);
    }
  }
  if (factors.size() < 3) return std::nullopt;
  TREDelimited shape;
  for (std::size_t i = 0; i + 2 < factors.size(); ++i) {
    const TRENode& node = nodes[factors[i]];
    if (node.kind != TRENodeKind::kSet) return std::nullopt;
    const std::int64_t code = SingleCode(sets[node.set]);
    if (!IsOneByteLiteral(code)) return std::nullopt;
    shape.prefix += static_cast<char>(code);
  }
  const TRENode& star = nodes[factors[factors.size() - 2]];
  if (star.kind != TRENodeKind::kStar || nodes[star.left].kind != TRENodeKind::kSet) {
    return std::nullopt;
  }
  shape.set = nodes[star.left].set;
  const TRENode& last = nodes[factors.back()];
  if (last.kind != TRENodeKind::kSet) return std::nullopt;
  const std::int64_t code = SingleCode(sets[last.set]);
  if (!IsOneByteLiteral(code) || RangesContain(sets[shape.set], static_cast<std::uint32_t>(code))) {
    return std::nullopt;
  }
  shape.last = static_cast<unsigned char>(code);
  return shape;
}

}  // namespace zorvik
