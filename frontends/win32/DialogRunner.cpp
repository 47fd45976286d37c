#include "frontends/win32/DialogRunner.h"

#include <string>
#include <vector>

#include "frontends/win32/Utf16.h"
#include "frontends/win32/WideText.h"

namespace vilmar::win32 {

namespace {

class BoxView final : public DialogView {
 public:
  explicit BoxView(Dialog& dialog) : dialog_(dialog) {}

  void attach(HWND box) { box_ = box; }

  void setCaption(std::string_view text) override {
    SetWindowTextW(box_, toWide(text).c_str());
  }

  void setItemText(int id, std::string_view text) override {
    SetDlgItemTextW(box_, id, toWide(text).c_str());
  }

  std::string itemText(int id, std::size_t maxChars) override {
    HWND item = GetDlgItem(box_, id);
    if (item == nullptr) return {};
    const int length = GetWindowTextLengthW(item);
    if (length <= 0) return {};
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
    const int got = GetWindowTextW(item, buffer.data(), static_cast<int>(buffer.size()));
    if (got <= 0) return {};
    const std::u16string text = fromWide(std::wstring_view(buffer.data(), static_cast<std::size_t>(got)));
    return utf16ToUtf8(firstChars(text, maxChars));
  }

  void end() override { ended_ = true; }

  void focus(int id) override {
    HWND item = GetDlgItem(box_, id);
    if (item == nullptr) return;
    if (initialising_) {
      // During WM_INITDIALOG the box takes the focus from our answer; the
      // text is selected, so typing replaces a remembered entry.
      SetFocus(item);
      SendMessageW(item, EM_SETSEL, 0, -1);
      focusSet_ = true;
    } else {
      // As the dialog manager moves it: the default button and the edit's
      // selection follow.
      SendMessageW(box_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item), TRUE);
    }
  }

  // Runs the behaviour's init; true when it chose the focus itself.
  bool init() {
    initialising_ = true;
    dialog_.init(*this);
    initialising_ = false;
    return focusSet_;
  }

  // Ends the box once the behaviour has asked for it and has returned.
  void finishIfEnded() {
    if (ended_) EndDialog(box_, 0);
  }

  Dialog& dialog() { return dialog_; }

 private:
  HWND box_ = nullptr;
  Dialog& dialog_;
  bool ended_ = false;
  bool initialising_ = false;
  bool focusSet_ = false;
};

INT_PTR CALLBACK boxProcedure(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* view = reinterpret_cast<BoxView*>(lParam);
    view->attach(box);
    SetWindowLongPtrW(box, DWLP_USER, reinterpret_cast<LONG_PTR>(view));
    const bool focused = view->init();
    view->finishIfEnded();
    return focused ? FALSE : TRUE;  // TRUE: the default focus, the first tab stop
  }
  auto* view = reinterpret_cast<BoxView*>(GetWindowLongPtrW(box, DWLP_USER));
  if (view == nullptr) return FALSE;
  switch (message) {
    case WM_COMMAND:
      view->dialog().command(LOWORD(wParam), *view);
      view->finishIfEnded();
      return TRUE;
    case WM_CTLCOLORSTATIC:
      // The information text: black on white in a light grey box.
      if (view->dialog().templateId() == DIALOG_INFO &&
          GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == ID_TEXT) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
        return reinterpret_cast<INT_PTR>(GetStockObject(LTGRAY_BRUSH));
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void runDialogBox(HINSTANCE instance, HWND owner, Dialog& dialog) {
  BoxView view(dialog);
  DialogBoxParamW(instance, MAKEINTRESOURCEW(dialog.templateId()), owner, boxProcedure,
                  reinterpret_cast<LPARAM>(&view));
}

}  // namespace vilmar::win32
