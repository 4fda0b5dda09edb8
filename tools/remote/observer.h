#pragma once
// What the remote sees of the receiver: every key event delivered by the input task and every
// message box, and the answers queued for the boxes to come.
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "host/message_box.h"
#include "runtime/input/key_event.h"

struct SeenBox {
  std::string caption;
  std::string text;
  std::string answer;
};

class Observer {
 public:
  // Installs the key monitor and the message-box answerer.
  void install();
  void queueAnswer(BoxAnswer answer);
  std::vector<KeyEvent> keys();
  std::vector<SeenBox> boxes();

 private:
  static void onKey(const KeyEvent& event, void* context);
  static BoxAnswer onBox(const char* caption, const char* text, BoxButtons buttons, void* context);
  std::mutex lock_;
  std::vector<KeyEvent> keys_;
  std::vector<SeenBox> boxes_;
  std::deque<BoxAnswer> answers_;
};

Observer& observer();
