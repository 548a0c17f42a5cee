// Feeds damaged settings texts to the settings store: truncated, markers missing or out of
// order, binary garbage, NUL bytes. Whatever the text, loading must not crash or hang, and a
// save of what was loaded must load again.
#include <cstdint>
#include <string>

#include "settings/settings_store.h"

namespace {

class TBox : public zorvik::TPropertyHost {
 public:
  std::string Name() const override { return "cbUserTags"; }
  std::optional<zorvik::TPropValue> GetProperty(std::string_view) const override {
    zorvik::TPropValue value;
    value.kind = zorvik::TPropKind::kString;
    value.text = text;
    return value;
  }
  bool SetProperty(std::string_view, const zorvik::TPropValue& value) override {
    text = value.text;
    return true;
  }
  std::string text;
};

class TForm : public zorvik::TBoundsTarget {
 public:
  std::string FormName() const override { return "Form1"; }
  TBounds NormalBounds() const override { return bounds; }
  void SetBounds(const TBounds& b) override { bounds = b; }
  TBounds bounds{0, 0, 640, 480};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zorvik;
  TBox plain;
  TBox scrambled;
  TZQIniFile ini("/nonexistent/zorvik.ini", "/opt/zorvik");
  ini.RegisterComponent(plain, "text", skPlain, "");
  ini.RegisterComponent(scrambled, "text", skScrambled, "secret");
  ini.LoadFromText(std::string(reinterpret_cast<const char*>(data), size));
  ini.ReadString("_USERTAGS_");
  TForm form;
  ini.RestoreFormBounds(form, false);
  ini.SaveFormBounds(form);
  ini.WriteString("_USERTAGS_", "a\r\nb");
  const std::string saved = ini.SaveToText();

  // What was saved loads again into the same values. (Component values are looked for in the
  // whole text, so garbage that holds a component's mark may stand in for them; not checked.)
  TBox plain_again;
  TBox scrambled_again;
  TZQIniFile again("/nonexistent/zorvik.ini", "/opt/zorvik");
  again.RegisterComponent(plain_again, "text", skPlain, "");
  again.RegisterComponent(scrambled_again, "text", skScrambled, "secret");
  again.LoadFromText(saved);
  TForm form_again;
  again.RestoreFormBounds(form_again, false);
  if (again.ReadString("_USERTAGS_") != "a\r\nb") __builtin_trap();
  if (form_again.bounds.left != form.bounds.left || form_again.bounds.top != form.bounds.top ||
      form_again.bounds.width != form.bounds.width ||
      form_again.bounds.height != form.bounds.height) {
    __builtin_trap();
  }
  return 0;
}
