// Captures the process's standard output (where the library writes its trace lines) into a file,
// so that a test can wait for a line and read what was written.
#pragma once

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

class stdout_capture {
 public:
  stdout_capture() {
    std::fflush(stdout);
    std::cout.flush();
    char name[] = "/tmp/weighport-stdout-XXXXXX";
    const int fd = mkstemp(name);
    path_ = name;
    saved_ = dup(STDOUT_FILENO);
    dup2(fd, STDOUT_FILENO);
    close(fd);
  }
  ~stdout_capture() {
    restore();
    unlink(path_.c_str());
  }

  void restore() {
    if (saved_ < 0) return;
    std::fflush(stdout);
    std::cout.flush();
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
    saved_ = -1;
  }

  std::string text() const {
    std::ifstream in(path_, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    std::istringstream in(text());
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
  }

  std::size_t count(const std::string& prefix) const {
    std::size_t n = 0;
    for (const auto& l : lines())
      if (l.rfind(prefix, 0) == 0) ++n;
    return n;
  }

  // Waits until at least `n` lines start with `prefix`. False on time-out.
  bool wait_count(const std::string& prefix, std::size_t n,
                  std::chrono::milliseconds wait = std::chrono::milliseconds(5000)) const {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (count(prefix) < n) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }

  // The last line that starts with `prefix`, or "".
  std::string last(const std::string& prefix) const {
    std::string found;
    for (const auto& l : lines())
      if (l.rfind(prefix, 0) == 0) found = l;
    return found;
  }

 private:
  std::string path_;
  int saved_ = -1;
};
