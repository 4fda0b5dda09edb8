#pragma once
// For test programs that use tasks: the task layer is set up once before the first test, and a
// wait for a condition that other tasks make true.
#include <gtest/gtest.h>

#include "runtime/process.h"

class TaskEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_EQ(process_init(), 0); }
};
inline const auto* const g_taskEnvironment = ::testing::AddGlobalTestEnvironment(new TaskEnvironment);

// Polls until `done` holds; the limit (about five seconds) only keeps a broken build from hanging.
template <class F>
bool eventually(F done) {
  for (int i = 0; i < 1000; ++i) {
    if (done()) return true;
    process_sleep(5);
  }
  return done();
}
