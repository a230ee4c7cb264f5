// Asks every top-level window of the X display to close, as a window
// manager's close button would: the WM_DELETE_WINDOW message of the
// WM_PROTOCOLS the window takes part in. It looks every few milliseconds,
// up to the given seconds, until there is such a window, so the close comes
// as soon as a program's window can take it.
// usage: close_windows SECONDS   (DISPLAY names the display)
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

int AskToClose(Display* display, Atom protocols, Atom deleteWindow) {
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
  int asked = 0;
  for (unsigned int i = 0; i < count; ++i) {
    Atom* supported = nullptr;
    int n = 0;
    if (XGetWMProtocols(display, children[i], &supported, &n) == 0) continue;
    for (int k = 0; k < n; ++k) {
      if (supported[k] != deleteWindow) continue;
      XEvent event{};
      event.xclient.type = ClientMessage;
      event.xclient.window = children[i];
      event.xclient.message_type = protocols;
      event.xclient.format = 32;
      event.xclient.data.l[0] = static_cast<long>(deleteWindow);
      event.xclient.data.l[1] = CurrentTime;
      XSendEvent(display, children[i], False, NoEventMask, &event);
      ++asked;
    }
    XFree(supported);
  }
  if (children != nullptr) XFree(children);
  XFlush(display);
  return asked;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 0.0;
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "close_windows: cannot open the display\n");
    return 1;
  }
  const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
  const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  int asked = AskToClose(display, protocols, deleteWindow);
  while (asked == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    asked = AskToClose(display, protocols, deleteWindow);
  }
  XCloseDisplay(display);
  return asked > 0 ? 0 : 1;
}
