#pragma once
// A scripted transport and a platform around it for the score submission
// tests: every step can be made to fail, and the steps taken are recorded.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/HttpTransport.h"
#include "platform/Platform.h"

namespace vilmar::test {

class FakeTransport : public HttpTransport {
 public:
  // Script.
  bool loadOk = true;
  std::string loadMessage = "Kunde inte hitta libfake.so";
  bool sessionOk = true, connectOk = true, requestOk = true, sendOk = true, readOk = true;
  std::string reply = "0";
  int replyStatus = 200;
  std::uint32_t errorNumber = 12029;
  std::string errorText = "connection refused";

  // Record.
  std::vector<std::string> steps;
  std::string agent, host, verb, object, header, body;
  std::uint16_t port = 0;
  std::size_t readLimit = 0;

  bool load(std::string& message) override {
    steps.push_back("load");
    if (!loadOk) message = loadMessage;
    return loadOk;
  }
  bool openSession(std::string_view a) override {
    steps.push_back("openSession");
    agent = a;
    return sessionOk;
  }
  bool connect(std::string_view h, std::uint16_t p) override {
    steps.push_back("connect");
    host = h;
    port = p;
    return connectOk;
  }
  bool openRequest(std::string_view v, std::string_view o) override {
    steps.push_back("openRequest");
    verb = v;
    object = o;
    return requestOk;
  }
  bool send(std::string_view h, std::string_view b) override {
    steps.push_back("send");
    header = h;
    body = b;
    return sendOk;
  }
  bool read(char* buffer, std::size_t limit, std::size_t& bytesRead) override {
    steps.push_back("read");
    readLimit = limit;
    bytesRead = 0;
    if (!readOk) return false;
    bytesRead = std::min(limit, reply.size());
    std::memcpy(buffer, reply.data(), bytesRead);
    return true;
  }
  int status() override { return replyStatus; }
  void closeRequest() override { steps.push_back("closeRequest"); }
  void closeConnection() override { steps.push_back("closeConnection"); }
  void closeSession() override { steps.push_back("closeSession"); }
  std::uint32_t lastError(std::string& text) override {
    text = errorText;
    return errorNumber;
  }
};

// A machine whose wall clock moves 1 ms per reading, so the speed count is
// the same on every run.
class FakeNetPlatform : public Platform {
 public:
  FakeTransport transport;
  HttpTransport* httpOverride = nullptr;
  int processor = 586;
  bool programFileReadable = true;
  std::string programFile = "MZ program bytes";
  std::uint64_t wallMs = 36000000;  // ten o'clock
  std::uint64_t wallStepMs = 1;
  std::vector<std::string> openedUrls;

  std::span<const std::uint8_t> resource(ResourceType, int) override { return {}; }
  void present(std::span<const std::uint8_t>, int, int, const Palette&) override {}
  std::uint16_t keyState(Key) override { return 0; }
  bool hasFocus() override { return true; }
  std::uint32_t milliseconds() override { return 0; }
  void sleep(std::uint32_t) override {}
  void spin() override {}
  void playSound(int) override {}
  void runDialog(Dialog&) override {}
  void openUrl(std::string_view url) override { openedUrls.emplace_back(url); }
  HttpTransport& http() override { return httpOverride ? *httpOverride : transport; }
  int processorType() override { return processor; }
  std::uint32_t secondsOfDay() override {
    wallMs += wallStepMs;
    return static_cast<std::uint32_t>(wallMs / 1000 % 86400);
  }
  bool readProgramFile(std::string& bytes) override {
    if (!programFileReadable) return false;
    bytes = programFile;
    return true;
  }
  void debugOutput(std::string_view) override {}
};

}  // namespace vilmar::test
