#include <iostream>
#include <string>
#include <vector>

#include "app/CommandLine.h"

int main(int argc, char** argv) {
  return lumvane::RunCommandLine(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
