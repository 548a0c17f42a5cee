#include "pattern/re_parser.h"

#include <utility>

namespace zorvik {
namespace {

class TreeBuilder {
 public:
  explicit TreeBuilder(TEncoding encoding) { tree_.encoding = encoding; }
  int Add(TRENodeKind kind, int left = -1, int right = -1) {
    TRENode node;
    node.kind = kind;
    node.left = left;
    node.right = right;
    tree_.nodes.push_back(node);
    return static_cast<int>(tree_.nodes.size()) - 1;
  }
  int AddSet(TCodeRanges ranges) {
    tree_.sets.push_back(std::move(ranges));
    const int node = Add(TRENodeKind::kSet);
    tree_.nodes[node].set = static_cast<int>(tree_.sets.size()) - 1;
    return node;
  }
  TREParseTree Finish(int root) {
    tree_.root = root;
    return std::move(tree_);
  }

 private:
  TREParseTree tree_;
};

// An open group: the finished alternatives and the term being read.
struct Frame {
  std::vector<int> alternatives;
  int term = -1;  // -1: empty so far
};

int CloseFrame(TreeBuilder& builder, Frame& frame) {
  int node = frame.term >= 0 ? frame.term : builder.Add(TRENodeKind::kEmpty);
  for (auto it = frame.alternatives.rbegin(); it != frame.alternatives.rend(); ++it) {
    node = builder.Add(TRENodeKind::kUnion, *it, node);
  }
  return node;
}

// The node kind of a postfix operator token, kEmpty for any other token.
TRENodeKind PostfixKind(TRETokenKind kind) {
  switch (kind) {
    case TRETokenKind::kStar:
      return TRENodeKind::kStar;
    case TRETokenKind::kPlus:
      return TRENodeKind::kPlus;
    case TRETokenKind::kQuestion:
      return TRENodeKind::kQuestion;
    default:
      return TRENodeKind::kEmpty;
  }
}

}  // namespace

TREParseTree TREParser::Parse(std::string_view pattern, TEncoding encoding) {
  TREScanner scanner(pattern, encoding);
  TreeBuilder builder(encoding);
  std::vector<Frame> frames(1);
  TREToken token = scanner.Next();
  for (;;) {
    int operand = -1;
    switch (token.kind) {
      case TRETokenKind::kEnd: {
        if (frames.size() > 1) scanner.Fail(re_message::kNeedRightParen);
        const int root = CloseFrame(builder, frames.back());
        return builder.Finish(root);
      }
      case TRETokenKind::kUnion: {
        Frame& frame = frames.back();
        frame.alternatives.push_back(frame.term >= 0 ? frame.term
                                                     : builder.Add(TRENodeKind::kEmpty));
        frame.term = -1;
        token = scanner.Next();
        continue;
      }
      case TRETokenKind::kLParen:
        frames.emplace_back();
        token = scanner.Next();
        continue;
      case TRETokenKind::kRParen:
        if (frames.size() == 1) scanner.Fail(re_message::kExtraCharacters);
        operand = CloseFrame(builder, frames.back());
        frames.pop_back();
        break;
      case TRETokenKind::kStar:
      case TRETokenKind::kPlus:
      case TRETokenKind::kQuestion:
      case TRETokenKind::kRBracket:
        scanner.Fail(re_message::kNeedOperand);
      case TRETokenKind::kChar:
        operand = builder.AddSet({{token.code, token.code}});
        break;
      case TRETokenKind::kClass:
        operand = builder.AddSet(std::move(token.ranges));
        break;
      case TRETokenKind::kDot:
        operand = builder.AddSet(DotSetWithout({}, encoding));
        break;
      case TRETokenKind::kLineStart:
        operand = builder.Add(TRENodeKind::kLineStart);
        break;
      case TRETokenKind::kLineEnd:
        operand = builder.Add(TRENodeKind::kLineEnd);
        break;
    }
    if (operand < 0) throw std::logic_error(re_message::kParseTreeFatal);
    token = scanner.Next();
    if (const TRENodeKind postfix = PostfixKind(token.kind); postfix != TRENodeKind::kEmpty) {
      operand = builder.Add(postfix, operand);
      token = scanner.Next();
    }
    Frame& frame = frames.back();
    frame.term = frame.term < 0 ? operand : builder.Add(TRENodeKind::kConcat, frame.term, operand);
  }
}

}  // namespace zorvik
