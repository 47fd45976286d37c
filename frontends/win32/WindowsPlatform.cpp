#include "frontends/win32/WindowsPlatform.h"

#include <mmsystem.h>
#include <shellapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "frontends/win32/DialogRunner.h"
#include "frontends/win32/WideText.h"

#include "frontends/win32/WinInetTransport.h"

namespace vilmar::win32 {

int virtualKey(Key key) {
  switch (key) {
    case Key::Left: return VK_LEFT;
    case Key::Right: return VK_RIGHT;
    case Key::Up: return VK_UP;
    case Key::Down: return VK_DOWN;
    case Key::Space: return VK_SPACE;
    case Key::F1: return VK_F1;
  }
  return 0;
}

WindowsPlatform::WindowsPlatform(HINSTANCE instance) : instance_(instance) {
  http_ = std::make_unique<WinInetTransport>();
}

WindowsPlatform::~WindowsPlatform() {
  PlaySoundW(nullptr, nullptr, 0);  // no sound may outlive the resources it plays from
}

std::span<const std::uint8_t> WindowsPlatform::resource(ResourceType type, int id) {
  const wchar_t* kind = nullptr;
  switch (type) {
    case ResourceType::RcData: kind = MAKEINTRESOURCEW(10); break;  // RT_RCDATA
    case ResourceType::Bitmap: kind = MAKEINTRESOURCEW(2); break;   // RT_BITMAP
    case ResourceType::Wave: kind = L"WAVE"; break;
  }
  if (kind == nullptr || id <= 0 || id > 0xFFFF) return {};
  HRSRC found = FindResourceW(instance_, MAKEINTRESOURCEW(id), kind);
  if (found == nullptr) return {};
  HGLOBAL loaded = LoadResource(instance_, found);
  if (loaded == nullptr) return {};
  const void* bytes = LockResource(loaded);
  const DWORD size = SizeofResource(instance_, found);
  if (bytes == nullptr || size == 0) return {};
  return {static_cast<const std::uint8_t*>(bytes), size};
}

void WindowsPlatform::present(std::span<const std::uint8_t> pixels, int width, int height,
                              const Palette& palette) {
  if (!surface_.update(pixels, width, height, palette)) return;
  if (window_ == nullptr) return;
  HDC dc = GetDC(window_);
  surface_.paint(window_, dc);
  ReleaseDC(window_, dc);
}

std::uint16_t WindowsPlatform::keyState(Key key) {
  return static_cast<std::uint16_t>(GetAsyncKeyState(virtualKey(key)));
}

bool WindowsPlatform::hasFocus() {
  return window_ != nullptr && GetForegroundWindow() == window_;
}

std::uint32_t WindowsPlatform::milliseconds() { return TickTimer::milliseconds(); }

void WindowsPlatform::sleep(std::uint32_t ms) { Sleep(ms); }

void WindowsPlatform::spin() { YieldProcessor(); }

void WindowsPlatform::waitUntil(std::uint32_t start, std::uint32_t due) { tickTimer_.waitUntil(start, due); }

void WindowsPlatform::playSound(int waveId) {
  if (waveId <= 0 || waveId > 0xFFFF) return;
  // SND_NODEFAULT: a missing sound stays silent instead of the system beep.
  PlaySoundW(MAKEINTRESOURCEW(waveId), instance_, SND_RESOURCE | SND_ASYNC | SND_NODEFAULT);
}

void WindowsPlatform::runDialog(Dialog& dialog) { runDialogBox(instance_, window_, dialog); }

void WindowsPlatform::openUrl(std::string_view url) {
  ShellExecuteW(GetDesktopWindow(), L"open", toWide(url).c_str(), nullptr, nullptr,
                SW_SHOWNORMAL);
}

HttpTransport& WindowsPlatform::http() { return *http_; }

int WindowsPlatform::processorType() {
  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  return static_cast<int>(info.dwProcessorType);
}

std::uint32_t WindowsPlatform::secondsOfDay() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return static_cast<std::uint32_t>(now.wHour) * 3600u +
         static_cast<std::uint32_t>(now.wMinute) * 60u + now.wSecond;
}

bool WindowsPlatform::readProgramFile(std::string& bytes) {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return false;
    if (length < path.size()) break;
    if (path.size() >= 32768) return false;
    path.resize(path.size() * 2);
  }
  HANDLE file = CreateFileW(path.data(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(file, &size) != 0 && size.QuadPart >= 0 &&
            size.QuadPart < 256LL * 1024 * 1024;
  if (ok) {
    bytes.assign(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
      DWORD got = 0;
      const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
      ok = ReadFile(file, bytes.data() + done, want, &got, nullptr) != 0 && got > 0;
      done += got;
    }
  }
  CloseHandle(file);
  if (!ok) bytes.clear();
  return ok;
}

void WindowsPlatform::debugOutput(std::string_view text) {
  OutputDebugStringA(std::string(text).c_str());
}

}  // namespace vilmar::win32
