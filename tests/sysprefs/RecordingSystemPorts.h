#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ports/DebugOutput.h"
#include "sysprefs/RegistryAccess.h"
#include "sysprefs/SystemParameters.h"
#include "text/Utf8.h"

namespace lt260::test {

// One trace shared by the fakes, so a test sees the order of calls across ports.
using Trace = std::vector<std::string>;

inline std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

inline const char* RootName(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::LocalMachine:
      return "HKLM";
    case RegistryRoot::CurrentUser:
      return "HKCU";
    case RegistryRoot::CurrentConfig:
      return "HKCC";
    case RegistryRoot::ClassesRoot:
      return "HKCR";
  }
  return "?";
}

// Records every system-parameter call; all succeed unless told to fail.
class RecordingSystemParameters final : public SystemParameters {
 public:
  explicit RecordingSystemParameters(Trace& trace) : trace_(trace) {}

  // Makes every later call fail, leaving `error` as the last error.
  void FailWith(uint32_t error) { error_ = error; }

  bool SetDoubleClickTime(uint32_t milliseconds) override {
    return Record("SetDoubleClickTime " + std::to_string(milliseconds));
  }
  bool SetMouse(int32_t threshold1, int32_t threshold2, int32_t acceleration) override {
    return Record("SetMouse " + std::to_string(threshold1) + " " + std::to_string(threshold2) +
                  " " + std::to_string(acceleration));
  }
  bool SetMouseSpeed(uint32_t speed) override {
    return Record("SetMouseSpeed " + std::to_string(speed));
  }
  bool SetWheelScrollLines(uint32_t lines) override {
    return Record("SetWheelScrollLines " + Hex(lines));
  }
  uint32_t LastError() override { return error_; }

 private:
  bool Record(std::string call) {
    trace_.push_back(std::move(call));
    return error_ == 0;
  }

  Trace& trace_;
  uint32_t error_ = 0;
};

// A registry of keys holding string values. Subkey names are matched without
// regard to ASCII case, as the registry does. Every call is traced.
class FakeRegistry final : public RegistryAccess {
 public:
  explicit FakeRegistry(Trace& trace) : trace_(trace) {}

  void AddKey(RegistryRoot root, std::u16string_view subKey) { keys_[Id(root, subKey)]; }
  bool HasKey(RegistryRoot root, std::u16string_view subKey) const {
    return keys_.contains(Id(root, subKey));
  }
  std::optional<std::u16string> Value(RegistryRoot root, std::u16string_view subKey,
                                      std::u16string_view name) const {
    const auto key = keys_.find(Id(root, subKey));
    if (key == keys_.end()) return std::nullopt;
    const auto value = key->second.find(std::u16string(name));
    if (value == key->second.end()) return std::nullopt;
    return value->second;
  }
  std::size_t OpenHandleCount() const { return handles_.size(); }

  // Failure switches: opening refused (as for missing rights), creating
  // refused, writing refused.
  bool RefuseOpen = false;
  bool RefuseCreate = false;
  bool RefuseWrite = false;

  RegistryKey OpenKey(RegistryRoot root, std::u16string_view subKey, uint32_t access) override {
    const KeyId id = Id(root, subKey);
    const RegistryKey key = !RefuseOpen && keys_.contains(id) ? NewHandle(id) : 0;
    trace_.push_back("OpenKey " + Describe(root, subKey) + " " + Hex(access) + " -> " +
                     std::to_string(key));
    return key;
  }
  RegistryKey CreateKey(RegistryRoot root, std::u16string_view subKey) override {
    const KeyId id = Id(root, subKey);
    RegistryKey key = 0;
    if (!RefuseCreate) {
      keys_[id];
      key = NewHandle(id);
    }
    trace_.push_back("CreateKey " + Describe(root, subKey) + " -> " + std::to_string(key));
    return key;
  }
  bool SetStringValue(RegistryKey key, std::u16string_view name,
                      std::u16string_view text) override {
    trace_.push_back("SetStringValue " + std::to_string(key) + " " + ToUtf8(name) + "=" +
                     ToUtf8(text));
    const auto handle = handles_.find(key);
    if (RefuseWrite || handle == handles_.end()) return false;
    keys_[handle->second][std::u16string(name)] = std::u16string(text);
    return true;
  }
  void CloseKey(RegistryKey key) override {
    trace_.push_back("CloseKey " + std::to_string(key));
    handles_.erase(key);
  }

 private:
  using KeyId = std::pair<RegistryRoot, std::string>;

  static KeyId Id(RegistryRoot root, std::u16string_view subKey) {
    std::string folded = ToUtf8(subKey);
    for (char& c : folded) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return {root, folded};
  }
  static std::string Describe(RegistryRoot root, std::u16string_view subKey) {
    return std::string(RootName(root)) + " \"" + ToUtf8(subKey) + "\"";
  }
  RegistryKey NewHandle(const KeyId& id) {
    handles_[nextHandle_] = id;
    return nextHandle_++;
  }

  Trace& trace_;
  std::map<KeyId, std::map<std::u16string, std::u16string>> keys_;
  std::map<RegistryKey, KeyId> handles_;
  RegistryKey nextHandle_ = 1;
};

// Debug-output lines, in the same trace as the port calls.
class TracingDebugOutput final : public DebugOutput {
 public:
  explicit TracingDebugOutput(Trace& trace) : trace_(trace) {}
  void Write(std::string_view line) override { trace_.push_back("Debug " + std::string(line)); }

 private:
  Trace& trace_;
};

}  // namespace lt260::test
