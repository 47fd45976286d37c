// Works the game's window from outside, for the tests that run it under Wine:
// finds the window and its dialogs, reads their texts and the menu, sends
// commands and keys, and captures the client area. One command per run;
// results go to standard output as UTF-8, failures give exit code 1.

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "frontends/win32/Utf16.h"

namespace {

constexpr wchar_t GAME_CLASS[] = L"Vilmar Pintkeeper";

std::string utf8(const std::wstring& text) {
  return vilmar::win32::utf16ToUtf8(std::u16string(text.begin(), text.end()));
}

void print(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

std::wstring windowText(HWND window) {
  // WM_GETTEXT works across processes, unlike reading the control directly.
  const auto length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 2);
  const auto got = SendMessageW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
  return std::wstring(buffer.data(), static_cast<std::size_t>(got));
}

std::wstring className(HWND window) {
  wchar_t name[128] = {};
  GetClassNameW(window, name, 128);
  return name;
}

HWND findGame(DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    HWND window = FindWindowW(GAME_CLASS, nullptr);
    if (window != nullptr && IsWindowVisible(window)) return window;
    if (GetTickCount() - start >= timeoutMs) return nullptr;
    Sleep(50);
  }
}

struct DialogSearch {
  HWND owner;
  HWND found;
};

BOOL CALLBACK findDialogOf(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<DialogSearch*>(param);
  if (IsWindowVisible(window) && className(window) == L"#32770" &&
      GetWindow(window, GW_OWNER) == search->owner) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND findDialog(HWND game, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    DialogSearch search{game, nullptr};
    EnumWindows(findDialogOf, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    if (GetTickCount() - start >= timeoutMs) return nullptr;
    Sleep(50);
  }
}

BOOL CALLBACK listControl(HWND control, LPARAM) {
  const std::string line = "control\t" + std::to_string(GetDlgCtrlID(control)) + "\t" +
                           utf8(className(control)) + "\t" + utf8(windowText(control)) + "\n";
  print(line);
  return TRUE;
}

void sendKey(WORD vk, bool down) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, 0));
  input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  if (vk == VK_LEFT || vk == VK_RIGHT || vk == VK_UP || vk == VK_DOWN) {
    input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
  }
  SendInput(1, &input, sizeof(INPUT));
}

// "F1", "SPACE", "LEFT", ... or a number.
WORD keyCode(const char* name) {
  struct Named {
    const char* name;
    WORD vk;
  };
  static const Named names[] = {{"F1", VK_F1},     {"F4", VK_F4},     {"SPACE", VK_SPACE},
                                {"LEFT", VK_LEFT}, {"RIGHT", VK_RIGHT}, {"UP", VK_UP},
                                {"DOWN", VK_DOWN}, {"ALT", VK_MENU},   {"ESCAPE", VK_ESCAPE},
                                {"RETURN", VK_RETURN}};
  for (const Named& named : names) {
    if (_stricmp(name, named.name) == 0) return named.vk;
  }
  return static_cast<WORD>(std::strtol(name, nullptr, 0));
}

// Keys as "F1" (a tap: down and up at once, shorter than a game tick),
// "+ALT" (down), "-ALT" (up), "wait:MS".
void playKeys(int count, char** keys) {
  for (int i = 0; i < count; ++i) {
    const char* key = keys[i];
    if (std::strncmp(key, "wait:", 5) == 0) {
      Sleep(static_cast<DWORD>(std::strtoul(key + 5, nullptr, 10)));
    } else if (key[0] == '+') {
      sendKey(keyCode(key + 1), true);
    } else if (key[0] == '-') {
      sendKey(keyCode(key + 1), false);
    } else {
      const WORD vk = keyCode(key);
      sendKey(vk, true);
      sendKey(vk, false);
    }
  }
}

bool bringToFront(HWND window) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    SetForegroundWindow(window);
    if (GetForegroundWindow() == window) return true;
    Sleep(50);
  }
  return false;
}

// A 24-bit BMP of the window's client area, read from the screen.
bool capture(HWND window, const char* path) {
  RECT client{};
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  const int width = client.right;
  const int height = client.bottom;
  if (width <= 0 || height <= 0) return false;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as a BMP file stores it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (section == nullptr || bits == nullptr) return false;
  HGDIOBJ old = SelectObject(memory, section);
  BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
  GdiFlush();
  SelectObject(memory, old);

  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  const DWORD imageSize = stride * static_cast<DWORD>(height);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = file.bfOffBits + imageSize;
  info.bmiHeader.biSizeImage = imageSize;
  bool ok = false;
  if (FILE* out = std::fopen(path, "wb")) {
    ok = std::fwrite(&file, sizeof file, 1, out) == 1 &&
         std::fwrite(&info.bmiHeader, sizeof(BITMAPINFOHEADER), 1, out) == 1 &&
         std::fwrite(bits, 1, imageSize, out) == imageSize;
    ok = std::fclose(out) == 0 && ok;
  }
  DeleteObject(section);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

void printMenu(HMENU menu, const std::string& prefix) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
    HMENU sub = GetSubMenu(menu, i);
    if (sub != nullptr) {
      print(prefix + "popup\t" + utf8(text) + "\n");
      printMenu(sub, prefix + "\t");
    } else {
      print(prefix + "item\t" + std::to_string(GetMenuItemID(menu, i)) + "\t" + utf8(text) + "\n");
    }
  }
}

// The game's executable as data, for reading its resources.
HMODULE loadGameProgram(HWND game) {
  DWORD processId = 0;
  GetWindowThreadProcessId(game, &processId);
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (process == nullptr) return nullptr;
  wchar_t path[MAX_PATH * 2] = {};
  DWORD length = MAX_PATH * 2;
  const BOOL named = QueryFullProcessImageNameW(process, 0, path, &length);
  CloseHandle(process);
  if (!named) return nullptr;
  return LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
}

// A dialog template as the resource compiler stored it (DIALOGEX layout),
// printed with its sizes in dialog units and its styles by name, so a test
// can compare it with the layout the game's dialogs are drawn to.
class TemplateReader {
 public:
  TemplateReader(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}

  bool ok() const { return ok_; }

  std::uint16_t word() {
    std::uint16_t value = 0;
    take(&value, 2);
    return value;
  }
  std::uint32_t dword() {
    std::uint32_t value = 0;
    take(&value, 4);
    return value;
  }
  std::int16_t coordinate() { return static_cast<std::int16_t>(word()); }
  std::uint8_t byte() {
    std::uint8_t value = 0;
    take(&value, 1);
    return value;
  }
  // A string or, after 0xFFFF, a number.
  std::string nameOrNumber() {
    if (at_ + 2 <= size_ && bytes_[at_] == 0xFF && bytes_[at_ + 1] == 0xFF) {
      at_ += 2;
      std::string number(1, '#');
      number.append(std::to_string(word()));
      return number;
    }
    return text();
  }
  std::string text() {
    std::u16string value;
    for (;;) {
      const std::uint16_t unit = word();
      if (!ok_ || unit == 0) break;
      value.push_back(static_cast<char16_t>(unit));
    }
    return vilmar::win32::utf16ToUtf8(value);
  }
  void skip(std::size_t count) {
    if (count > size_ - at_) ok_ = false;
    else at_ += count;
  }
  void alignToDword() { skip((4 - (at_ % 4)) % 4); }

 private:
  void take(void* out, std::size_t count) {
    if (!ok_ || count > size_ - at_) {
      ok_ = false;
      return;
    }
    std::memcpy(out, bytes_ + at_, count);
    at_ += count;
  }

  const std::uint8_t* bytes_;
  std::size_t size_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

std::string styleNames(std::uint32_t style, std::uint32_t exStyle, const std::string& kind) {
  struct Flag {
    std::uint32_t bit;
    const char* name;
  };
  std::string names;
  auto add = [&](const char* name) {
    if (!names.empty()) names += " ";
    names += name;
  };
  if (kind == "dialog") {
    static const Flag flags[] = {{WS_POPUP, "WS_POPUP"}, {WS_CAPTION, "WS_CAPTION"},
                                 {WS_SYSMENU, "WS_SYSMENU"}, {DS_MODALFRAME, "DS_MODALFRAME"}};
    for (const Flag& f : flags) {
      if ((style & f.bit) == f.bit) add(f.name);
    }
  } else if (kind == "#128") {  // button
    switch (style & 0x0F) {
      case BS_PUSHBUTTON: add("BS_PUSHBUTTON"); break;
      case BS_DEFPUSHBUTTON: add("BS_DEFPUSHBUTTON"); break;
      case BS_GROUPBOX: add("BS_GROUPBOX"); break;
      default: add("BS_OTHER"); break;
    }
  } else if (kind == "#129") {  // edit
    static const Flag flags[] = {{ES_MULTILINE, "ES_MULTILINE"}, {ES_READONLY, "ES_READONLY"},
                                 {ES_AUTOHSCROLL, "ES_AUTOHSCROLL"}, {ES_PASSWORD, "ES_PASSWORD"},
                                 {WS_VSCROLL, "WS_VSCROLL"}, {WS_BORDER, "WS_BORDER"}};
    for (const Flag& f : flags) {
      if ((style & f.bit) == f.bit) add(f.name);
    }
  }
  if (kind != "dialog" && (style & WS_TABSTOP) != 0) add("WS_TABSTOP");
  if ((exStyle & WS_EX_CLIENTEDGE) != 0) add("WS_EX_CLIENTEDGE");
  return names;
}

bool printTemplate(HMODULE program, int id) {
  HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));  // RT_DIALOG
  if (found == nullptr) return false;
  HGLOBAL loaded = LoadResource(program, found);
  const auto* bytes = static_cast<const std::uint8_t*>(LockResource(loaded));
  const DWORD size = SizeofResource(program, found);
  if (bytes == nullptr) return false;
  TemplateReader in(bytes, size);
  if (in.word() != 1 || in.word() != 0xFFFF) {
    print("dialog " + std::to_string(id) + " is not an extended template\n");
    return false;
  }
  in.dword();  // help id
  const std::uint32_t exStyle = in.dword();
  const std::uint32_t style = in.dword();
  const int count = in.word();
  const int x = in.coordinate(), y = in.coordinate(), cx = in.coordinate(), cy = in.coordinate();
  const std::string menu = in.nameOrNumber();
  const std::string windowClass = in.nameOrNumber();
  const std::string caption = in.text();
  std::string font;
  if ((style & DS_SETFONT) != 0) {
    const int points = in.word();
    in.word();  // weight
    in.byte();  // italic
    in.byte();  // character set
    font = std::to_string(points) + " " + in.text();
  }
  print("dialog " + std::to_string(id) + " at " + std::to_string(x) + "," + std::to_string(y) +
        " size " + std::to_string(cx) + "x" + std::to_string(cy) + " caption \"" + caption +
        "\" font " + font + " style " + styleNames(style, exStyle, "dialog") + "\n");
  for (int i = 0; i < count && in.ok(); ++i) {
    in.alignToDword();
    in.dword();  // help id
    const std::uint32_t itemExStyle = in.dword();
    const std::uint32_t itemStyle = in.dword();
    const int ix = in.coordinate(), iy = in.coordinate(), icx = in.coordinate(), icy = in.coordinate();
    const auto itemId = static_cast<std::int32_t>(in.dword());
    const std::string kind = in.nameOrNumber();
    const std::string text = in.nameOrNumber();
    in.skip(in.word());  // creation data
    const char* kindName = kind == "#128" ? "button" : kind == "#129" ? "edit" : kind.c_str();
    print("  " + std::to_string(itemId) + " " + kindName + " \"" + text + "\" " +
          std::to_string(ix) + "," + std::to_string(iy) + "," + std::to_string(icx) + "," +
          std::to_string(icy) + " " + styleNames(itemStyle, itemExStyle, kind) + "\n");
  }
  if (!in.ok()) print("dialog " + std::to_string(id) + " is cut short\n");
  return in.ok();
}

INT_PTR CALLBACK quietBox(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// Builds the program's dialog template here, hidden, in the font it names,
// puts text into one of its edits and measures it against the edit's text
// area: once as the system lays out text in that font (word-wrapped for a
// multi-line edit), once where the edit itself places the last character.
// Prints the sizes; true when the whole text fits.
bool textFits(HMODULE program, int templateId, int controlId, const std::string& text) {
  HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(templateId), MAKEINTRESOURCEW(5));  // RT_DIALOG
  HGLOBAL loaded = found != nullptr ? LoadResource(program, found) : nullptr;
  const auto* layout = loaded != nullptr ? static_cast<LPCDLGTEMPLATEW>(LockResource(loaded)) : nullptr;
  if (layout == nullptr) {
    print("no dialog " + std::to_string(templateId) + "\n");
    return false;
  }
  HWND box = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), layout, nullptr, quietBox, 0);
  HWND edit = box != nullptr ? GetDlgItem(box, controlId) : nullptr;
  if (edit == nullptr) {
    print("no control " + std::to_string(controlId) + "\n");
    if (box != nullptr) DestroyWindow(box);
    return false;
  }
  const std::u16string text16 = vilmar::win32::utf8ToUtf16(text);
  const std::wstring wide(text16.begin(), text16.end());
  SetWindowTextW(edit, wide.c_str());

  RECT area{};
  SendMessageW(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&area));
  const LONG areaWidth = area.right - area.left;
  const LONG areaHeight = area.bottom - area.top;
  const bool multiLine = (GetWindowLongW(edit, GWL_STYLE) & ES_MULTILINE) != 0;
  HDC dc = GetDC(edit);
  HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0)));
  RECT need{0, 0, areaWidth, 0};
  DrawTextW(dc, wide.c_str(), -1, &need,
            DT_CALCRECT | DT_NOPREFIX | DT_EDITCONTROL | (multiLine ? DT_WORDBREAK : DT_SINGLELINE));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SIZE last{};
  if (!wide.empty()) GetTextExtentPoint32W(dc, &wide.back(), 1, &last);
  SelectObject(dc, oldFont);
  ReleaseDC(edit, dc);

  bool lastShows = wide.empty();
  if (!wide.empty()) {
    const LRESULT at = SendMessageW(edit, EM_POSFROMCHAR, wide.size() - 1, 0);
    const auto x = static_cast<short>(LOWORD(at));
    const auto y = static_cast<short>(HIWORD(at));
    lastShows = at != -1 && x >= area.left && x + last.cx <= area.right && y >= area.top &&
                y + metrics.tmHeight <= area.bottom;
  }
  const LRESULT lines = multiLine ? SendMessageW(edit, EM_GETLINECOUNT, 0, 0) : 1;
  DestroyWindow(box);

  const bool fits = need.right - need.left <= areaWidth && need.bottom - need.top <= areaHeight && lastShows;
  print("text\t" + std::to_string(need.right - need.left) + "x" + std::to_string(need.bottom - need.top) +
        "\tarea\t" + std::to_string(areaWidth) + "x" + std::to_string(areaHeight) + "\tlines\t" +
        std::to_string(lines) + "\tlast character " + (lastShows ? "shows" : "is cut off") + "\n");
  return fits;
}

LRESULT CALLBACK coverProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

int usage() {
  print(
      "usage: vilmar-windriver COMMAND\n"
      "  find [MS]          wait for the game window; print its size\n"
      "  menu               print the menu of the game window\n"
      "  templates ID...    print the program's dialog templates\n"
      "  fits TEMPLATE ID TEXT  lay out a template here; exit 0 if TEXT fits edit ID\n"
      "  focus              print the id of the control with the keyboard focus\n"
      "  command ID         send a menu command\n"
      "  dialog [MS]        wait for a dialog of the game; print its caption and controls\n"
      "  nodialog           exit 0 if no dialog of the game is open\n"
      "  settext ID TEXT    type a text into an edit of the open dialog\n"
      "  click ID           press a button of the open dialog\n"
      "  front              make the game window the foreground window\n"
      "  keys KEY...        send keys to the foreground window (F1, +ALT, -ALT, wait:MS)\n"
      "  cover MS KEY...    put a window of our own in front, send keys, keep it MS ms\n"
      "  capture FILE.bmp   the client area as a picture\n"
      "  text ID            print the text of a control of the open dialog\n"
      "  close              close the game window as its close box does\n"
      "  endtask            ask the game window to close, as a task manager does\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc < 2) return usage();
  const std::string command = argv[1];
  const DWORD wait = argc > 2 ? static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)) : 10000;

  HWND game = findGame(command == "find" ? wait : 10000);
  if (game == nullptr) {
    print("no game window\n");
    return 1;
  }

  if (command == "find") {
    RECT client{};
    RECT outer{};
    GetClientRect(game, &client);
    GetWindowRect(game, &outer);
    print("title\t" + utf8(windowText(game)) + "\n");
    print("client\t" + std::to_string(client.right) + "x" + std::to_string(client.bottom) + "\n");
    print("outer\t" + std::to_string(outer.right - outer.left) + "x" +
          std::to_string(outer.bottom - outer.top) + "\n");
    print("position\t" + std::to_string(outer.left) + "," + std::to_string(outer.top) + "\n");
    POINT origin{0, 0};
    ClientToScreen(game, &origin);
    print("origin\t" + std::to_string(origin.x) + "," + std::to_string(origin.y) + "\n");
    return 0;
  }
  if (command == "menu") {
    // Menus cannot be read across processes under Wine, so the window's menu
    // is only checked to be there and the items are read from the program's
    // own menu resource, which is what the window was given.
    if (GetMenu(game) == nullptr) {
      print("the window has no menu\n");
      return 1;
    }
    HMODULE program = loadGameProgram(game);
    HMENU menu = program != nullptr ? LoadMenuW(program, MAKEINTRESOURCEW(128)) : nullptr;
    if (menu == nullptr) {
      print("no menu 128 in the program\n");
      return 1;
    }
    printMenu(menu, "");
    return 0;
  }
  if (command == "templates") {
    HMODULE program = loadGameProgram(game);
    if (program == nullptr) return 1;
    bool ok = true;
    for (int i = 2; i < argc; ++i) ok = printTemplate(program, std::atoi(argv[i])) && ok;
    return ok ? 0 : 1;
  }
  if (command == "fits" && argc > 4) {
    HMODULE program = loadGameProgram(game);
    if (program == nullptr) return 1;
    return textFits(program, std::atoi(argv[2]), std::atoi(argv[3]), argv[4]) ? 0 : 1;
  }
  if (command == "focus") {
    // The focus of the game's thread, whichever of its windows has it.
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(game, nullptr), &info) || info.hwndFocus == nullptr) {
      print("none\n");
      return 1;
    }
    print(std::to_string(GetDlgCtrlID(info.hwndFocus)) + "\n");
    return 0;
  }
  if (command == "command" && argc > 2) {
    return PostMessageW(game, WM_COMMAND, static_cast<WPARAM>(std::strtoul(argv[2], nullptr, 10)), 0) ? 0 : 1;
  }
  if (command == "dialog" || command == "nodialog") {
    HWND dialog = findDialog(game, command == "dialog" ? wait : 0);
    if (command == "nodialog") return dialog == nullptr ? 0 : 1;
    if (dialog == nullptr) {
      print("no dialog\n");
      return 1;
    }
    print("caption\t" + utf8(windowText(dialog)) + "\n");
    EnumChildWindows(dialog, listControl, 0);
    return 0;
  }
  if (command == "text" && argc > 2) {
    HWND dialog = findDialog(game, 5000);
    if (dialog == nullptr) return 1;
    HWND control = GetDlgItem(dialog, std::atoi(argv[2]));
    if (control == nullptr) return 1;
    print(utf8(windowText(control)));
    return 0;
  }
  if (command == "settext" && argc > 3) {
    HWND dialog = findDialog(game, 5000);
    HWND control = dialog != nullptr ? GetDlgItem(dialog, std::atoi(argv[2])) : nullptr;
    if (control == nullptr) return 1;
    const std::u16string text = vilmar::win32::utf8ToUtf16(argv[3]);
    const std::wstring wide(text.begin(), text.end());
    SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    return 0;
  }
  if (command == "click" && argc > 2) {
    HWND dialog = findDialog(game, 5000);
    if (dialog == nullptr) return 1;
    const int id = std::atoi(argv[2]);
    HWND button = GetDlgItem(dialog, id);
    return PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                        reinterpret_cast<LPARAM>(button))
               ? 0
               : 1;
  }
  if (command == "front") return bringToFront(game) ? 0 : 1;
  if (command == "keys") {
    playKeys(argc - 2, argv + 2);
    return 0;
  }
  if (command == "cover" && argc > 2) {
    WNDCLASSW cls{};
    cls.lpfnWndProc = coverProcedure;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"VilmarTestCover";
    cls.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    RegisterClassW(&cls);
    HWND cover = CreateWindowExW(0, cls.lpszClassName, L"Another program", WS_OVERLAPPEDWINDOW,
                                 500, 420, 300, 200, nullptr, nullptr, cls.hInstance, nullptr);
    ShowWindow(cover, SW_SHOW);
    const bool front = bringToFront(cover);
    print(std::string("cover in front\t") + (front ? "yes" : "no") + "\n");
    playKeys(argc - 3, argv + 3);
    const DWORD start = GetTickCount();
    MSG message{};
    while (GetTickCount() - start < wait) {
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
      Sleep(10);
    }
    DestroyWindow(cover);
    return front ? 0 : 1;
  }
  if (command == "capture" && argc > 2) return capture(game, argv[2]) ? 0 : 1;
  if (command == "close") return PostMessageW(game, WM_SYSCOMMAND, SC_CLOSE, 0) ? 0 : 1;
  if (command == "endtask") return PostMessageW(game, WM_CLOSE, 0, 0) ? 0 : 1;
  return usage();
}
