#include "frontends/web/DialogPage.h"

#include "frontends/web/WebText.h"

namespace vilmar::web {

namespace {

class PageView final : public DialogView {
 public:
  explicit PageView(DialogPage& page) : page_(page) {}
  void setCaption(std::string_view text) override { page_.setCaption(text); }
  void setItemText(int id, std::string_view text) override { page_.setItemText(id, text); }
  std::string itemText(int id, std::size_t maxChars) override { return firstChars(page_.itemText(id), maxChars); }
  void end() override { ended = true; }
  void focus(int id) override { page_.focus(id); }
  bool ended = false;

 private:
  DialogPage& page_;
};

}  // namespace

void runDialogOnPage(Dialog& dialog, DialogPage& page) {
  PageView view(page);
  page.open(dialog.templateId());
  dialog.init(view);
  while (!view.ended) {
    const int id = page.waitCommand();
    if (id == 0) break;  // the page is going away
    dialog.command(id, view);
  }
  page.close();
}

}  // namespace vilmar::web
