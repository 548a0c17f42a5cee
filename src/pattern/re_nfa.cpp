#include "pattern/re_nfa.h"

#include <stdexcept>
#include <utility>

namespace zorvik {
namespace {

// A piece of the program under construction: its entry and the dangling exits to patch.
// An exit is instruction * 2 + (0 for out, 1 for out1).
struct Fragment {
  int start = -1;
  std::vector<int> exits;
};

class Builder {
 public:
  explicit Builder(std::vector<TREInstruction>& program) : program_(program) {}

  int Emit(TREInstruction::Op op, int set = -1) {
    TREInstruction inst;
    inst.op = op;
    inst.set = set;
    program_.push_back(inst);
    return static_cast<int>(program_.size()) - 1;
  }
  void Patch(const std::vector<int>& exits, int target) {
    for (int exit : exits)
      (exit % 2 == 0 ? program_[exit / 2].out : program_[exit / 2].out1) = target;
  }
  // A single instruction whose out is left dangling.
  Fragment Single(TREInstruction::Op op, int set = -1) {
    const int inst = Emit(op, set);
    return {inst, {inst * 2}};
  }

 private:
  std::vector<TREInstruction>& program_;
};

void Append(std::vector<int>& to, std::vector<int>&& from) {
  to.insert(to.end(), from.begin(), from.end());
}

}  // namespace

TRE_NFA::TRE_NFA(TREParseTree tree) : sets_(std::move(tree.sets)), encoding_(tree.encoding) {
  Builder b(program_);
  std::vector<Fragment> frags(tree.nodes.size());
  // Children precede their parents, so one pass in index order builds every fragment.
  for (std::size_t i = 0; i < tree.nodes.size(); ++i) {
    const TRENode& node = tree.nodes[i];
    Fragment f;
    switch (node.kind) {
      case TRENodeKind::kEmpty:
        f = b.Single(TREInstruction::kNop);
        break;
      case TRENodeKind::kSet:
        f = b.Single(TREInstruction::kChar, node.set);
        break;
      case TRENodeKind::kLineStart:
        f = b.Single(TREInstruction::kLineStart);
        has_line_start_ = true;
        break;
      case TRENodeKind::kLineEnd:
        f = b.Single(TREInstruction::kLineEnd);
        break;
      case TRENodeKind::kConcat: {
        Fragment& x = frags[node.left];
        Fragment& y = frags[node.right];
        b.Patch(x.exits, y.start);
        f = {x.start, std::move(y.exits)};
        break;
      }
      case TRENodeKind::kUnion: {
        Fragment& x = frags[node.left];
        Fragment& y = frags[node.right];
        const int split = b.Emit(TREInstruction::kSplit);
        program_[split].out = x.start;
        program_[split].out1 = y.start;
        f = {split, std::move(x.exits)};
        Append(f.exits, std::move(y.exits));
        break;
      }
      case TRENodeKind::kStar:
      case TRENodeKind::kPlus: {
        // x* loops through a split before x; x+ enters x first and loops through the split after.
        Fragment& x = frags[node.left];
        const int split = b.Emit(TREInstruction::kSplit);
        program_[split].out = x.start;
        b.Patch(x.exits, split);
        f = {node.kind == TRENodeKind::kStar ? split : x.start, {split * 2 + 1}};
        break;
      }
      case TRENodeKind::kQuestion: {
        Fragment& x = frags[node.left];
        const int split = b.Emit(TREInstruction::kSplit);
        program_[split].out = x.start;
        f = {split, std::move(x.exits)};
        f.exits.push_back(split * 2 + 1);
        break;
      }
    }
    frags[i] = std::move(f);
  }
  if (tree.root < 0 || static_cast<std::size_t>(tree.root) >= frags.size()) {
    throw std::logic_error(re_message::kNfaFatal);
  }
  const int match = b.Emit(TREInstruction::kMatch);
  b.Patch(frags[tree.root].exits, match);
  start_ = frags[tree.root].start;
  delimited_ = DelimitedShape(tree.nodes, tree.root, sets_);
}

}  // namespace zorvik
