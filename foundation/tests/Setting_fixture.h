#pragma once

// Sets (or, with a nil value, unsets) an environment variable for the
// scope of a test and brings its old value back afterwards.

#include <cstdlib>
#include <optional>
#include <string>

class Setting {
 public:
  Setting(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~Setting() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  Setting(const Setting&) = delete;
  Setting& operator=(const Setting&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};
