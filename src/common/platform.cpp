// File services shared by every operating system.
#include "common/platform.h"

#include <random>

std::string TemporaryNameBeside(const std::string& path) {
  static std::mt19937_64 generator{std::random_device{}()};
  static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string name = path + ".";
  for (int i = 0; i < 10; ++i) name += kDigits[generator() % 36];
  return name;
}
