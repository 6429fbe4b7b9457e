// install-list: preview and check an install list (see InstallListTool.h).
#include <iostream>
#include <string>
#include <vector>

#include "installer/tool/InstallListTool.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return install_list_tool::Run(args, std::cout, std::cerr);
}
