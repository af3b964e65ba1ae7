// Shared pieces of the frame tests: a session with one attached statement that
// both log into one call log, and the check of a frame error.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "TestDriver.h"

class FrameTest : public ::testing::Test {
protected:
  FrameTest() {
    TTestSession::LibraryReferences = 0;
    TTestSession::LibraryLoads = 0;
    session = std::make_unique<TTestSession>(nullptr, &log);
    sql = std::make_unique<TTestSQL>(nullptr, &log);
    sql->SetSession(session.get());
  }

  // The operation raises EOrvaneException with this text and code 0, and the
  // session's last error holds the text afterwards.
  void ExpectFrameError(const std::function<void()>& operation, const std::string& message) {
    try {
      operation();
      ADD_FAILURE() << "no exception, expected: " << message;
    } catch (const EOrvaneException& e) {
      EXPECT_EQ(e.Message(), message);
      EXPECT_EQ(e.ErrorCode, 0);
      EXPECT_EQ(session->LastError, message);
      EXPECT_EQ(session->LastErrorCode, 0);
    }
  }

  TCallLog log;
  std::unique_ptr<TTestSession> session;
  std::unique_ptr<TTestSQL> sql;
};

inline TOrvaneValues NoValues() { return {Null()}; }
