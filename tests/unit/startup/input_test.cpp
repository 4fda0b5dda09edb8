#include "runtime/input/input.h"

#include <gtest/gtest.h>

#include "input_recorder.h"

namespace {

using Input = InputTest;

void post(uint8_t kind, uint16_t code, uint8_t source = 0) { ASSERT_EQ(input_post(KeyEvent{kind, source, code}), 0); }

TEST_F(Input, TranslatesAndWalksTheChainInOrder) {
  g_consumes[1] = kConsumesAll;
  input_addListener(recordingListener<0>);
  input_addListener(recordingListener<1>);
  input_addListener(recordingListener<2>);
  post(KEY_TYPED, '#');
  EXPECT_EQ(seenAfter(2), (std::vector<Seen>{{'A', KEY_TYPED, 3924}, {'B', KEY_TYPED, 3924}}));
}

TEST_F(Input, DropsBadEventsAndUntranslatableCodes) {
  input_addListener(recordingListener<0>);
  post(0, 36);               // kind out of range
  post(9, 36);               // kind out of range
  post(KEY_PRESSED, 36, 6);  // source out of range
  post(KEY_PRESSED, 9);      // Tab: not in the table
  post(KEY_PRESSED, 36, 4);  // sources 4 and 5 give nothing
  post(KEY_PRESSED, 8, 1);   // front-panel power button
  post(2, 'x', 3);           // kinds 2..8 are accepted
  EXPECT_EQ(seenAfter(2), (std::vector<Seen>{{'A', KEY_PRESSED, 3840}, {'A', 2, 'x'}}));
}

TEST_F(Input, StandbyLetsOnlyThePowerKeyThrough) {
  input_addListener(recordingListener<0>);
  power_setOn(0);
  post(KEY_PRESSED, 36);
  post(KEY_TYPED, 'a');
  ASSERT_EQ(input_postReceiverKey(KEY_PRESSED, 3860), 0);        // MENU chord
  post(KEY_PRESSED, 8, 1);                                       // front-panel power
  ASSERT_EQ(input_postReceiverKey(KEY_RELEASED, kKeyPower), 0);  // POWER chord
  EXPECT_EQ(seenAfter(2), (std::vector<Seen>{{'A', KEY_PRESSED, 3840}, {'A', KEY_RELEASED, 3840}}));
  EXPECT_EQ(power_isOn(), 0);
}

// The handler that accepts a press gets every event up to its release, even when the chain changes.
TEST_F(Input, HoldLastsUntilTheReleaseAcrossAChainChange) {
  g_consumes[0] = 1u << KEY_PRESSED;
  g_consumes[1] = kConsumesAll;
  input_addListener(recordingListener<0>);
  post(KEY_PRESSED, 37);
  ASSERT_EQ(seenAfter(1).size(), 1u);
  input_suspendListeners();
  input_addListener(recordingListener<1>);  // a new chain meanwhile
  post(KEY_PRESSED, 37);                    // auto-repeat
  post(KEY_TYPED, 'z');
  post(KEY_RELEASED, 37);
  post(KEY_PRESSED, 38);  // the hold is over: the new chain
  EXPECT_EQ(seenAfter(5), (std::vector<Seen>{{'A', KEY_PRESSED, 37},
                                             {'A', KEY_PRESSED, 37},
                                             {'A', KEY_TYPED, 'z'},
                                             {'A', KEY_RELEASED, 37},
                                             {'B', KEY_PRESSED, 38}}));
}

TEST_F(Input, TypedAndReleasedEventsGainNoHold) {
  g_consumes[0] = 1u << KEY_TYPED | 1u << KEY_RELEASED;
  input_addListener(recordingListener<0>);
  input_addListener(recordingListener<1>);
  post(KEY_TYPED, 'a');
  post(KEY_RELEASED, 'b');
  post(KEY_PRESSED, 'c');
  EXPECT_EQ(seenAfter(4),
            (std::vector<Seen>{
                {'A', KEY_TYPED, 'a'}, {'A', KEY_RELEASED, 'b'}, {'A', KEY_PRESSED, 'c'}, {'B', KEY_PRESSED, 'c'}}));
}

TEST_F(Input, SuspendAndResumeRestoreTheSavedChains) {
  input_addListener(recordingListener<0>);
  input_suspendListeners();
  input_addListener(recordingListener<1>);
  input_suspendListeners();
  input_suspendListeners();  // no current chain: nothing is pushed
  input_addListener(recordingListener<2>);
  post(KEY_TYPED, 'a');
  ASSERT_EQ(seenAfter(1).size(), 1u);
  input_resumeListeners();  // drops C's chain, brings back B's
  post(KEY_TYPED, 'b');
  ASSERT_EQ(seenAfter(2).size(), 2u);
  input_resumeListeners();  // back to A
  post(KEY_TYPED, 'c');
  ASSERT_EQ(seenAfter(3).size(), 3u);
  input_resumeListeners();  // the stack is empty: no chain at all
  post(KEY_TYPED, 'd');
  ASSERT_EQ(seenAfter(4, 300).size(), 3u);  // nobody to deliver to
  input_addListener(recordingListener<2>);
  post(KEY_TYPED, 'e');
  EXPECT_EQ(
      seenAfter(4),
      (std::vector<Seen>{{'C', KEY_TYPED, 'a'}, {'B', KEY_TYPED, 'b'}, {'A', KEY_TYPED, 'c'}, {'C', KEY_TYPED, 'e'}}));
}

TEST_F(Input, RemoveTakesTheFirstEntryOnly) {
  input_addListener(recordingListener<0>);
  input_addListener(recordingListener<1>);
  input_addListener(recordingListener<0>);
  input_removeListener(recordingListener<0>);
  input_removeListener(recordingListener<2>);  // not in the chain: nothing happens
  post(KEY_TYPED, 'a');
  EXPECT_EQ(seenAfter(2), (std::vector<Seen>{{'B', KEY_TYPED, 'a'}, {'A', KEY_TYPED, 'a'}}));
}

// A handler may change the chain while it runs.
int suspendingListener(KeyEvent*) {
  input_suspendListeners();
  input_addListener(recordingListener<2>);
  return 1;
}

TEST_F(Input, AHandlerMayChangeTheChain) {
  input_addListener(suspendingListener);
  post(KEY_TYPED, 'a');
  post(KEY_TYPED, 'b');
  EXPECT_EQ(seenAfter(1), (std::vector<Seen>{{'C', KEY_TYPED, 'b'}}));
}

// A handler that outlasts the stop: its late changes to the chain find the locks gone and are lost.
int slowListener(KeyEvent*) {
  process_sleep(400);
  input_addListener(recordingListener<1>);
  input_suspendListeners();
  return 1;
}

TEST_F(Input, AHandlerThatOutlastsTheStop) {
  input_addListener(slowListener);
  post(KEY_PRESSED, 37);
  process_sleep(50);
  input_stop();
  for (int i = 0; i < 200 && input_taskIndex() >= 0; ++i) process_sleep(10);
  ASSERT_EQ(input_taskIndex(), -1);
  ASSERT_GE(input_start(), 0);
  post(KEY_TYPED, 'a');
  EXPECT_TRUE(seenAfter(1, 300).empty());
}

TEST_F(Input, StopEndsTheTaskAndANewStartWorks) {
  input_addListener(recordingListener<0>);
  input_stop();
  EXPECT_EQ(input_taskIndex(), -1);
  EXPECT_EQ(input_post(KeyEvent{KEY_TYPED, 0, 'a'}), -1);
  ASSERT_GE(input_start(), 0);
  input_addListener(recordingListener<1>);  // the old chain went with the stop
  post(KEY_TYPED, 'b');
  EXPECT_EQ(seenAfter(1), (std::vector<Seen>{{'B', KEY_TYPED, 'b'}}));
}

}  // namespace
