#include <gtest/gtest.h>

#include "app/system/window_proc.h"
#include "host/keyboard.h"
#include "input_recorder.h"

namespace {

class Window : public InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    input_addListener(recordingListener<0>);
  }
  void down(const char* name, uint16_t mods = 0, bool repeat = false) {
    int32_t keycode, scancode;
    uint16_t displayMods;
    ASSERT_TRUE(host_displayKeyFromName(name, mods, &keycode, &scancode, &displayMods)) << name;
    proc.onKeyDown(keycode, scancode, displayMods, repeat);
  }
  void up(const char* name, uint16_t mods = 0) {
    int32_t keycode, scancode;
    uint16_t displayMods;
    ASSERT_TRUE(host_displayKeyFromName(name, mods, &keycode, &scancode, &displayMods)) << name;
    proc.onKeyUp(keycode, scancode, displayMods);
  }
  WindowProc proc;
};

TEST_F(Window, KeysAreIgnoredUntilInputIsEnabled) {
  input_setEnabled(false);
  down("Home");
  proc.onText("a");
  up("Home");
  proc.onRemoteKey(KEY_PRESSED, 3860);
  input_setEnabled(true);
  down("End");
  EXPECT_EQ(seenAfter(1), (std::vector<Seen>{{'A', KEY_PRESSED, 3924}}));
}

TEST_F(Window, KeysThatTypeCharacters) {
  down("Return");
  up("Return");
  down("Backspace");  // types 8, which is dropped
  up("Backspace");
  down("Escape");
  proc.onText("\r\b#");
  EXPECT_EQ(seenAfter(9), (std::vector<Seen>{{'A', KEY_PRESSED, 10},
                                             {'A', KEY_TYPED, 10},
                                             {'A', KEY_RELEASED, 10},
                                             {'A', KEY_PRESSED, 8},
                                             {'A', KEY_RELEASED, 8},
                                             {'A', KEY_PRESSED, 27},
                                             {'A', KEY_TYPED, 27},
                                             {'A', KEY_TYPED, 10},
                                             {'A', KEY_TYPED, 3924}}));
}

TEST_F(Window, AutoRepeatGivesPressesAndOneRelease) {
  down("Left");
  down("Left", 0, true);
  down("Left", 0, true);
  up("Left");
  EXPECT_EQ(seenAfter(4),
            (std::vector<Seen>{
                {'A', KEY_PRESSED, 37}, {'A', KEY_PRESSED, 37}, {'A', KEY_PRESSED, 37}, {'A', KEY_RELEASED, 37}}));
}

TEST_F(Window, KeypadDigitsEqualMainDigits) {
  down("Keypad 4");
  down("4");
  down("Keypad 0");
  down("0");
  EXPECT_EQ(seenAfter(4),
            (std::vector<Seen>{
                {'A', KEY_PRESSED, '4'}, {'A', KEY_PRESSED, '4'}, {'A', KEY_PRESSED, '0'}, {'A', KEY_PRESSED, '0'}}));
}

TEST_F(Window, ChordsPostRemoteKeys) {
  down("M", kHostModCtrl);
  up("M");  // Ctrl let go first: the chord still ends with its own code
  down("Up", kHostModCtrl);
  down("Up", kHostModCtrl, true);
  up("Up", kHostModCtrl);
  down("C", kHostModCtrl);      // no chord: the letter as it is
  down("Home", kHostModAlt);    // Alt makes it a system key
  down("F10");                  // a system key
  down("Home", kHostModShift);  // Shift changes nothing
  EXPECT_EQ(seenAfter(7), (std::vector<Seen>{{'A', KEY_PRESSED, 3860},
                                             {'A', KEY_RELEASED, 3860},
                                             {'A', KEY_PRESSED, 3921},
                                             {'A', KEY_PRESSED, 3921},
                                             {'A', KEY_RELEASED, 3921},
                                             {'A', KEY_PRESSED, 'C'},
                                             {'A', KEY_PRESSED, 3923}}));
}

// Ctrl pressed while a key is already down makes no chord of its release.
TEST_F(Window, AKeyLetGoWithCtrlHeldEndsAsItself) {
  down("M");
  up("M", kHostModCtrl);
  down("Up");
  up("Up", kHostModCtrl);
  EXPECT_EQ(seenAfter(4),
            (std::vector<Seen>{
                {'A', KEY_PRESSED, 'M'}, {'A', KEY_RELEASED, 'M'}, {'A', KEY_PRESSED, 38}, {'A', KEY_RELEASED, 38}}));
}

// A system key gives nothing: not its release once Alt is let go, nor the character the display
// reports for it.
TEST_F(Window, SystemKeysGiveNoReleaseAndNoText) {
  down("A", kHostModAlt);
  proc.onText("a");
  up("A");
  down("Left", kHostModAlt);
  up("Left");
  down("F10");
  up("F10");
  down("B");
  proc.onText("b");
  EXPECT_EQ(seenAfter(2), (std::vector<Seen>{{'A', KEY_PRESSED, 'B'}, {'A', KEY_TYPED, 'b'}}));
}

TEST_F(Window, PowerChordWakesFromStandby) {
  power_setOn(0);
  down("Home");
  down("P", kHostModCtrl);
  up("P", kHostModCtrl);
  EXPECT_EQ(seenAfter(2), (std::vector<Seen>{{'A', KEY_PRESSED, kKeyPower}, {'A', KEY_RELEASED, kKeyPower}}));
}

}  // namespace
