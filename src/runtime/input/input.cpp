#include "runtime/input/input.h"

#include <atomic>
#include <cstring>
#include <vector>

#include "runtime/input/key_tables.h"
#include "runtime/pool.h"
#include "runtime/pool_list.h"
#include "runtime/process.h"

namespace {

std::atomic<int> g_power{1};
std::atomic<bool> g_enabled{false};
std::atomic<bool> g_running{false};
std::atomic<bool> g_taskEnded{true};
std::atomic<int> g_task{-1};

// The current chain of handlers and the stack of saved chains, each under its own mutex.
PoolList* g_chain = nullptr;
PoolList* g_saved = nullptr;
std::atomic<int> g_chainLock{-1};
std::atomic<int> g_savedLock{-1};

std::atomic<KeyMonitor> g_monitor{nullptr};
std::atomic<void*> g_monitorContext{nullptr};

// Handlers travel in list nodes as plain values.
void* toValue(KeyHandler handler) {
  void* value = nullptr;
  static_assert(sizeof(handler) == sizeof(value));
  std::memcpy(&value, &handler, sizeof(value));
  return value;
}
KeyHandler toHandler(void* value) {
  KeyHandler handler = nullptr;
  std::memcpy(&handler, &value, sizeof(value));
  return handler;
}

// The handlers of the current chain, front to back. Handlers are called without the lock held, so
// that one may change the chain (suspend it, add a listener) while it handles a key.
std::vector<KeyHandler> chainSnapshot() {
  std::vector<KeyHandler> handlers;
  if (process_mutex_lock(g_chainLock) != 0) return handlers;
  if (g_chain)
    for (ListNode* node = g_chain->first; node; node = node->next) handlers.push_back(toHandler(node->value));
  process_mutex_unlock(g_chainLock);
  return handlers;
}

// Translation, range checks and the standby rule: false when the event is dropped.
bool admit(KeyEvent& event, int32_t type) {
  if (event.kind < 1 || event.kind > 8 || event.source > 5) return false;
  if (type == kInputRawKey) event.code = input_translate(event.source, event.code);
  if (event.code == kKeyNone) return false;
  return g_power.load() != 0 || event.code == kKeyPower;
}

void inputTask(void*) {
  KeyHandler holder = nullptr;  // private to this task
  while (g_running.load()) {
    ProcessMessage message;
    if (process_receive(&message) != 0) break;
    bool keyMessage = message.type == kInputRawKey || message.type == kInputReceiverKey;
    if (!keyMessage || !message.data || message.size < int32_t(sizeof(KeyEvent))) {
      pool_free(POOL_CORE_PROCESS, message.data, message.size);
      continue;
    }
    KeyEvent* event = static_cast<KeyEvent*>(message.data);
    if (g_running.load() && admit(*event, message.type)) {
      if (KeyMonitor monitor = g_monitor.load()) monitor(*event, g_monitorContext.load());
      if (holder) {
        KeyHandler current = holder;
        if (event->kind == KEY_RELEASED) holder = nullptr;
        current(event);
      } else {
        for (KeyHandler handler : chainSnapshot()) {
          if (handler(event) == 0) continue;
          if (event->kind == KEY_PRESSED) holder = handler;
          break;
        }
      }
    }
    pool_free(POOL_CORE_PROCESS, message.data, message.size);
  }
  g_task = -1;
  g_taskEnded = true;
  process_exit();
}

int post(int32_t type, const KeyEvent& event) {
  int task = g_task.load();
  if (task < 0) return -1;
  KeyEvent copy = event;
  ProcessMessage message{type, &copy, int32_t(sizeof(copy))};
  return process_send(task, &message);
}

void destroyChain(PoolList*& chain) {
  if (chain) list_destroy(chain);
  chain = nullptr;
}

}  // namespace

int input_start() {
  if (g_task.load() >= 0 || !g_taskEnded.load()) return -1;
  g_chainLock = process_mutex_create();
  g_savedLock = process_mutex_create();
  if (g_chainLock < 0 || g_savedLock < 0) {
    process_mutex_destroy(g_chainLock);
    process_mutex_destroy(g_savedLock);
    g_chainLock = -1;
    g_savedLock = -1;
    return -1;
  }
  g_running = true;
  g_taskEnded = false;
  int task = process_start(inputTask, nullptr, 0);
  if (task < 0) {
    g_running = false;
    g_taskEnded = true;
    return -1;
  }
  g_task = task;
  return task;
}

void input_stop() {
  g_running = false;
  int task = g_task.load();
  if (task >= 0) {
    ProcessMessage wake{kInputStop, nullptr, 0};
    process_send(task, &wake);
    // A handler still running keeps the chains in use: give it a moment to return.
    for (int i = 0; i < 20 && !g_taskEnded.load(); ++i) process_sleep(10);
  }
  if (g_savedLock >= 0 && process_mutex_lock(g_savedLock) == 0) {
    if (g_saved) {
      for (ListNode* node = g_saved->first; node; node = node->next) {
        PoolList* chain = static_cast<PoolList*>(node->value);
        destroyChain(chain);
      }
    }
    destroyChain(g_saved);
    process_mutex_unlock(g_savedLock);
  }
  if (g_chainLock >= 0 && process_mutex_lock(g_chainLock) == 0) {
    destroyChain(g_chain);
    process_mutex_unlock(g_chainLock);
  }
  process_mutex_destroy(g_savedLock);
  process_mutex_destroy(g_chainLock);
  g_savedLock = -1;
  g_chainLock = -1;
  if (g_taskEnded.load()) g_task = -1;
}

int input_taskIndex() { return g_task.load(); }

int input_post(const KeyEvent& event) { return post(kInputRawKey, event); }

int input_postReceiverKey(uint8_t kind, uint16_t code) { return post(kInputReceiverKey, KeyEvent{kind, 0, code}); }

void input_addListener(KeyHandler handler) {
  if (!handler || process_mutex_lock(g_chainLock) != 0) return;
  if (!g_chain) g_chain = list_create();
  if (g_chain) list_append(g_chain, nullptr, toValue(handler));
  process_mutex_unlock(g_chainLock);
}

void input_removeListener(KeyHandler handler) {
  if (process_mutex_lock(g_chainLock) != 0) return;
  if (g_chain)
    if (ListNode* node = list_findValue(g_chain, toValue(handler))) list_remove(g_chain, node);
  process_mutex_unlock(g_chainLock);
}

void input_suspendListeners() {
  if (process_mutex_lock(g_savedLock) != 0) return;
  if (process_mutex_lock(g_chainLock) == 0) {
    if (g_chain) {
      if (!g_saved) g_saved = list_create();
      if (g_saved && list_append(g_saved, nullptr, g_chain)) {
        g_chain = nullptr;
      }
    }
    process_mutex_unlock(g_chainLock);
  }
  process_mutex_unlock(g_savedLock);
}

void input_resumeListeners() {
  if (process_mutex_lock(g_savedLock) != 0) return;
  if (process_mutex_lock(g_chainLock) == 0) {
    destroyChain(g_chain);
    if (g_saved && g_saved->last) {
      ListNode* top = g_saved->last;
      g_chain = static_cast<PoolList*>(top->value);
      list_remove(g_saved, top);
    }
    process_mutex_unlock(g_chainLock);
  }
  process_mutex_unlock(g_savedLock);
}

void input_setEnabled(bool enabled) { g_enabled = enabled; }
bool input_isEnabled() { return g_enabled.load(); }

int power_isOn() { return g_power.load(); }
void power_setOn(int on) { g_power = on; }

void input_setMonitor(KeyMonitor monitor, void* context) {
  g_monitorContext = context;
  g_monitor = monitor;
}
