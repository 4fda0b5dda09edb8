#include "host/message_box.h"

#include <SDL.h>

#include <atomic>
#include <cstdio>

#include "host/display.h"

namespace {

std::atomic<BoxAnswerer> g_answerer{nullptr};
std::atomic<void*> g_context{nullptr};

const char* answerName(BoxAnswer answer) {
  switch (answer) {
    case BoxAnswer::Yes:
      return "Yes";
    case BoxAnswer::No:
      return "No";
    default:
      return "OK";
  }
}

// The SDL box over the window; false when it could not be shown.
bool showWindowBox(const char* caption, const char* text, BoxButtons buttons, BoxIcon icon, BoxAnswer* answer) {
  uint32_t flags = icon == BoxIcon::Error     ? SDL_MESSAGEBOX_ERROR
                   : icon == BoxIcon::Warning ? SDL_MESSAGEBOX_WARNING
                                              : SDL_MESSAGEBOX_INFORMATION;
  SDL_MessageBoxButtonData yesNo[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, int(BoxAnswer::Yes), "Yes"},
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, int(BoxAnswer::No), "No"},
  };
  SDL_MessageBoxButtonData ok[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, int(BoxAnswer::Ok), "OK"},
  };
  SDL_MessageBoxData data{};
  data.flags = flags;
  data.window = SDL_GetMouseFocus() ? SDL_GetMouseFocus() : SDL_GetKeyboardFocus();
  data.title = caption ? caption : "";
  data.message = text;
  data.numbuttons = buttons == BoxButtons::YesNo ? 2 : 1;
  data.buttons = buttons == BoxButtons::YesNo ? yesNo : ok;
  int pressed = -1;
  if (SDL_ShowMessageBox(&data, &pressed) != 0) return false;
  // Closing the box without a button counts as its escape answer.
  if (pressed < 0) pressed = buttons == BoxButtons::YesNo ? int(BoxAnswer::No) : int(BoxAnswer::Ok);
  *answer = BoxAnswer(pressed);
  return true;
}

}  // namespace

BoxAnswer host_messageBox(const char* caption, const char* text, BoxButtons buttons, BoxIcon icon) {
  if (!text) text = "";
  std::printf("[MESSAGE BOX] %s: %s\n", caption ? caption : "", text);
  BoxAnswer answer = buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
  Display* display = display_current();
  if (BoxAnswerer answerer = g_answerer.load()) {
    answer = answerer(caption, text, buttons, g_context.load());
  } else if (!(display && display->isWindow() && showWindowBox(caption, text, buttons, icon, &answer))) {
    answer = buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
  }
  if (buttons == BoxButtons::Ok) answer = BoxAnswer::Ok;
  std::printf("[MESSAGE BOX] answer: %s\n", answerName(answer));
  std::fflush(stdout);
  return answer;
}

void host_setMessageBoxAnswerer(BoxAnswerer answerer, void* context) {
  g_context = context;
  g_answerer = answerer;
}
