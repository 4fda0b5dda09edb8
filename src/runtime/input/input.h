#pragma once
// The input task: key events posted by the window (or by the remote-key chords) are translated into
// receiver key codes and handed to the key listeners, one event at a time, on a task of their own.
// Also the power flag (standby lets only the power key through) and the input-enabled flag that the
// window consults before posting anything.
#include <cstdint>

#include "runtime/input/key_event.h"

// A key handler returns nonzero when it consumed the event. The handler that consumes a KEY_PRESSED
// holds the keyboard: it receives every further event up to and including the next KEY_RELEASED.
using KeyHandler = int (*)(KeyEvent* event);

constexpr uint16_t kKeyPower = 0x0F00;

// Message types on the input task's queue.
constexpr int32_t kInputRawKey = 0;       // a KeyEvent as the window posts it (code still to translate)
constexpr int32_t kInputReceiverKey = 1;  // a KeyEvent whose code already is a receiver key code
constexpr int32_t kInputStop = 2;         // no data: wakes the task so that it can end

// Creates the listener-chain mutexes, sets the running flag and starts the task. The task index, or
// -1 (nothing is left running then).
int input_start();
// Clears the running flag, wakes the task and waits up to 200 ms for it to end, then destroys the
// saved chains and the current chain, each under its mutex, and both mutexes.
void input_stop();
int input_taskIndex();  // -1 when the task does not run

// Posts a copy of the event (data of a message of type kInputRawKey, 4 bytes). 0, or -1 when it could
// not be posted after the task layer's retries.
int input_post(const KeyEvent& event);
// Posts an event whose code is already a receiver code, source 0: it skips the translation and goes
// through the standby rule, the hold and the chain like any other.
int input_postReceiverKey(uint8_t kind, uint16_t code);

void input_addListener(KeyHandler handler);
void input_removeListener(KeyHandler handler);
void input_suspendListeners();
void input_resumeListeners();

// Cleared at load; set as the last step of start-up.
void input_setEnabled(bool enabled);
bool input_isEnabled();

int power_isOn();
void power_setOn(int on);

// Test and tool hook, called on the input task with every event that passed translation and the
// standby rule, before any handler sees it.
using KeyMonitor = void (*)(const KeyEvent& event, void* context);
void input_setMonitor(KeyMonitor monitor, void* context);
