// Stands in for the program in the module tests, which copy it into a folder
// of their own with whatever they choose as the decoder module beside it:
// loads the picture file named on its command line as the game does, then
// prints the fault it got and whether the module was mapped.

#include <QString>

#include <cstdio>
#include <fstream>
#include <string>

#include "picture/PictureFile.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const mirel::FittedPicture got = mirel::LoadFittedPicture(QString::fromLocal8Bit(argv[1]), QSize(300, 300));
  bool mapped = false;
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) mapped = mapped || line.find("mirel-codecs") != std::string::npos;
  std::printf("fault %d, module %s\n", int(got.fault), mapped ? "mapped" : "not mapped");
  return 0;
}
