// The markup tools of the page-source editor as rules on text: each takes the selected text and
// the selection start (bytes in the editor's encoding, which it is given) and tells what
// replaces the selection and what is selected afterwards. The window applies the result to its
// editor.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "pattern/pattern_component.h"

namespace zorvik {

struct TSelectionEdit {
  std::string replacement;  // replaces the selection (inserted at the caret when it is empty)
  int selection_start = 0;
  int selection_length = 0;
};

// Marker classes by the buttons' tag numbers 0 to 9 ("ft_mk", "ft_bl", ...).
std::string_view MarkerClassOfTag(int tag);
// "strong" while the bold toggle is down, else "span".
std::string_view MarkerElementName(bool bold_down);
// Removes an element whose class attribute is empty: its first opening tag with class="" and
// then its first closing tag.
std::string RemoveEmptyClassElement(std::string text, std::string_view element, TEncoding encoding);
// Wraps the selection in an element with the marker class, or toggles the class in the class
// list that the selection already carries. Nothing without a selection.
std::optional<TSelectionEdit> ApplyMarkerClass(std::string_view selected, int start,
                                               std::string_view marker_class,
                                               std::string_view element, TEncoding encoding);

// strong / em / u / s by tag number 0 to 3.
std::string_view ElementOfTag(int tag);
TSelectionEdit WrapInElement(std::string_view selected, int start, std::string_view element,
                             TEncoding encoding);

// The two link tools: tag 0 takes the selection as the address, tag 1 as the link text. The
// result leaves the caret (selection_start, length 0) where the missing part goes. Nothing
// without a selection.
std::optional<TSelectionEdit> MakeLink(std::string_view selected, int start, int tag);

// Removes every tag from the selection (on the given pattern component), then CR LF pairs at
// both ends.
TSelectionEdit DeleteTags(std::string_view selected, int start, TSecondAWKStr& pattern);

// "$" (tag 0), or the marks of a multi-line block named by the selection (tag 1, after which
// the caret goes two rows up).
std::string DollarMarks(std::string_view selected, int tag);

// The entries of the system-command list, and what choosing one writes: a command with a blank
// after it, a macro as it is, the page skeleton for "*DefaultTemplate"; nothing for a separator.
inline constexpr std::array<std::string_view, 17> kSystemTagEntries = {
    "@Template",       "@WriteFile",       "@Import",           "@LastImport",
    "@LoopTag",        "@ItemCRLFMode",    "@HTMLCRLFMode",     "@PreviewCSS",
    "--------------",  "{$RunningFolder}", "{$TemplateFolder}", "{$TemplateFile}",
    "{$WriteFolder}",  "{$WriteFileName}", "{$DataFolder}",     "--------------",
    "*DefaultTemplate"};
std::optional<std::string> SystemTagInsertion(std::string_view entry);

// The 29-line page skeleton, each line followed by CR LF.
std::string PageSkeleton();

// "#RRGGBB" with upper-case hexadecimal digits.
std::string ColorValueText(int red, int green, int blue);

}  // namespace zorvik
