// The Windows program: one fixed-size window with the game's menu, and the
// main loop that runs one pass of the game and then handles at most one
// window message. Everything the game decides is in App; this file only
// translates between it and Windows.

#include <windows.h>
#include <mmsystem.h>

#include "app/App.h"
#include "frontends/win32/ResourceIds.h"
#include "frontends/win32/WindowsPlatform.h"
#include "platform/FrameSize.h"

namespace {

constexpr wchar_t WINDOW_CLASS[] = L"Vilmar Pintkeeper";
constexpr wchar_t WINDOW_TITLE[] = L"Vilmar Pintkeeper";
constexpr DWORD WINDOW_STYLE = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
using vilmar::FRAME_WIDTH;
using vilmar::FRAME_HEIGHT;

struct Program {
  vilmar::win32::WindowsPlatform* platform = nullptr;
  vilmar::App* app = nullptr;
  bool insidePass = false;     // App::pass() is running (a dialog may be open)
  bool closeDeferred = false;  // asked to close while inside a pass
};

Program program;

// Ends the game and the loop. Never while App::pass() is on the stack: a
// close that arrives from inside a dialog waits until the pass is over.
void endProgram(HWND window) {
  if (program.insidePass) {
    program.closeDeferred = true;
    return;
  }
  DestroyWindow(window);
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      // The game draws whenever a tick renders; a repaint shows its last frame.
      PAINTSTRUCT paint{};
      HDC dc = BeginPaint(window, &paint);
      if (program.platform != nullptr) program.platform->paint(dc);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_QUERYNEWPALETTE:
      if (program.platform != nullptr) program.platform->paletteChanged();
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_PALETTECHANGED:
      return 0;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (program.app == nullptr || program.app->quitting()) return 0;
      if (id == vilmar::win32::MENU_QUIT && program.insidePass) {
        endProgram(window);  // waits for the end of the pass
        return 0;
      }
      program.app->menuCommand(id);
      if (program.app->quitting()) DestroyWindow(window);
      return 0;
    }
    case WM_CLOSE:
      endProgram(window);
      return 0;
    case WM_DESTROY:
      if (program.app != nullptr && !program.app->quitting()) program.app->quitProgram();
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

// The outer size that gives the frame's 424 x 300 client area under the
// system's border, caption and menu sizes (430 x 344 with the classic ones).
SIZE windowSizeForFrame() {
  RECT rect{0, 0, FRAME_WIDTH, FRAME_HEIGHT};
  if (!AdjustWindowRectEx(&rect, WINDOW_STYLE, TRUE, 0)) return SIZE{430, 344};
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

// If the menu bar wrapped or the metrics were off, grow the window until the
// client area holds the whole frame.
void fitClientToFrame(HWND window) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    RECT client{};
    RECT outer{};
    GetClientRect(window, &client);
    GetWindowRect(window, &outer);
    const int dx = FRAME_WIDTH - client.right;
    const int dy = FRAME_HEIGHT - client.bottom;
    if (dx == 0 && dy == 0) return;
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left + dx,
                 outer.bottom - outer.top + dy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

// The game waits for its ticks with Sleep; a 1 ms timer period makes those
// waits short and even while the game runs, and is given back on exit.
class TimerPeriod {
 public:
  TimerPeriod() : active_(timeBeginPeriod(1) == TIMERR_NOERROR) {}
  ~TimerPeriod() {
    if (active_) timeEndPeriod(1);
  }
  TimerPeriod(const TimerPeriod&) = delete;
  TimerPeriod& operator=(const TimerPeriod&) = delete;

 private:
  bool active_;
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  vilmar::win32::WindowsPlatform platform(instance);
  // The first world, with all its pictures, is built before the window.
  vilmar::App app(platform);
  program.platform = &platform;
  program.app = &app;

  WNDCLASSW windowClass{};
  windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
  windowClass.lpfnWndProc = windowProcedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszMenuName = MAKEINTRESOURCEW(vilmar::win32::MENU_MAIN);
  windowClass.lpszClassName = WINDOW_CLASS;
  RegisterClassW(&windowClass);

  const SIZE size = windowSizeForFrame();
  HWND window = CreateWindowExW(0, WINDOW_CLASS, WINDOW_TITLE, WINDOW_STYLE, CW_USEDEFAULT,
                                CW_USEDEFAULT, size.cx, size.cy, nullptr, nullptr, instance,
                                nullptr);
  if (window == nullptr) return 1;
  fitClientToFrame(window);
  platform.setWindow(window);
  ShowWindow(window, showCommand);
  UpdateWindow(window);

  TimerPeriod timerPeriod;
  MSG message{};
  for (;;) {
    if (!app.quitting()) {
      program.insidePass = true;
      app.pass();
      program.insidePass = false;
      if (program.closeDeferred) {
        program.closeDeferred = false;
        DestroyWindow(window);
      }
      if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) continue;
    } else {
      // The game is gone; only the remaining messages are handled.
      const BOOL got = GetMessageW(&message, nullptr, 0, 0);
      if (got == -1) return 1;
      if (got == 0) break;
    }
    if (message.message == WM_QUIT) break;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  program.app = nullptr;
  program.platform = nullptr;
  return static_cast<int>(message.wParam);
}
