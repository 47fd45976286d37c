// Helps tools/testing/sdltests.py work the native game from outside:
//   vilmar-sdl-testaid wave ID RATE CHANNELS FILE
//     writes wave resource ID as the game plays it on a 16-bit device with
//     that rate and channel count, to find it in what the device recorded;
//   vilmar-sdl-testaid close WINDOW
//     asks an X window to close, as a desktop's close box does.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "frontends/sdl/SdlAudio.h"
#include "resources/CompiledResources.h"

namespace {

int wave(int id, int rate, int channels, const char* file) {
  SDL_AudioSpec to{};
  to.freq = rate;
  to.format = AUDIO_S16SYS;
  to.channels = static_cast<Uint8>(channels);
  const auto samples = vilmar::sdl::convertWave(vilmar::compiledResource(vilmar::ResourceType::Wave, id), to);
  if (!samples) return 1;
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(samples->data()), static_cast<std::streamsize>(samples->size()));
  return out ? 0 : 1;
}

int closeWindow(unsigned long window) {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return 1;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);
  XCloseDisplay(display);
  return sent != 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "wave" && argc == 6) return wave(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), argv[5]);
  if (command == "close" && argc == 3) return closeWindow(std::strtoul(argv[2], nullptr, 0));
  std::fputs("usage: vilmar-sdl-testaid wave ID RATE CHANNELS FILE | close WINDOW\n", stderr);
  return 2;
}
