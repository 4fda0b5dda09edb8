#include "observer.h"

#include "runtime/input/input.h"

Observer& observer() {
  static Observer* instance = new Observer;  // lives as long as the tasks that report to it
  return *instance;
}

void Observer::install() {
  input_setMonitor(onKey, this);
  host_setMessageBoxAnswerer(onBox, this);
}

void Observer::queueAnswer(BoxAnswer answer) {
  std::lock_guard<std::mutex> guard(lock_);
  answers_.push_back(answer);
}

std::vector<KeyEvent> Observer::keys() {
  std::lock_guard<std::mutex> guard(lock_);
  return keys_;
}

std::vector<SeenBox> Observer::boxes() {
  std::lock_guard<std::mutex> guard(lock_);
  return boxes_;
}

void Observer::onKey(const KeyEvent& event, void* context) {
  auto* self = static_cast<Observer*>(context);
  std::lock_guard<std::mutex> guard(self->lock_);
  self->keys_.push_back(event);
}

// The next queued answer; without one a question is answered No.
BoxAnswer Observer::onBox(const char* caption, const char* text, BoxButtons buttons, void* context) {
  auto* self = static_cast<Observer*>(context);
  std::lock_guard<std::mutex> guard(self->lock_);
  BoxAnswer answer = buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
  if (!self->answers_.empty()) {
    answer = self->answers_.front();
    self->answers_.pop_front();
  }
  if (buttons == BoxButtons::Ok) answer = BoxAnswer::Ok;
  const char* name = answer == BoxAnswer::Yes ? "yes" : answer == BoxAnswer::No ? "no" : "ok";
  self->boxes_.push_back({caption ? caption : "", text ? text : "", name});
  return answer;
}
